// SPDX-License-Identifier: GPL-3.0-or-later
// The staged file layer under the file transform, one for every system (the
// Windows suite builds this file too): whatever the stage size, reads hand
// out the file's bytes in order and see their end exactly, writes reach the
// file complete and in order; failures carry the system's code, or the
// layer's own where the system named none.

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/TestSeed.h"
#include "tests/support/TempDir.h"
#include "tests/support/FileBytes.h"
#include "platform/FileError.h"
#include "platform/FileIO.h"
#include "platform/PendingFile.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

namespace {

constexpr std::size_t kStageSizes[] = {1, 7, 4096, 65536, TInputFile::DefaultStageSize};

TEST(FileIO, ReadsHandOutEveryByteAndFindTheEndWithoutAnEmptyRead) {
  TTempDir dir;
  auto random = SeededRandom(30);
  for (std::size_t stage : kStageSizes) {
    // Tiny stages cost a system call per few bytes: keep their files small.
    const std::size_t large = stage < 4096 ? 9000 : 700001;
    for (std::size_t length : {std::size_t{0}, std::size_t{1}, stage, 2 * stage, 3 * stage + 5,
                               std::size_t{4096}, large}) {
      SCOPED_TRACE(testing::Message() << "stage " << stage << ", length " << length);
      const std::string content = RandomBytes(random, length);
      WriteFileBytes(dir.File("in"), content);
      TInputFile input(stage);
      ASSERT_FALSE(input.Open(dir.File("in")));
      EXPECT_TRUE(input.HasSize());
      EXPECT_EQ(input.Size(), length);

      std::string seen;
      char chunk[4096];
      for (;;) {
        const TEndResult before = input.AtEnd();
        ASSERT_FALSE(before.Error);
        ASSERT_EQ(before.AtEnd, seen.size() == length);
        if (before.AtEnd) break;
        const std::size_t want = static_cast<std::size_t>(RandomInt(random, 1, 4096));
        const TIoResult got = input.Read(chunk, want);
        ASSERT_FALSE(got.Error);
        // Short only at the end of the file.
        ASSERT_EQ(got.Bytes, std::min(want, length - seen.size()));
        seen.append(chunk, got.Bytes);
        EXPECT_EQ(input.Position(), seen.size());
      }
      EXPECT_EQ(seen, content);
      EXPECT_EQ(input.Read(chunk, 16).Bytes, 0u);
      EXPECT_FALSE(input.Close());
    }
  }
}

TEST(FileIO, WritesReachTheFileCompleteAndInOrder) {
  TTempDir dir;
  auto random = SeededRandom(31);
  for (std::size_t stage : kStageSizes) {
    const std::string content = RandomBytes(random, 3 * stage + (stage < 4096 ? 9000 : 700001));
    for (bool byDestructor : {false, true}) {
      SCOPED_TRACE(testing::Message() << "stage " << stage << ", closed by destructor " << byDestructor);
      WriteFileBytes(dir.File("out"), std::string(2000000, 'o'));  // emptied on create
      {
        TOutputFile output(stage);
        ASSERT_FALSE(output.Create(dir.File("out")));
        std::size_t offset = 0;
        while (offset < content.size()) {
          const std::size_t n = std::min(content.size() - offset,
                                         static_cast<std::size_t>(RandomInt(random, 0, 4112)));
          const TIoResult put = output.Write(content.data() + offset, n);
          ASSERT_TRUE(put.Ok());
          ASSERT_EQ(put.Bytes, n);
          offset += n;
        }
        if (!byDestructor) {
          ASSERT_TRUE(output.Close().Ok());
        }
      }
      EXPECT_EQ(ReadFileBytes(dir.File("out")), content);
    }
  }
}

TEST(FileIO, FailuresCarryTheSystemsCodeOrTheLayersOwn) {
  TTempDir dir;
#ifdef _WIN32
  const std::error_code missing = SystemError(ERROR_FILE_NOT_FOUND);
  const std::error_code noFolder = SystemError(ERROR_PATH_NOT_FOUND);
  const std::error_code readFolder = SystemError(ERROR_ACCESS_DENIED);
  const std::error_code writeFolder = SystemError(ERROR_ACCESS_DENIED);
  const std::error_code notUtf8 = TFileError::NameNotUtf8;
#else
  const std::error_code missing = SystemError(ENOENT);
  const std::error_code noFolder = SystemError(ENOENT);
  // POSIX opens a folder for reading; the layer refuses it itself.
  const std::error_code readFolder = TFileError::IsDirectory;
  const std::error_code writeFolder = SystemError(EISDIR);
  const std::error_code notUtf8 = SystemError(ENOENT);  // any bytes make a name here
#endif
  TInputFile input;
  TOutputFile output;
  char byte = 0;
  struct TCase {
    const char* What;
    std::error_code Got;
    std::error_code Expected;
  };
  const TCase cases[] = {
      {"open missing", input.Open(dir.File("missing")), missing},
      {"open in missing folder", input.Open(dir.File("missing/file")), noFolder},
      {"open folder", input.Open(dir.Path()), readFolder},
      {"open no UTF-8", input.Open(dir.File("bad \xFF.txt")), notUtf8},
      {"read unopened", input.Read(&byte, 1).Error, TFileError::NotOpen},
      {"end of unopened", input.AtEnd().Error, TFileError::NotOpen},
      {"create in missing folder", output.Create(dir.File("missing/out")), noFolder},
      {"create folder", output.Create(dir.Path()), writeFolder},
      {"write unopened", output.Write(&byte, 1).Error, TFileError::NotOpen},
  };
  for (const TCase& c : cases) EXPECT_EQ(c.Got, c.Expected) << c.What << ": " << c.Got.message();
  EXPECT_FALSE(input.IsOpen());
  EXPECT_FALSE(output.IsOpen());
}

// The transform writes into the file the pending result created, through a
// handle of its own: closing it must keep that file locked against cleanup,
// and the commit must carry every byte.
TEST(FileIO, OutputOnAPendingFileWritesTheFileItCreatedAndKeepsItsLock) {
  TTempDir dir;
  const std::string target = dir.File("target.bin");
  auto random = SeededRandom(32);
  const std::string content = RandomBytes(random, 3 * TOutputFile::DefaultStageSize + 17);
  TPendingFile pending;
  ASSERT_FALSE(pending.Create(target));
  TOutputFile output;
  ASSERT_FALSE(pending.OpenOutput(output));
  ASSERT_TRUE(output.Write(content.data(), content.size()).Ok());
  ASSERT_TRUE(output.Close().Ok());

  // Had the cleanup taken the file, the commit would find its name gone.
  RemoveStaleTemporaries(target);
  ASSERT_FALSE(pending.Commit({}, TReplaceMode::NoReplace));
  EXPECT_EQ(ReadFileBytes(target), content);

  TPendingFile committed;
  EXPECT_EQ(committed.OpenOutput(output), TFileError::NotOpen);
}

}  // namespace
