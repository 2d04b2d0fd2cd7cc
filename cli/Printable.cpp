// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Printable.h"

std::string Printable(const std::string& name) {
  static constexpr char Hex[] = "0123456789abcdef";
  std::string shown;
  shown.reserve(name.size());
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '\\') {
      shown += "\\\\";
    } else if (byte < 0x20 || byte == 0x7F) {
      shown += "\\x";
      shown += Hex[byte >> 4];
      shown += Hex[byte & 0x0F];
    } else {
      shown += c;
    }
  }
  return shown;
}
