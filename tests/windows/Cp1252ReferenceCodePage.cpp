// SPDX-License-Identifier: GPL-3.0-or-later
#include "Cp1252Reference.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32.h"

std::optional<std::string> ReferenceCp1252ToUtf8(unsigned char byte) {
  const char in = static_cast<char>(byte);
  wchar_t out[4] = {};
  const int length = ::MultiByteToWideChar(1252, MB_ERR_INVALID_CHARS, &in, 1, out, 4);
  if (length <= 0) return std::nullopt;
  return Utf8FromWide(std::wstring_view(out, static_cast<std::size_t>(length)));
}
