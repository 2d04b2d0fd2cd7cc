// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <mutex>

#include "platform/FileHandle.h"

// Lets a stop reach a read or write that waits on a pipe, a FIFO or a
// terminal, where data may not come (or go) for any length of time. Once
// Break is called, such a wait ends at once and the read or write fails with
// TFileError::Stopped; every later one fails the same way. Files on a disk
// never wait long and take no part (FileIO.h decides which handles do).
class TWaitBreaker {
 public:
  TWaitBreaker();
  TWaitBreaker(const TWaitBreaker&) = delete;
  TWaitBreaker& operator=(const TWaitBreaker&) = delete;
  ~TWaitBreaker();

  // Any thread, any number of times.
  void Break() noexcept;
  bool Broken() const noexcept { return FBroken.load(std::memory_order_acquire); }

  // The handles whose waits Break must end, while they are open (Windows
  // cancels the system call on the handle; POSIX waits on WakeHandle).
  void Watch(TFileHandle handle) noexcept;
  void Unwatch(TFileHandle handle) noexcept;

  // POSIX: readable once broken, for poll() beside the handle waited on.
  TFileHandle WakeHandle() const noexcept { return FWake[0]; }

 private:
  std::atomic<bool> FBroken{false};
  // Each system uses its own of these.
  [[maybe_unused]] TFileHandle FWake[2] = {NoFileHandle, NoFileHandle};  // POSIX: a pipe
  [[maybe_unused]] std::mutex FLock;                                     // Windows: guards FWatched
  [[maybe_unused]] TFileHandle FWatched[2] = {NoFileHandle, NoFileHandle};
};
