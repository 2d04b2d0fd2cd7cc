// SPDX-License-Identifier: GPL-3.0-or-later
// The one UTF-8 decoder: each malformed shape is refused, each code point
// decodes from its shortest form only, and surrogates pass only when asked
// for (Windows names).
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "util/Utf8.h"

namespace {

// The code point at the start of text, or nothing.
std::optional<char32_t> First(const std::string& text, TSurrogates surrogates) {
  std::size_t at = 0;
  return DecodeUtf8(text, at, surrogates);
}

TEST(Utf8, DecodesShortestFormsAndRefusesMalformedOnes) {
  struct TCase {
    const char* Bytes;
    std::optional<char32_t> Strict;  // TSurrogates::Refuse
    std::optional<char32_t> Wide;    // TSurrogates::Allow
  };
  const TCase cases[] = {
      {"A", U'A', U'A'},
      {"\xC3\xA9", 0xE9, 0xE9},
      {"\xE2\x82\xAC", 0x20AC, 0x20AC},
      {"\xF0\x9F\x98\x80", 0x1F600, 0x1F600},
      {"\xF4\x8F\xBF\xBF", 0x10FFFF, 0x10FFFF},
      {"\xED\xA0\x80", std::nullopt, 0xD800},  // a lone surrogate
      {"\xED\xBF\xBF", std::nullopt, 0xDFFF},
      {"\x80", std::nullopt, std::nullopt},              // stray continuation
      {"\xC3", std::nullopt, std::nullopt},              // truncated
      {"\xE2\x82", std::nullopt, std::nullopt},          // truncated
      {"\xC3(", std::nullopt, std::nullopt},             // no continuation
      {"\xC0\xAF", std::nullopt, std::nullopt},          // overlong '/'
      {"\xE0\x80\xAF", std::nullopt, std::nullopt},      // overlong '/'
      {"\xF0\x82\x82\xAC", std::nullopt, std::nullopt},  // overlong euro sign
      {"\xF4\x90\x80\x80", std::nullopt, std::nullopt},  // beyond U+10FFFF
      {"\xF8\x88\x80\x80\x80", std::nullopt, std::nullopt},
      {"\xFF", std::nullopt, std::nullopt},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.Bytes)));
    EXPECT_EQ(First(c.Bytes, TSurrogates::Refuse), c.Strict);
    EXPECT_EQ(First(c.Bytes, TSurrogates::Allow), c.Wide);
    // What decodes encodes back to the same bytes.
    if (c.Wide) {
      std::string again;
      AppendUtf8(again, *c.Wide);
      EXPECT_EQ(again, c.Bytes);
    }
  }
}

TEST(Utf8, AdvancesPastEachCodePoint) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  std::size_t at = 0;
  std::u32string seen;
  while (at < text.size()) seen.push_back(DecodeUtf8(text, at).value_or(0));
  EXPECT_EQ(seen, U"a\u00E9\u20AC\U0001F600");
}

}  // namespace
