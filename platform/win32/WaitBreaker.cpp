// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WaitBreaker.h"

#include "platform/win32/Win32.h"

// A synchronous ReadFile or WriteFile on a console or a pipe ends with
// ERROR_OPERATION_ABORTED when CancelIoEx is called on its handle from
// another thread. A call that starts just after the cancel would miss it,
// so Break cancels again each time it is called (the command line calls it
// at every look for a stop), and the reads and writes look at Broken first.
TWaitBreaker::TWaitBreaker() = default;
TWaitBreaker::~TWaitBreaker() = default;

void TWaitBreaker::Break() noexcept {
  FBroken.store(true, std::memory_order_release);
  std::lock_guard<std::mutex> lock(FLock);
  for (const TFileHandle handle : FWatched) {
    if (handle != NoFileHandle) ::CancelIoEx(AsHandle(handle), nullptr);
  }
}

void TWaitBreaker::Watch(TFileHandle handle) noexcept {
  std::lock_guard<std::mutex> lock(FLock);
  for (TFileHandle& slot : FWatched) {
    if (slot == NoFileHandle) {
      slot = handle;
      return;
    }
  }
}

void TWaitBreaker::Unwatch(TFileHandle handle) noexcept {
  std::lock_guard<std::mutex> lock(FLock);
  for (TFileHandle& slot : FWatched) {
    if (slot == handle) slot = NoFileHandle;
  }
}
