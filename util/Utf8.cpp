// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/Utf8.h"

std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& at, TSurrogates surrogates) {
  const auto lead = static_cast<unsigned char>(text[at++]);
  if (lead < 0x80) return lead;

  int length = 0;
  char32_t codePoint = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, codePoint = lead & 0x1Fu, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, codePoint = lead & 0x0Fu, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, codePoint = lead & 0x07u, minimum = 0x10000;
  } else {
    return std::nullopt;
  }
  for (int k = 1; k < length; ++k) {
    if (at >= text.size()) return std::nullopt;
    const auto next = static_cast<unsigned char>(text[at]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    codePoint = (codePoint << 6) | (next & 0x3Fu);
    ++at;
  }
  // Overlong forms would give one character a second spelling.
  if (codePoint < minimum || codePoint > 0x10FFFF) return std::nullopt;
  if (surrogates == TSurrogates::Refuse && codePoint >= 0xD800 && codePoint <= 0xDFFF) {
    return std::nullopt;
  }
  return codePoint;
}

void AppendUtf8(std::string& out, char32_t codePoint) {
  const auto put = [&out](char32_t bits) { out.push_back(static_cast<char>(bits)); };
  if (codePoint < 0x80) {
    put(codePoint);
  } else if (codePoint < 0x800) {
    put(0xC0 | (codePoint >> 6));
    put(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    put(0xE0 | (codePoint >> 12));
    put(0x80 | ((codePoint >> 6) & 0x3F));
    put(0x80 | (codePoint & 0x3F));
  } else {
    put(0xF0 | (codePoint >> 18));
    put(0x80 | ((codePoint >> 12) & 0x3F));
    put(0x80 | ((codePoint >> 6) & 0x3F));
    put(0x80 | (codePoint & 0x3F));
  }
}
