// SPDX-License-Identifier: GPL-3.0-or-later
// The output path's Win32 pieces: the temporary file beside the target, its
// LockFileEx marker against cleanup by other runs, the commit by MoveFileExW
// with and without replacing, the in-place lock, and the tail read.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Win32TestSupport.h"
#include "platform/FileIO.h"
#include "platform/FileSystem.h"
#include "platform/PendingFile.h"
#include "platform/SystemError.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempDir.h"

namespace {

using namespace wintest;

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(Wide(dir)))) {
    names.push_back(Utf8FromWide(entry.path().filename().wstring()));
  }
  return names;
}

// What the transform does: open the temporary file again by its name and
// write the result.
void WriteByName(const std::string& name, const std::string& bytes) {
  TOutputFile output;
  ASSERT_FALSE(output.Create(name));
  ASSERT_TRUE(output.Write(bytes.data(), bytes.size()).Ok());
  ASSERT_TRUE(output.Close().Ok());
}

TEST(Win32PendingFile, LivesBesideTheTargetUnderARecognisableForeignName) {
  TTempDir dir;
  const std::string target = dir.File("Grüße Ωμέγα 日本.tvn");
  TPendingFile pending;
  ASSERT_FALSE(pending.Create(target));
  EXPECT_EQ(FolderOf(pending.Name()), dir.Path());
  const std::string part = FileNamePart(pending.Name());
  EXPECT_EQ(part.rfind(".Grüße Ωμέγα 日本.tvn.", 0), 0u) << part;
  EXPECT_EQ(part.size(), std::string(".Grüße Ωμέγα 日本.tvn.").size() + 6 + 12) << part;
  EXPECT_EQ(part.substr(part.size() - 12), ".tolvane-tmp");
  EXPECT_TRUE(FileExists(pending.Name()));
  EXPECT_FALSE(FileExists(target));

  // Discarded, nothing is left; a second discard is harmless.
  const std::string name = pending.Name();
  pending.Discard();
  pending.Discard();
  EXPECT_FALSE(FileExists(name));
  EXPECT_TRUE(Entries(dir.Path()).empty());
}

TEST(Win32PendingFile, CommitReplacesOnlyWhereAllowed) {
  TTempDir dir;
  const std::string target = dir.File("brief.tvn");
  TFileAttributes attributes;

  // A free name: the result takes it.
  {
    TPendingFile pending;
    ASSERT_FALSE(pending.Create(target));
    WriteByName(pending.Name(), std::string("\x1A\r\nerste", 8));
    ASSERT_FALSE(pending.Commit(attributes, TReplaceMode::NoReplace));
    EXPECT_FALSE(pending.Exists());
  }
  EXPECT_EQ(ReadFileBytes(target), std::string("\x1A\r\nerste", 8));

  // Taken meanwhile: kept, and the refusal is one the job recognises.
  {
    TPendingFile pending;
    ASSERT_FALSE(pending.Create(target));
    WriteByName(pending.Name(), "zweite");
    const std::error_code error = pending.Commit(attributes, TReplaceMode::NoReplace);
    EXPECT_TRUE(IsNameTakenError(error)) << error;
    EXPECT_TRUE(pending.Exists());
  }  // discarded by its end
  EXPECT_EQ(ReadFileBytes(target), std::string("\x1A\r\nerste", 8));
  EXPECT_EQ(Entries(dir.Path()).size(), 1u);

  // Agreed to: replaced, and read-only as its source was.
  attributes.WindowsFlags = FILE_ATTRIBUTE_READONLY;
  {
    TPendingFile pending;
    ASSERT_FALSE(pending.Create(target));
    WriteByName(pending.Name(), "dritte");
    ASSERT_FALSE(pending.Commit(attributes, TReplaceMode::Replace));
  }
  EXPECT_EQ(ReadFileBytes(target), "dritte");
  EXPECT_NE(Attributes(target) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(Entries(dir.Path()).size(), 1u);
  ::SetFileAttributesW(Wide(target).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Win32PendingFile, CleanupRemovesOnlyLeftoversNobodyHolds) {
  TTempDir dir;
  const std::string target = dir.File("brief.tvn");
  // What a killed run leaves: a file of the exact shape that no handle holds.
  WriteFileBytes(dir.File(".brief.tvn.k1ll3d.tolvane-tmp"), "halb");
  // Other names stay: another target's leftover, a different shape.
  WriteFileBytes(dir.File(".brief.txt.k1ll3d.tolvane-tmp"), "fremd");
  WriteFileBytes(dir.File(".brief.tvn.kurz.tolvane-tmp"), "fremd");
  TPendingFile live;
  ASSERT_FALSE(live.Create(target));
  WriteByName(live.Name(), "lebt");

  RemoveStaleTemporaries(target);

  EXPECT_FALSE(FileExists(dir.File(".brief.tvn.k1ll3d.tolvane-tmp")));
  EXPECT_TRUE(FileExists(dir.File(".brief.txt.k1ll3d.tolvane-tmp")));
  EXPECT_TRUE(FileExists(dir.File(".brief.tvn.kurz.tolvane-tmp")));
  ASSERT_TRUE(FileExists(live.Name()));
  // The live run still finishes, with what it wrote.
  EXPECT_FALSE(live.Commit({}, TReplaceMode::NoReplace));
  EXPECT_EQ(ReadFileBytes(target), "lebt");
}

TEST(Win32PendingFile, ASecondLockOnAFileIsRefusedAtOnce) {
  TTempDir dir;
  const std::string name = dir.File("Brief 日本.txt");
  WriteFileBytes(name, "Inhalt");
  TFileLock first;
  ASSERT_FALSE(first.TryLock(name));
  // The lock stops nobody from reading the file.
  EXPECT_EQ(ReadFileBytes(name), "Inhalt");
  TFileLock second;
  EXPECT_TRUE(IsBusyError(second.TryLock(dir.File("BRIEF 日本.TXT"))));
  first.Unlock();
  EXPECT_FALSE(second.TryLock(name));
  EXPECT_EQ(first.TryLock(dir.File("fehlt")), SystemError(ERROR_FILE_NOT_FOUND));
}

TEST(Win32FileTail, TheLastBytesAndTheSizeWithoutBlockingOnDevices) {
  TTempDir dir;
  std::string content(70000, '\x1A');
  content.replace(content.size() - 5, 5, "Ende!");
  WriteFileBytes(dir.File("datei"), content);
  std::uint8_t tail[32] = {};
  TTailResult result = ReadFileTail(dir.File("datei"), tail, sizeof tail);
  EXPECT_FALSE(result.OpenError);
  EXPECT_FALSE(result.ReadError);
  EXPECT_EQ(result.Size, 70000u);
  ASSERT_EQ(result.Count, 32u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(tail), 32),
            content.substr(content.size() - 32));

  WriteFileBytes(dir.File("klein"), "abc");
  result = ReadFileTail(dir.File("klein"), tail, sizeof tail);
  EXPECT_EQ(result.Count, 3u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(tail), 3), "abc");

  EXPECT_EQ(ReadFileTail("NUL", tail, sizeof tail).OpenError, TFileError::NotRegular);
  EXPECT_EQ(ReadFileTail(dir.Path(), tail, sizeof tail).OpenError,
            SystemError(ERROR_ACCESS_DENIED));
  EXPECT_EQ(ReadFileTail(dir.File("fehlt"), tail, sizeof tail).OpenError,
            SystemError(ERROR_FILE_NOT_FOUND));
}

}  // namespace
