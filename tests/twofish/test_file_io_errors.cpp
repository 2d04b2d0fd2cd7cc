// SPDX-License-Identifier: GPL-3.0-or-later
// The staged file layer on POSIX: failures of the system carry their errno.

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"
#include "platform/FileIO.h"

namespace {

TEST(FileIO, FailuresOfTheSystemCarryTheirCode) {
  TTempDir dir;
  TInputFile input;
  EXPECT_EQ(input.Open(dir.File("missing")), ENOENT);
  EXPECT_EQ(input.Open(dir.Path()), EISDIR);
  EXPECT_FALSE(input.IsOpen());

  TOutputFile output;
  EXPECT_EQ(output.Create(dir.File("missing/out")), ENOENT);
  EXPECT_EQ(output.Create(dir.Path()), EISDIR);

  // /dev/full refuses every write with ENOSPC: the failure shows at the write
  // that hands a full stage out, or at the close, and stays.
  for (std::size_t total : {std::size_t{10}, std::size_t{5} * TOutputFile::DefaultStageSize}) {
    ASSERT_EQ(output.Create("/dev/full"), 0);
    const std::string block(4096, 'x');
    TIoResult failure;
    for (std::size_t done = 0; done < total && failure.Ok(); done += 4096) {
      failure = output.Write(block.data(), std::min<std::size_t>(4096, total - done));
    }
    if (failure.Ok()) failure = output.Close();
    EXPECT_EQ(failure.Error, ENOSPC) << total;
    EXPECT_EQ(output.Write(block.data(), 16).Error, output.IsOpen() ? ENOSPC : EBADF);
    output.Close();
    EXPECT_FALSE(output.IsOpen());
  }
}

}  // namespace
