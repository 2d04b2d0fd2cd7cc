// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/StandardStreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/Descriptor.h"

namespace {

std::atomic<bool> WasClosed[3];

bool IsClosed(int descriptor) { return ::fcntl(descriptor, F_GETFD) == -1 && errno == EBADF; }

}  // namespace

void SecureStandardStreams() noexcept {
  // In order: open() takes the lowest free descriptor, so each null device
  // lands on the first closed one.
  for (int descriptor = 0; descriptor < 3; ++descriptor) {
    if (!IsClosed(descriptor)) continue;
    WasClosed[descriptor].store(true);
    const int null = OpenRetrying("/dev/null", O_RDWR);
    if (null >= 0 && null != descriptor) {
      ::dup2(null, descriptor);
      CloseDescriptor(null);
    }
  }
}

bool StandardStreamWasClosed(TStandardStream stream) noexcept {
  return WasClosed[static_cast<int>(stream)].load();
}
