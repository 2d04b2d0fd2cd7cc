// SPDX-License-Identifier: GPL-3.0-or-later
// The staged file layer on POSIX: a write failure the system reports late
// (after the stage that caused it was handed out) still reaches the caller.

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "platform/FileError.h"
#include "platform/FileIO.h"

namespace {

TEST(FileIO, AFullDiskShowsAtTheWriteOrTheCloseAndStays) {
  TOutputFile output;

  // /dev/full refuses every write with ENOSPC: the failure shows at the write
  // that hands a full stage out, or at the close, and stays.
  for (std::size_t total : {std::size_t{10}, std::size_t{5} * TOutputFile::DefaultStageSize}) {
    ASSERT_FALSE(output.Create("/dev/full"));
    const std::string block(4096, 'x');
    TIoResult failure;
    for (std::size_t done = 0; done < total && failure.Ok(); done += 4096) {
      failure = output.Write(block.data(), std::min<std::size_t>(4096, total - done));
    }
    if (failure.Ok()) failure = output.Close();
    const std::error_code full = SystemError(ENOSPC);
    EXPECT_EQ(failure.Error, full) << total;
    EXPECT_EQ(output.Write(block.data(), 16).Error,
              output.IsOpen() ? full : make_error_code(TFileError::NotOpen));
    output.Close();
    EXPECT_FALSE(output.IsOpen());
  }
}

}  // namespace
