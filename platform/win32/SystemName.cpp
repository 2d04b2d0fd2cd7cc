// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win32/WideText.h"
#include "platform/win32/Win32.h"

std::optional<std::wstring> SystemName(const std::string& utf8) {
  std::optional<std::wstring> name = WideFromUtf8(utf8);
  // An embedded NUL would cut the name short at the system call.
  if (!name || name->find(L'\0') != std::wstring::npos) return std::nullopt;
  if (name->size() < MAX_PATH - 12 || name->rfind(L"\\\\?\\", 0) == 0) return name;

  const DWORD needed = ::GetFullPathNameW(name->c_str(), 0, nullptr, nullptr);
  if (needed == 0) return name;
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(name->c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return name;
  full.resize(length);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}
