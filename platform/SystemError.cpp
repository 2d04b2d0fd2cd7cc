// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemError.h"

#include <cerrno>
#include <system_error>

std::string SystemErrorText(int code) {
  // The system category's text is strerror's, without strerror_r's two
  // incompatible variants.
  return TidySystemErrorText(std::system_category().message(code), code);
}

int GenericIoError() { return EIO; }

bool IsNameTakenError(int code) { return code == EEXIST; }

bool IsBusyError(int code) { return code == EWOULDBLOCK || code == EAGAIN; }

bool IsStorageError(int code) { return code == ENOSPC || code == EDQUOT || code == EIO; }

int DirectoryError() { return EISDIR; }
