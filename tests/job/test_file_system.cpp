// Existence, identity and the temporary directory, on real files.
#include <sys/stat.h>

#include "platform/FileSystem.h"
#include "tests/job/JobTestSupport.h"

using namespace jobtest;

namespace {

using FileSystem = TJobDirTest;

TEST_F(FileSystem, TempDirectoryPrefersTempThenTmpdirThenTmpNeverRoot) {
  ::setenv("Temp", "/var/ablage", 1);
  ::setenv("TMPDIR", "/var/tmpdir", 1);
  EXPECT_EQ(TempDirectory(), "/var/ablage");
  ::setenv("Temp", "/var/ablage/", 1);
  EXPECT_EQ(TempDirectory(), "/var/ablage");
  ::setenv("Temp", "", 1);
  EXPECT_EQ(TempDirectory(), "/var/tmpdir");
  ::unsetenv("Temp");
  EXPECT_EQ(TempDirectory(), "/var/tmpdir");
  ::unsetenv("TMPDIR");
  EXPECT_EQ(TempDirectory(), "/tmp");
  ::setenv("Temp", "/", 1);
  ::setenv("TMPDIR", "//", 1);
  EXPECT_EQ(TempDirectory(), "/tmp");
  // A relative value is made absolute, so a copy's name can be told.
  ::setenv("Temp", "ablage", 1);
  EXPECT_EQ(TempDirectory(), (std::filesystem::current_path() / "ablage").string());
}

TEST_F(FileSystem, FileExistsMeansARegularFile) {
  WriteFileBytes(Path("datei"), "x");
  std::filesystem::create_directory(Path("ordner"));
  std::filesystem::create_symlink(Path("datei"), Path("verweis"));
  std::filesystem::create_symlink(Path("weg"), Path("ins-leere"));
  EXPECT_TRUE(FileExists(Path("datei")));
  EXPECT_TRUE(FileExists(Path("verweis")));
  EXPECT_FALSE(FileExists(Path("ordner")));
  EXPECT_FALSE(FileExists(Path("ins-leere")));
  EXPECT_FALSE(FileExists("/dev/null"));
  EXPECT_FALSE(FileExists(""));
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

TEST_F(FileSystem, TempFilesAreNewPrivateAndUnique) {
  const TTempFile first = CreateTempFile(TempDir.string(), "brief.txt");
  const TTempFile second = CreateTempFile(TempDir.string(), "brief.txt");
  ASSERT_GE(first.Handle, 0);
  ASSERT_GE(second.Handle, 0);
  ::close(first.Handle);
  ::close(second.Handle);
  EXPECT_NE(first.Name, second.Name);
  EXPECT_EQ(std::filesystem::path(first.Name).parent_path(), TempDir);
  EXPECT_EQ(std::filesystem::path(first.Name).filename().string().rfind("brief.txt.", 0), 0u);
  struct stat info {};
  ASSERT_EQ(::stat(first.Name.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  EXPECT_EQ(CreateTempFile(Path("fehlt"), "x").Error, ENOENT);
}

}  // namespace
