// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/FileHandle.h"

// Syncs a file being written, in steps, on a thread of its own. Every result
// is synced before it takes its final name, and on a virtual machine that
// sync waits for the host to store all the data not yet flushed: most of the
// cost of writing the file, paid at the very end. Syncing behind the writer
// pays it while the cipher still runs. Only where the system can sync data
// alone (Linux); elsewhere nothing happens.
class TSyncBehind {
 public:
  static constexpr std::uint64_t StepBytes = 8u << 20;

  TSyncBehind() = default;
  TSyncBehind(const TSyncBehind&) = delete;
  TSyncBehind& operator=(const TSyncBehind&) = delete;
  ~TSyncBehind();  // waits for a sync in progress

  // Bytes written to handle so far; a step more than the last sync starts
  // the next one. The first call starts the thread; the handle stays open
  // until Stop.
  void Written(TFileHandle handle, std::uint64_t total);

  // Waits for a sync in progress and ends the thread. Returns the first
  // failure a sync reported: the system may tell a failed writeback only
  // once, so the final sync of the same file could no longer see it.
  std::error_code Stop();

 private:
  void Run();

  std::mutex FLock;
  std::condition_variable FChanged;
  TFileHandle FHandle = NoFileHandle;
  std::uint64_t FWritten = 0;
  std::uint64_t FSynced = 0;
  bool FStop = false;
  std::error_code FError;
  std::thread FThread;
};
