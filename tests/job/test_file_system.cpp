// SPDX-License-Identifier: GPL-3.0-or-later
// Existence, kind, identity, links and the pending result, on real files.
#include <sys/stat.h>

#include "platform/FileError.h"
#include "platform/FileSystem.h"
#include "platform/FolderWalk.h"
#include "platform/PendingFile.h"
#include "tests/job/JobTestSupport.h"

using namespace jobtest;

namespace {

using FileSystem = TJobDirTest;

TEST_F(FileSystem, FileExistsMeansARegularFile) {
  WriteFileBytes(Path("datei"), "x");
  std::filesystem::create_directory(Path("ordner"));
  std::filesystem::create_symlink(Path("datei"), Path("verweis"));
  std::filesystem::create_symlink(Path("weg"), Path("ins-leere"));
  ASSERT_EQ(::mkfifo(Path("rohr").c_str(), 0600), 0);
  EXPECT_TRUE(FileExists(Path("datei")));
  EXPECT_TRUE(FileExists(Path("verweis")));
  EXPECT_FALSE(FileExists(Path("ordner")));
  EXPECT_FALSE(FileExists(Path("ins-leere")));
  EXPECT_FALSE(FileExists("/dev/null"));
  EXPECT_FALSE(FileExists(""));

  EXPECT_EQ(KindOf(Path("verweis")), TFileKind::Regular);
  EXPECT_EQ(KindOf(Path("ordner")), TFileKind::Directory);
  EXPECT_EQ(KindOf(Path("rohr")), TFileKind::Other);
  EXPECT_EQ(KindOf("/dev/null"), TFileKind::Other);
  EXPECT_EQ(KindOf(Path("ins-leere")), TFileKind::Missing);
}

TEST_F(FileSystem, SameFileByNameOrByIdentityOnDisk) {
  WriteFileBytes(Path("Brief.txt"), "a");
  WriteFileBytes(Path("brief.txt"), "b");
  std::filesystem::create_symlink(Path("brief.txt"), Path("verweis"));
  std::filesystem::create_hard_link(Path("brief.txt"), Path("zweiter"));
  const std::string dotted = (Dir / "." / "brief.txt").string();

  EXPECT_TRUE(SameFile(Path("brief.txt"), Path("brief.txt")));
  EXPECT_TRUE(SameFile(Path("neu"), Path("neu")));  // equal names, even before it exists
  EXPECT_FALSE(SameFile(Path("Brief.txt"), Path("brief.txt")));
  EXPECT_TRUE(SameFile(dotted, Path("brief.txt")));
  EXPECT_TRUE(SameFile(Path("verweis"), Path("brief.txt")));
  EXPECT_TRUE(SameFile(Path("brief.txt"), Path("zweiter")));
  EXPECT_FALSE(SameFile(Path("brief.txt"), Path("neu")));
}

TEST_F(FileSystem, ResolveLinksFollowsChainsRelativeToEachLink) {
  std::filesystem::create_directory(Path("a"));
  std::filesystem::create_directory(Path("b"));
  std::filesystem::create_symlink("../b/zwei", Path("a/eins"));  // relative to a/
  std::filesystem::create_symlink(Path("b/ziel"), Path("b/zwei"));
  std::filesystem::create_symlink("kreis2", Path("kreis1"));
  std::filesystem::create_symlink("kreis1", Path("kreis2"));

  EXPECT_EQ(ResolveLinks(Path("a/eins")), Path("b/ziel"));  // ziel need not exist
  EXPECT_EQ(ResolveLinks(Path("b/ziel")), Path("b/ziel"));
  EXPECT_EQ(ResolveLinks("datei"), "datei");
  // A loop ends somewhere in it, and is no file to replace.
  const std::string looped = ResolveLinks(Path("kreis1"));
  EXPECT_TRUE(looped == Path("kreis1") || looped == Path("kreis2"));
  EXPECT_EQ(KindOf(looped), TFileKind::Other);
  EXPECT_EQ(KindOf(Path("a/eins")), TFileKind::Missing);
  EXPECT_EQ(FolderOf("datei"), ".");
  EXPECT_EQ(FolderOf("/datei"), "/");
  EXPECT_EQ(FolderOf("a/b/datei"), "a/b");
}

TEST_F(FileSystem, CreateFoldersMakesTheMissingParentsAndRefusesAFileInTheWay) {
  EXPECT_FALSE(CreateFolders(Path("a/b//c/")));
  EXPECT_TRUE(DirectoryExists(Path("a/b/c")));
  EXPECT_FALSE(CreateFolders(Path("a/b")));
  std::filesystem::create_directory_symlink(Path("a"), Path("zu-a"));
  EXPECT_FALSE(CreateFolders(Path("zu-a/neu")));
  EXPECT_TRUE(DirectoryExists(Path("a/neu")));
  WriteFileBytes(Path("datei"), "x");
  EXPECT_EQ(CreateFolders(Path("datei")), std::errc::not_a_directory);
  EXPECT_EQ(CreateFolders(Path("datei/unter")), std::errc::not_a_directory);
  EXPECT_EQ(JoinedName("a/", "b"), "a/b");
  EXPECT_EQ(JoinedName("a", "b"), "a/b");
}

TEST_F(FileSystem, PendingFileIsPrivateBesideItsTargetAndReplacesOnlyAsTold) {
  WriteFileBytes(Path("ziel"), "alt");
  TPendingFile first;
  TPendingFile second;
  ASSERT_FALSE(first.Create(Path("ziel")));
  ASSERT_FALSE(second.Create(Path("ziel")));
  EXPECT_NE(first.Name(), second.Name());
  EXPECT_EQ(std::filesystem::path(first.Name()).parent_path(), Dir);
  EXPECT_EQ(std::filesystem::path(first.Name()).filename().string().rfind(".ziel.", 0), 0u);
  struct stat info {};
  ASSERT_EQ(::stat(first.Name().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  // A live file is not taken for a leftover.
  RemoveStaleTemporaries(Path("ziel"));
  EXPECT_TRUE(std::filesystem::exists(first.Name()));

  WriteFileBytes(first.Name(), "neu");
  TFileAttributes attributes;
  attributes.Mode = 0644;
  EXPECT_EQ(first.Commit(attributes, TReplaceMode::NoReplace), SystemError(EEXIST));
  EXPECT_EQ(ReadFileBytes(Path("ziel")), "alt");
  EXPECT_FALSE(first.Commit(attributes, TReplaceMode::Replace));
  EXPECT_EQ(ReadFileBytes(Path("ziel")), "neu");
  ASSERT_EQ(::stat(Path("ziel").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);

  const std::string secondName = second.Name();
  second.Discard();
  EXPECT_FALSE(std::filesystem::exists(secondName));
  EXPECT_EQ(LeftoverCount(), 0u);

  TPendingFile nowhere;
  EXPECT_EQ(nowhere.Create(Path("fehlt/ziel")), SystemError(ENOENT));
}

}  // namespace
