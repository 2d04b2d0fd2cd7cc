// SPDX-License-Identifier: GPL-3.0-or-later
// The staged file layer under the file transform: whatever the stage size,
// reads hand out the file's bytes in order and see its end exactly, writes
// reach the file complete and in order. The same on every system; the codes
// of system failures are in test_file_io_errors.cpp.

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/TestSeed.h"
#include "tests/support/TempDir.h"
#include "tests/support/FileBytes.h"
#include "platform/FileIO.h"

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
      ASSERT_EQ(input.Open(dir.File("in")), 0);
      EXPECT_TRUE(input.HasSize());
      EXPECT_EQ(input.Size(), length);

      std::string seen;
      char chunk[4096];
      for (;;) {
        const TEndResult before = input.AtEnd();
        ASSERT_EQ(before.Error, 0);
        ASSERT_EQ(before.AtEnd, seen.size() == length);
        if (before.AtEnd) break;
        const std::size_t want = static_cast<std::size_t>(RandomInt(random, 1, 4096));
        const TIoResult got = input.Read(chunk, want);
        ASSERT_EQ(got.Error, 0);
        // Short only at the end of the file.
        ASSERT_EQ(got.Bytes, std::min(want, length - seen.size()));
        seen.append(chunk, got.Bytes);
        EXPECT_EQ(input.Position(), seen.size());
      }
      EXPECT_EQ(seen, content);
      EXPECT_EQ(input.Read(chunk, 16).Bytes, 0u);
      EXPECT_EQ(input.Close(), 0);
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
        ASSERT_EQ(output.Create(dir.File("out")), 0);
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

}  // namespace
