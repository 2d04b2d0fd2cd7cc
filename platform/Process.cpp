// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Process.h"

#include <sys/resource.h>

void DisableCoreDumps() noexcept {
  const struct rlimit none { 0, 0 };
  (void)::setrlimit(RLIMIT_CORE, &none);
}
