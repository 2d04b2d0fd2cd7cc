// SPDX-License-Identifier: GPL-3.0-or-later
// File-system services on Windows: names compare without regard to letter
// case, identity is the volume serial and file index, kinds are found
// without opening devices, folders end at '\', '/' or ':', the read-only
// attribute carries over, and error texts are the system's own.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

#include "Win32TestSupport.h"
#include "platform/FileSystem.h"
#include "platform/SystemError.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempDir.h"

namespace {

using namespace wintest;

TEST(Win32FileSystem, NamesCompareWithoutRegardToLetterCase) {
  EXPECT_TRUE(SameFileName("C:\\Daten\\Brief.TXT", "c:\\daten\\brief.txt"));
  EXPECT_TRUE(SameFileName("ÄRGER.txt", "ärger.TXT"));
  EXPECT_TRUE(SameFileName("ΩΜΈΓΑ", "ωμέγα"));
  // No path resolution and no other folding: these are different names.
  EXPECT_FALSE(SameFileName("C:\\a\\b.txt", "C:/a/b.txt"));
  EXPECT_FALSE(SameFileName("brief.txt", "brief.txt "));
  EXPECT_FALSE(SameFileName("strasse", "straße"));
  EXPECT_FALSE(SameFileName("brief.txt", "brief.tx"));
}

TEST(Win32FileSystem, NamesThatCompareEqualShareTheirKey) {
  const char* const pairs[][2] = {
      {"C:\\Daten\\Brief.TXT", "c:\\daten\\brief.txt"},
      {"\xC3\x84RGER.txt", "\xC3\xA4rger.TXT"},          // ÄRGER, ärger
      {"\xCE\xA9\xCE\x9C", "\xCF\x89\xCE\xBC"},          // ΩΜ, ωμ
      {"L\xC4\xB1ste", "LISTE"},                         // dotless i, which some tables upper-case
      {"\xF0\x9F\x98\x80.tvn", "\xF0\x9F\x98\x80.TVN"},  // beyond the BMP
  };
  for (const auto& pair : pairs) {
    SCOPED_TRACE(pair[0]);
    // Whatever this system's table makes equal must share the key.
    if (SameFileName(pair[0], pair[1])) {
      EXPECT_EQ(FileNameKey(pair[0]), FileNameKey(pair[1]));
    }
  }
  EXPECT_NE(FileNameKey("brief.txt"), FileNameKey("brief.doc"));
}

TEST(Win32FileSystem, OneFileUnderTwoNamesIsTheSameFile) {
  TTempDir dir;
  const std::string file = dir.File("Brief.txt");
  WriteFileBytes(file, "Inhalt");
  WriteFileBytes(dir.File("anderer.txt"), "Inhalt");

  // Another spelling of the path, an upper-case one, and a hard link.
  std::string slashed = file;
  for (char& c : slashed) {
    if (c == '\\') c = '/';
  }
  EXPECT_TRUE(SameFile(file, slashed));
  EXPECT_TRUE(SameFile(file, dir.File("BRIEF.TXT")));
  EXPECT_TRUE(SameFile(file, dir.Path() + "\\.\\Brief.txt"));
  if (::CreateHardLinkW(Wide(dir.File("zweiter.txt")).c_str(), Wide(file).c_str(), nullptr)) {
    EXPECT_TRUE(SameFile(file, dir.File("zweiter.txt")));
  }
  EXPECT_FALSE(SameFile(file, dir.File("anderer.txt")));
  EXPECT_FALSE(SameFile(file, dir.File("fehlt.txt")));
}

TEST(Win32FileSystem, ExistenceTellsFilesFromFoldersAndDevices) {
  TTempDir dir;
  WriteFileBytes(dir.File("datei"), "x");
  EXPECT_TRUE(FileExists(dir.File("datei")));
  EXPECT_FALSE(DirectoryExists(dir.File("datei")));
  EXPECT_TRUE(DirectoryExists(dir.Path()));
  EXPECT_FALSE(FileExists(dir.Path()));
  EXPECT_FALSE(FileExists(dir.File("fehlt")));
  EXPECT_FALSE(FileExists("NUL"));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileSize(dir.File("fehlt")));
  EXPECT_EQ(FileSize(dir.File("datei")), 1u);

  std::error_code error;
  EXPECT_FALSE(DeleteFile(dir.File("fehlt"), &error));
  EXPECT_EQ(error, SystemError(ERROR_FILE_NOT_FOUND));
}

TEST(Win32FileSystem, StampsTellIdentityAndChange) {
  TTempDir dir;
  const std::string name = dir.File("datei");
  WriteFileBytes(name, "eins");
  const TFileStamp first = StampOf(name);
  EXPECT_TRUE(first.Exists);
  EXPECT_TRUE(first.Regular);
  EXPECT_EQ(first.Size, 4u);
  EXPECT_NE(first.ModifiedNs, 0);
  const auto identity = Identity(name);
  ASSERT_TRUE(identity);
  EXPECT_EQ(first.Device, identity->first);
  EXPECT_EQ(first.Inode, identity->second);
  EXPECT_EQ(StampOf(name), first);

  WriteFileBytes(name, "zwei!");
  EXPECT_NE(StampOf(name), first);
  EXPECT_FALSE(StampOf(dir.File("fehlt")).Exists);
  EXPECT_FALSE(StampOf(dir.Path()).Regular);
}

TEST(Win32FileSystem, KindsAreFoundWithoutOpeningDevices) {
  TTempDir dir;
  WriteFileBytes(dir.File("datei"), "x");
  EXPECT_EQ(KindOf(dir.File("datei")), TFileKind::Regular);
  EXPECT_EQ(KindOf(dir.Path()), TFileKind::Directory);
  EXPECT_EQ(KindOf(dir.File("fehlt")), TFileKind::Missing);
  EXPECT_EQ(KindOf(dir.File("fehlt\\auch")), TFileKind::Missing);
  // Devices by every spelling, and a pipe nobody serves: none is opened, so
  // none can hold the caller.
  EXPECT_EQ(KindOf("NUL"), TFileKind::Other);
  EXPECT_EQ(KindOf("\\\\.\\NUL"), TFileKind::Other);
  EXPECT_EQ(KindOf("\\\\.\\pipe\\tolvane-niemand"), TFileKind::Other);
  // The drive's own device path is a folder, not a device.
  EXPECT_EQ(KindOf("\\\\.\\" + dir.Path().substr(0, 2) + "\\"), TFileKind::Directory);
}

TEST(Win32FileSystem, FoldersEndAtAnyOfTheThreeSeparators) {
  EXPECT_EQ(FolderOf("C:\\Daten\\brief.txt"), "C:\\Daten");
  EXPECT_EQ(FolderOf("C:/Daten/brief.txt"), "C:/Daten");
  EXPECT_EQ(FolderOf("C:\\brief.txt"), "C:\\");
  EXPECT_EQ(FolderOf("C:brief.txt"), "C:");
  EXPECT_EQ(FolderOf("\\brief.txt"), "\\");
  EXPECT_EQ(FolderOf("brief.txt"), ".");
  EXPECT_EQ(FolderOf("\\\\server\\teil\\brief.txt"), "\\\\server\\teil");
}

TEST(Win32FileSystem, AResultTakesOverTheReadOnlyAttribute) {
  TTempDir dir;
  WriteFileBytes(dir.File("offen"), "x");
  WriteFileBytes(dir.File("geschützt"), "x");
  ASSERT_TRUE(::SetFileAttributesW(Wide(dir.File("geschützt")).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(AttributesOf(dir.File("offen")).WindowsFlags & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_NE(AttributesOf(dir.File("offen")).Mode & 0200u, 0u);
  EXPECT_NE(AttributesOf(dir.File("geschützt")).WindowsFlags & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(AttributesOf(dir.File("geschützt")).Mode & 0200u, 0u);
  ::SetFileAttributesW(Wide(dir.File("geschützt")).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Win32FileSystem, ANameWithoutLinksResolvesToItself) {
  TTempDir dir;
  WriteFileBytes(dir.File("Grüße 日本.txt"), "x");
  EXPECT_EQ(ResolveLinks(dir.File("Grüße 日本.txt")), dir.File("Grüße 日本.txt"));
  EXPECT_EQ(ResolveLinks(dir.File("fehlt")), dir.File("fehlt"));
}

TEST(Win32FileSystem, ErrorTextsAreTheSystemsInUtf8) {
  const std::error_code codes[] = {SystemError(ERROR_FILE_NOT_FOUND),
                                   SystemError(ERROR_ACCESS_DENIED), SystemError(ERROR_DISK_FULL),
                                   TFileError::FileShrank, TFileError::NameNotUtf8};
  for (const std::error_code& code : codes) {
    const std::string text = SystemErrorText(code);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.rfind("Error ", 0), 0u) << code << ": " << text;
    EXPECT_TRUE(WideFromUtf8(text)) << text;
    const char last = text.back();
    EXPECT_TRUE(last != '.' && last != ' ' && last != '\n' && last != '\r') << text;
  }
  EXPECT_EQ(SystemErrorText(0x2FFFFFFF), "Error 805306367");
  // A C library code is no Win32 code: its own text, not FormatMessage's for
  // the same number (2 would read "The system cannot find the file").
  EXPECT_EQ(SystemErrorText(std::make_error_code(std::errc::no_such_file_or_directory)),
            TidySystemErrorText(std::generic_category().message(ENOENT), ENOENT));
}

}  // namespace
