// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Descriptor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileError.h"

int OpenRetrying(const std::string& name, int flags, mode_t mode) {
  int handle;
  do {
    handle = ::open(name.c_str(), flags, mode);
  } while (handle < 0 && errno == EINTR);
  return handle;
}

std::error_code CloseDescriptor(int handle) {
  if (::close(handle) != 0 && errno != EINTR) return SystemError(errno);
  return {};
}
