// SPDX-License-Identifier: GPL-3.0-or-later
// UTF-8 names above the file layer, UTF-16 below: every name Windows can
// hold converts both ways, lone surrogates included; text that is no UTF-8
// is refused rather than guessed at.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/WideText.h"

namespace {

TEST(WideText, EveryCodePointRoundTrips) {
  std::wstring all;
  for (char32_t c = 1; c <= 0x10FFFF; c += (c < 0x10000 ? 1 : 97)) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    if (c < 0x10000) {
      all.push_back(static_cast<wchar_t>(c));
    } else {
      all.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
      all.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
  }
  const std::string utf8 = Utf8FromWide(all);
  const auto back = WideFromUtf8(utf8);
  ASSERT_TRUE(back);
  EXPECT_TRUE(*back == all);
}

TEST(WideText, KnownSpellings) {
  EXPECT_EQ(Utf8FromWide(L"Gr\u00FC\u00DFe \u20AC"), "Grüße €");
  EXPECT_EQ(Utf8FromWide(L"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_TRUE(WideFromUtf8("日本") == std::wstring(L"\u65E5\u672C"));
  EXPECT_TRUE(WideFromUtf8("") == std::wstring());
}

TEST(WideText, LoneSurrogatesOfWindowsNamesSurviveTheRoundTrip) {
  for (const std::wstring& name : {std::wstring(L"a\xD800"
                                                L"b"),
                                   std::wstring(L"\xDC00"), std::wstring(L"x\xDBFF")}) {
    const std::string utf8 = Utf8FromWide(name);
    const auto back = WideFromUtf8(utf8);
    ASSERT_TRUE(back);
    EXPECT_TRUE(*back == name);
  }
}

TEST(WideText, BytesThatAreNoUtf8AreRefused) {
  const std::string malformed[] = {
      "\x80",              // continuation byte without a lead
      "ab\xC3",            // truncated
      "\xC3(",             // lead without its continuation
      "\xC0\xAF",          // overlong '/'
      "\xE0\x80\xAF",      // overlong '/' in three bytes
      "\xF4\x90\x80\x80",  // beyond U+10FFFF
      "\xFF",              // never valid
      // A surrogate pair spelled as two three-byte forms: the character has
      // its four-byte spelling, and two would name one file twice.
      "\xED\xA0\xBD\xED\xB8\x80",
  };
  for (const std::string& text : malformed) {
    EXPECT_FALSE(WideFromUtf8(text)) << ::testing::PrintToString(text);
  }
}

}  // namespace
