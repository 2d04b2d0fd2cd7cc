// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WaitBreaker.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/Descriptor.h"

// A pipe that becomes readable when broken: poll() on it beside the file
// waited on ends the wait, with no race against a Break that comes just
// before the wait begins. Without a pipe (no descriptor left) the waits are
// plain ones, as before.
TWaitBreaker::TWaitBreaker() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
    FWake[0] = ends[0];
    FWake[1] = ends[1];
  }
}

TWaitBreaker::~TWaitBreaker() {
  for (const TFileHandle end : FWake) {
    if (end != NoFileHandle) CloseDescriptor(end);
  }
}

void TWaitBreaker::Break() noexcept {
  if (FBroken.exchange(true, std::memory_order_acq_rel)) return;
  if (FWake[1] != NoFileHandle) {
    const char wake = 1;
    (void)::write(FWake[1], &wake, 1);
  }
}

// poll() needs no list of the handles.
void TWaitBreaker::Watch(TFileHandle) noexcept {}
void TWaitBreaker::Unwatch(TFileHandle) noexcept {}
