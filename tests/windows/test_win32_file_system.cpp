// File-system services on Windows: names compare without regard to letter
// case, identity is the volume serial and file index, the temporary
// directory comes from `Temp`, copies are complete and on the disk, and
// error texts are the system's own.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "Win32TestSupport.h"
#include "platform/Descriptor.h"
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

  int error = 0;
  EXPECT_FALSE(DeleteFile(dir.File("fehlt"), &error));
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
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

TEST(Win32FileSystem, TemporaryDirectoryComesFromTemp) {
  TTempDir dir;
  {
    const TVariable temp(L"Temp", dir.Path() + "\\");
    EXPECT_EQ(TempDirectory(), dir.Path());
  }
  {
    // Variable names ignore case on Windows: TEMP is Temp.
    const TVariable temp(L"TEMP", dir.Path());
    EXPECT_EQ(TempDirectory(), dir.Path());
  }
  {
    // A root folder is passed over; what is used instead is a folder.
    const TVariable temp(L"Temp", std::string("C:\\"));
    const std::string used = TempDirectory();
    EXPECT_NE(used, "C:");
    EXPECT_NE(used.back(), '\\');
    EXPECT_TRUE(DirectoryExists(used)) << used;
  }
  {
    // A relative value is made absolute, so that the user can be told it.
    const TVariable temp(L"Temp", std::string("ablage"));
    const std::string used = TempDirectory();
    EXPECT_EQ(FileNamePart(used), "ablage");
    EXPECT_EQ(used[1], ':') << used;
  }
}

TEST(Win32FileSystem, TemporaryFilesAreNewAndNamedAfterTheirStem) {
  TTempDir dir;
  std::set<std::string> names;
  for (int i = 0; i < 20; ++i) {
    TTempFile file = CreateTempFile(dir.Path(), "Grüße 日本.txt");
    ASSERT_EQ(file.Error, 0);
    ASSERT_GE(file.Handle, 0);
    EXPECT_EQ(FileNamePart(file.Name).rfind("Grüße 日本.txt.", 0), 0u) << file.Name;
    EXPECT_TRUE(FileExists(file.Name));
    EXPECT_EQ(CloseHandle(file.Handle), 0);
    names.insert(file.Name);
  }
  EXPECT_EQ(names.size(), 20u);

  // A long stem is cut, never inside a character.
  std::string stem;
  for (int i = 0; i < 150; ++i) stem += "ä";
  TTempFile file = CreateTempFile(dir.Path(), stem);
  ASSERT_EQ(file.Error, 0);
  EXPECT_TRUE(WideFromUtf8(file.Name));
  EXPECT_LE(FileNamePart(file.Name).size(), 210u);
  CloseHandle(file.Handle);

  EXPECT_EQ(CreateTempFile(dir.File("fehlt"), "x").Error, ERROR_PATH_NOT_FOUND);
}

TEST(Win32FileSystem, CopiesAreCompleteAndKeepTheDestinationsIdentity) {
  TTempDir dir;
  const std::string content = std::string("\x1A\r\n", 3) + std::string(700000, '\x1A') + "Ende";
  WriteFileBytes(dir.File("quelle"), content);
  WriteFileBytes(dir.File("ziel"), std::string(2000000, 'o'));
  const auto identity = Identity(dir.File("ziel"));

  const TCopyResult over = CopyFileOver(dir.File("quelle"), dir.File("ziel"));
  EXPECT_TRUE(over.Complete());
  EXPECT_EQ(over.Copied, content.size());
  EXPECT_EQ(ReadFileBytes(dir.File("ziel")), content);
  EXPECT_EQ(Identity(dir.File("ziel")), identity);

  TTempFile file = CreateTempFile(dir.Path(), "kopie");
  ASSERT_EQ(file.Error, 0);
  int asked = 0;
  const TCopyResult stopped =
      CopyFileToHandle(dir.File("quelle"), file.Handle, [&] { return ++asked < 2; });
  EXPECT_TRUE(stopped.Stopped);
  EXPECT_FALSE(stopped.Complete());
  CloseHandle(file.Handle);

  EXPECT_EQ(CopyFileOver(dir.File("fehlt"), dir.File("ziel2")).Error, ERROR_FILE_NOT_FOUND);
}

TEST(Win32FileSystem, ErrorTextsAreTheSystemsInUtf8) {
  const int codes[] = {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_DISK_FULL, GenericIoError()};
  for (const int code : codes) {
    const std::string text = SystemErrorText(code);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.rfind("Error ", 0), 0u) << code << ": " << text;
    EXPECT_TRUE(WideFromUtf8(text)) << text;
    const char last = text.back();
    EXPECT_TRUE(last != '.' && last != ' ' && last != '\n' && last != '\r') << text;
  }
  EXPECT_EQ(SystemErrorText(0x2FFFFFFF), "Error 805306367");
}

}  // namespace
