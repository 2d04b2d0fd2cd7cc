// SPDX-License-Identifier: GPL-3.0-or-later
// The staged file layer on POSIX: a write failure the system reports late
// (after the stage that caused it was handed out) still reaches the caller,
// and so does a failure of the sync behind the writing.

#include <unistd.h>

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "platform/FileError.h"
#include "platform/FileIO.h"
#include "platform/SyncBehind.h"

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

#if defined(__linux__)
// The system tells a failed writeback to one sync only: the sync behind the
// writer must hand it on, or the final sync would pass a damaged result.
// What cannot be synced at all (a pipe) is no failure.
TEST(SyncBehind, ASyncFailureIsReportedAtStopAndAPipeIsNone) {
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const struct {
    TFileHandle Handle;
    std::error_code Expected;
  } cases[] = {{-1, SystemError(EBADF)}, {pipeEnds[1], {}}};
  for (const auto& c : cases) {
    TSyncBehind syncer;
    syncer.Written(c.Handle, TSyncBehind::StepBytes);
    EXPECT_EQ(syncer.Stop(), c.Expected) << c.Handle;
  }
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
}
#endif

}  // namespace
