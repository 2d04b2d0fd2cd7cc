// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemError.h"

#include <utility>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32.h"

std::string SystemErrorText(int code) {
  // The wide call: the narrow one would give the text in the ANSI code page,
  // not UTF-8.
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (length != 0 && buffer != nullptr) text = Utf8FromWide(std::wstring_view(buffer, length));
  if (buffer != nullptr) ::LocalFree(buffer);
  return TidySystemErrorText(std::move(text), code);
}

int GenericIoError() { return ERROR_IO_DEVICE; }

bool IsNameTakenError(int code) {
  return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
}

bool IsBusyError(int code) {
  return code == ERROR_LOCK_VIOLATION || code == ERROR_SHARING_VIOLATION;
}

bool IsStorageError(int code) {
  switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_IO_DEVICE:
    case ERROR_CRC:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT: return true;
    default: return false;
  }
}

int DirectoryError() { return ERROR_ACCESS_DENIED; }
