// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemError.h"

#include <utility>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32.h"

namespace {

bool IsSystem(const std::error_code& code) { return code.category() == std::system_category(); }

}  // namespace

std::string SystemErrorText(int code) {
  // The wide call: the narrow one would give the text in the ANSI code page,
  // not UTF-8 (and so would system_category().message()).
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (length != 0 && buffer != nullptr) text = Utf8FromWide(std::wstring_view(buffer, length));
  if (buffer != nullptr) ::LocalFree(buffer);
  return TidySystemErrorText(std::move(text), code);
}

int NearestSystemCode(TFileError error) {
  switch (error) {
    case TFileError::NotOpen: return ERROR_INVALID_HANDLE;
    case TFileError::ShortWrite: return ERROR_IO_DEVICE;
    // What opening a folder as a file gives every Windows program.
    case TFileError::IsDirectory: return ERROR_ACCESS_DENIED;
    case TFileError::NotRegular: return ERROR_INVALID_FUNCTION;
    case TFileError::FileShrank: return ERROR_IO_DEVICE;
    case TFileError::NameMoved: return ERROR_FILE_INVALID;
    case TFileError::TemporaryLost: return ERROR_LOCK_VIOLATION;
    case TFileError::LockedElsewhere: return ERROR_LOCK_VIOLATION;
    case TFileError::NameTaken: return ERROR_ALREADY_EXISTS;
    case TFileError::Stopped: return ERROR_OPERATION_ABORTED;
    case TFileError::NameNotUtf8: break;
  }
  return ERROR_NO_UNICODE_TRANSLATION;
}

bool IsNameTakenError(const std::error_code& code) {
  return code == TFileError::NameTaken ||
         (IsSystem(code) &&
          (code.value() == ERROR_FILE_EXISTS || code.value() == ERROR_ALREADY_EXISTS));
}

bool IsBusyError(const std::error_code& code) {
  return code == TFileError::LockedElsewhere ||
         (IsSystem(code) &&
          (code.value() == ERROR_LOCK_VIOLATION || code.value() == ERROR_SHARING_VIOLATION));
}

bool IsStorageError(const std::error_code& code) {
  if (!IsSystem(code)) return false;
  switch (code.value()) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_IO_DEVICE:
    case ERROR_CRC:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT: return true;
    default: return false;
  }
}
