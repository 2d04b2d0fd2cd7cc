// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows-1252 conversion both ways on any bytes. UTF-8 that the code
// page can hold converts and comes back unchanged; anything else is refused
// with the first character the code page lacks, or U+FFFD at the first
// malformed sequence, as an independent strict decoder finds them. Any
// Windows-1252 text comes back from its UTF-8 form unchanged, the five bytes
// the code page leaves unassigned included: Windows keys them as the C1
// controls of the same number.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "job/Windows1252.h"

namespace {

constexpr char32_t Replacement = 0xFFFD;


// The next code point of strictly valid UTF-8 at i, advancing i; nothing for
// a malformed sequence (stray or missing continuation bytes, overlong forms,
// surrogates, values beyond U+10FFFF).
std::optional<char32_t> DecodeStrict(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i++]);
  if (lead < 0x80) return lead;
  int extra;
  char32_t value;
  char32_t minimum;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1, value = lead & 0x1Fu, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2, value = lead & 0x0Fu, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3, value = lead & 0x07u, minimum = 0x10000;
  } else {
    return std::nullopt;
  }
  for (int k = 0; k < extra; ++k, ++i) {
    if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return std::nullopt;
    value = (value << 6) | (static_cast<unsigned char>(text[i]) & 0x3Fu);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
  return value;
}

// The code points of all 256 bytes, read back from the display conversion
// (whose table the unit tests check against iconv).
const std::set<char32_t>& Repertoire() {
  static const std::set<char32_t> repertoire = [] {
    std::set<char32_t> points;
    for (int byte = 0; byte < 256; ++byte) {
      const std::string utf8 = Windows1252ToUtf8(std::string(1, static_cast<char>(byte)));
      std::size_t i = 0;
      const auto point = DecodeStrict(utf8, i);
      Require(point.has_value() && i == utf8.size(), "a byte's UTF-8 form is not one character");
      points.insert(*point);
    }
    Require(points.size() == 256, "two bytes share a character");
    for (const char32_t control : {U'\x81', U'\x8D', U'\x8F', U'\x90', U'\x9D'}) {
      Require(points.count(control) == 1, "an unassigned byte is not its C1 control");
    }
    return points;
  }();
  return repertoire;
}

// What Utf8ToWindows1252 must refuse first, or nothing when it must accept.
std::optional<char32_t> FirstRefused(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size();) {
    const auto point = DecodeStrict(utf8, i);
    if (!point) return Replacement;
    if (Repertoire().count(*point) == 0) return *point;
  }
  return std::nullopt;
}

void CheckFromUtf8(std::string_view utf8) {
  const TWindows1252Result result = Utf8ToWindows1252(utf8);
  const std::optional<char32_t> refused = FirstRefused(utf8);
  Require(result.Ok == !refused.has_value(), "accepted or refused against the strict decoder");
  if (result.Ok) {
    Require(result.Bytes.size() <= utf8.size(), "more bytes than the UTF-8 had");
    Require(Windows1252ToUtf8(result.Bytes.view()) == utf8, "UTF-8 does not come back unchanged");
  } else {
    Require(result.Bytes.empty(), "a refused conversion kept bytes");
    Require(result.Unrepresentable == *refused, "not the first offending character");
  }
}

void CheckFromWindows1252(std::string_view bytes) {
  const std::string utf8 = Windows1252ToUtf8(bytes);
  const TWindows1252Result back = Utf8ToWindows1252(utf8);
  Require(back.Ok && back.Bytes.view() == bytes, "Windows-1252 does not come back unchanged");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckFromUtf8(input);
  CheckFromWindows1252(input);
  return 0;
}
