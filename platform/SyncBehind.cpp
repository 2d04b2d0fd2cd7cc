// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SyncBehind.h"

#include "platform/FileError.h"

#if defined(__linux__)
#include <unistd.h>

#include <cerrno>
#endif

TSyncBehind::~TSyncBehind() { (void)Stop(); }

void TSyncBehind::Written([[maybe_unused]] TFileHandle handle,
                          [[maybe_unused]] std::uint64_t total) {
#if defined(__linux__)
  {
    const std::lock_guard<std::mutex> lock(FLock);
    if (FStop) return;
    FHandle = handle;
    FWritten = total;
    if (FWritten - FSynced < StepBytes) return;
  }
  if (!FThread.joinable()) {
    try {
      FThread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      // Only speed is lost: the final sync does it all.
      const std::lock_guard<std::mutex> lock(FLock);
      FStop = true;
      return;
    }
  }
  FChanged.notify_one();
#endif
}

void TSyncBehind::Run() {
#if defined(__linux__)
  std::unique_lock<std::mutex> lock(FLock);
  for (;;) {
    FChanged.wait(lock, [this] { return FStop || FWritten - FSynced >= StepBytes; });
    // A step that came due before the stop is still taken: the final sync
    // would wait for it anyway.
    if (FWritten - FSynced < StepBytes) return;
    const std::uint64_t target = FWritten;
    const int handle = FHandle;
    lock.unlock();
    int result;
    do {
      result = ::fdatasync(handle);
    } while (result != 0 && errno == EINTR);
    const int error = result == 0 ? 0 : errno;
    // A file that cannot be synced this way (a pipe, a terminal, a file
    // system without the call) is no failure: the syncing just ends.
    const bool unsyncable =
        error == EINVAL || error == EROFS || error == ENOSYS || error == ENOTSUP;
    lock.lock();
    FSynced = target;
    if (error != 0 && !unsyncable && !FError) FError = SystemError(error);
    if (unsyncable) FStop = true;
  }
#endif
}

std::error_code TSyncBehind::Stop() {
  {
    const std::lock_guard<std::mutex> lock(FLock);
    FStop = true;
  }
  FChanged.notify_one();
  if (FThread.joinable()) FThread.join();
  return FError;
}
