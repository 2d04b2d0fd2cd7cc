// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemError.h"

#include <cerrno>

namespace {

bool IsSystem(const std::error_code& code) { return code.category() == std::system_category(); }

}  // namespace

std::string SystemErrorText(int code) {
  // The system category's text is strerror's, without strerror_r's two
  // incompatible variants.
  return TidySystemErrorText(std::system_category().message(code), code);
}

int NearestSystemCode(TFileError error) {
  switch (error) {
    case TFileError::NotOpen: return EBADF;
    case TFileError::ShortWrite: return EIO;
    case TFileError::IsDirectory: return EISDIR;
    case TFileError::NotRegular: return EINVAL;
    case TFileError::FileShrank: return EIO;
    case TFileError::NameMoved: return ESTALE;
    case TFileError::TemporaryLost: return ENOENT;
    case TFileError::LockedElsewhere: return EWOULDBLOCK;
    case TFileError::NameTaken: return EEXIST;
    case TFileError::Stopped: return EINTR;
    case TFileError::NameNotUtf8: break;
  }
  return EILSEQ;
}

bool IsNameTakenError(const std::error_code& code) {
  return code == TFileError::NameTaken || (IsSystem(code) && code.value() == EEXIST);
}

bool IsBusyError(const std::error_code& code) {
  return code == TFileError::LockedElsewhere ||
         (IsSystem(code) && (code.value() == EWOULDBLOCK || code.value() == EAGAIN));
}

bool IsStorageError(const std::error_code& code) {
  if (!IsSystem(code)) return false;
  const int value = code.value();
  return value == ENOSPC || value == EDQUOT || value == EIO;
}
