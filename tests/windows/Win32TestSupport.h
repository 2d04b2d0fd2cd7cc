// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the Windows suites share: wide names of the test's files, and
// environment variables set for one test.

#include <optional>
#include <string>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32.h"

namespace wintest {

inline std::wstring Wide(const std::string& utf8) { return WideFromUtf8(utf8).value(); }

inline DWORD Attributes(const std::string& name) {
  return ::GetFileAttributesW(Wide(name).c_str());
}

// Volume serial and file index: what makes a file the same file.
inline std::optional<std::pair<DWORD, std::uint64_t>> Identity(const std::string& name) {
  const HANDLE handle = ::CreateFileW(Wide(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok = ::GetFileInformationByHandle(handle, &info) != 0;
  ::CloseHandle(handle);
  if (!ok) return std::nullopt;
  return std::make_pair(
      info.dwVolumeSerialNumber,
      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
}

// Sets an environment variable for the life of the object.
class TVariable {
 public:
  TVariable(const wchar_t* name, const std::optional<std::string>& value) : FName(name) {
    wchar_t buffer[32768];
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 32768);
    if (length > 0 && length < 32768) FSaved = std::wstring(buffer, length);
    ::SetEnvironmentVariableW(name, value ? Wide(*value).c_str() : nullptr);
  }
  TVariable(const TVariable&) = delete;
  TVariable& operator=(const TVariable&) = delete;
  ~TVariable() { ::SetEnvironmentVariableW(FName, FSaved ? FSaved->c_str() : nullptr); }

 private:
  const wchar_t* FName;
  std::optional<std::wstring> FSaved;
};

}  // namespace wintest
