// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Descriptor.h"

#include "platform/win32/Win32.h"

int CloseHandle(TFileHandle handle) {
  // Unlike close() on Linux, a failed CloseHandle leaves nothing half done.
  if (!::CloseHandle(AsHandle(handle))) return LastError();
  return 0;
}
