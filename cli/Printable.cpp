// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Printable.h"

#include <string_view>

#include "util/Utf8.h"

namespace {

void AppendEscaped(std::string& shown, std::string_view bytes) {
  static constexpr char Hex[] = "0123456789abcdef";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    shown += "\\x";
    shown += Hex[byte >> 4];
    shown += Hex[byte & 0x0F];
  }
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    if (!DecodeUtf8(text, at)) return false;
  }
  return true;
}

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

}  // namespace

std::string Printable(const std::string& name) {
  std::string shown;
  shown.reserve(name.size());
  const std::string_view text = name;
  // A terminal that reads 8-bit codes takes a lone byte 0x9B for the
  // one-byte CSI: in a name that is no UTF-8, every byte of the C1 range is
  // shown escaped. In UTF-8 the same bytes are continuation bytes, and only
  // the C1 code points themselves are controls.
  if (!IsValidUtf8(text)) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      const auto byte = static_cast<unsigned char>(text[i]);
      if (byte == '\\') {
        shown += "\\\\";
      } else if (IsControl(byte)) {
        AppendEscaped(shown, text.substr(i, 1));
      } else {
        shown += text[i];
      }
    }
    return shown;
  }
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t start = at;
    const char32_t c = *DecodeUtf8(text, at);
    const std::string_view bytes = text.substr(start, at - start);
    if (c == '\\') {
      shown += "\\\\";
    } else if (IsControl(c)) {
      AppendEscaped(shown, bytes);
    } else {
      shown += bytes;
    }
  }
  return shown;
}
