// SPDX-License-Identifier: GPL-3.0-or-later
// Passwords typed as UTF-8 become the Windows-1252 bytes that older files
// were keyed with; the system's own converter serves as the independent
// table.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "Cp1252Reference.h"
#include "job/Windows1252.h"

namespace {

bool IsUnassigned(unsigned char byte) {
  return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

TEST(Windows1252, EveryAssignedByteRoundTripsAsTheSystemDecodesIt) {
  int representable = 0;
  for (int value = 0; value < 256; ++value) {
    const auto byte = static_cast<unsigned char>(value);
    if (IsUnassigned(byte)) continue;
    SCOPED_TRACE("byte " + std::to_string(value));
    const std::optional<std::string> expected = ReferenceCp1252ToUtf8(byte);
    ASSERT_TRUE(expected.has_value());
    const std::string utf8 = Windows1252ToUtf8(std::string(1, static_cast<char>(byte)));
    EXPECT_EQ(utf8, *expected);
    const TWindows1252Result back = Utf8ToWindows1252(utf8);
    ASSERT_TRUE(back.Ok);
    EXPECT_EQ(back.Bytes.view(), std::string(1, static_cast<char>(byte)));
    ++representable;
  }
  EXPECT_EQ(representable, 251);
}

// Windows maps the code page's five holes to the C1 controls of the same
// number, and passwords of older files may hold them. iconv refuses these
// bytes, so the expectation is written out.
TEST(Windows1252, UnassignedBytesStandForTheC1ControlsOfTheSameNumber) {
  for (const int byte : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    SCOPED_TRACE("byte " + std::to_string(byte));
    const std::string control = {static_cast<char>(0xC2), static_cast<char>(byte)};
    const TWindows1252Result result = Utf8ToWindows1252("a" + control + "b");
    ASSERT_TRUE(result.Ok);
    EXPECT_EQ(result.Bytes.view(), (std::string{'a', static_cast<char>(byte), 'b'}));
    EXPECT_EQ(Windows1252ToUtf8(result.Bytes.view()), "a" + control + "b");
  }
}

TEST(Windows1252, OtherC1ControlsStayRefused) {
  int refused = 0;
  for (int value = 0x80; value < 0xA0; ++value) {
    if (IsUnassigned(static_cast<unsigned char>(value))) continue;
    SCOPED_TRACE("code point " + std::to_string(value));
    const std::string control = {static_cast<char>(0xC2), static_cast<char>(value)};
    const TWindows1252Result result = Utf8ToWindows1252(control);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Unrepresentable, static_cast<char32_t>(value));
    ++refused;
  }
  EXPECT_EQ(refused, 27);
}

TEST(Windows1252, EveryByteDecodesToACharacterThatEncodesBack) {
  std::string all;
  for (int value = 0; value < 256; ++value) all.push_back(static_cast<char>(value));
  const std::string utf8 = Windows1252ToUtf8(all);
  EXPECT_EQ(utf8.find("\xEF\xBF\xBD"), std::string::npos);
  const TWindows1252Result back = Utf8ToWindows1252(utf8);
  ASSERT_TRUE(back.Ok);
  EXPECT_EQ(back.Bytes.view(), all);
}

TEST(Windows1252, MixedPasswordEncodesByteForByte) {
  const TWindows1252Result result = Utf8ToWindows1252("Grüße €5 – „ok“ ÿ");
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ(result.Bytes.view(), "Gr\xFC\xDF" "e \x80" "5 \x96 \x84ok\x93 \xFF");
  EXPECT_EQ(Windows1252ToUtf8(result.Bytes.view()), "Grüße €5 – „ok“ ÿ");
}

TEST(Windows1252, EmptyTextIsRepresentable) {
  const TWindows1252Result result = Utf8ToWindows1252("");
  EXPECT_TRUE(result.Ok);
  EXPECT_TRUE(result.Bytes.empty());
}

TEST(Windows1252, FirstUnrepresentableCharacterIsReported) {
  struct TCase {
    std::string Utf8;
    char32_t Expected;
  };
  const TCase cases[] = {
      {"Ā", U'\u0100'},
      {"ok😀", U'\U0001F600'},
      {"a€bĀc😀", U'\u0100'},
      {"\xEF\xBF\xBD", U'\uFFFD'},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Utf8);
    const TWindows1252Result result = Utf8ToWindows1252(c.Utf8);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Unrepresentable, c.Expected);
    EXPECT_TRUE(result.Bytes.empty());
  }
}

TEST(Windows1252, MalformedUtf8IsRefusedAsReplacementCharacter) {
  const std::string malformed[] = {
      "\x80",              // continuation byte without a lead
      "ab\xC3",            // truncated two-byte sequence
      "\xC3(",             // lead followed by a non-continuation byte
      "\xC0\xAF",          // overlong '/'
      "\xE0\x80\xAF",      // overlong '/' in three bytes
      "\xED\xA0\x80",      // surrogate
      "\xF4\x90\x80\x80",  // beyond U+10FFFF
      "\xFF",              // never valid
  };
  for (const std::string& text : malformed) {
    SCOPED_TRACE(::testing::PrintToString(text));
    const TWindows1252Result result = Utf8ToWindows1252(text);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Unrepresentable, U'\uFFFD');
  }
}

}  // namespace
