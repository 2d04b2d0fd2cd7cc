// SPDX-License-Identifier: GPL-3.0-or-later
#include "job/Windows1252.h"

#include <cstddef>
#include <cstdint>

#include "util/SecureWipe.h"
#include "util/Utf8.h"

namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;

// Bytes 0x80..0x9F. The code page leaves 0x81, 0x8D, 0x8F, 0x90 and 0x9D
// unassigned, but Windows converts them to and from the C1 controls of the
// same number, and older files may have been keyed with passwords holding
// them. The other C1 controls have no byte.
constexpr char32_t HighControlRange[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

// The byte for a code point, or -1 when the code page has none.
int EncodeCodePoint(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    return static_cast<int>(codePoint);
  }
  for (int i = 0; i < 32; ++i) {
    if (HighControlRange[i] == codePoint) return 0x80 + i;
  }
  return -1;
}

char32_t DecodeByte(unsigned char byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  return HighControlRange[byte - 0x80];
}

}  // namespace

TWindows1252Result Utf8ToWindows1252(std::string_view utf8) {
  TWindows1252Result result;
  // Never more bytes than the input has; reserving once keeps a growing
  // string from leaving copies of the password in freed memory.
  result.Bytes.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    // Malformed input (stray continuation bytes, truncated or overlong
    // sequences, surrogates, values beyond U+10FFFF) reports U+FFFD.
    char32_t codePoint = DecodeUtf8(utf8, i).value_or(ReplacementCharacter);
    const int byte = codePoint == ReplacementCharacter ? -1 : EncodeCodePoint(codePoint);
    if (byte < 0) {
      result.Bytes.clear();
      result.Unrepresentable = codePoint;
      return result;
    }
    result.Bytes.push_back(static_cast<char>(byte));
    SecureWipeObject(codePoint);
  }
  result.Ok = true;
  return result;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string utf8;
  // At most three UTF-8 bytes per character; reserved up front for the same
  // reason as above.
  utf8.reserve(3 * bytes.size());
  for (const char c : bytes) AppendUtf8(utf8, DecodeByte(static_cast<unsigned char>(c)));
  return utf8;
}
