// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win32/WideText.h"

#include "util/Utf8.h"

namespace {

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf16(std::wstring& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<wchar_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
  }
}

}  // namespace

std::string Utf8FromWide(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size() * 3);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char32_t c = static_cast<char16_t>(wide[i]);
    if (IsHighSurrogate(c) && i + 1 < wide.size()) {
      const char32_t next = static_cast<char16_t>(wide[i + 1]);
      if (IsLowSurrogate(next)) {
        c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
        ++i;
      }
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::optional<std::wstring> WideFromUtf8(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const std::optional<char32_t> decoded = DecodeUtf8(utf8, i, TSurrogates::Allow);
    if (!decoded) return std::nullopt;
    const char32_t c = *decoded;
    // A surrogate pair written as two three-byte forms would make a second
    // spelling of a character that has its four-byte one.
    if (IsLowSurrogate(c) && !out.empty() && IsHighSurrogate(static_cast<char16_t>(out.back()))) {
      return std::nullopt;
    }
    AppendUtf16(out, c);
  }
  return out;
}
