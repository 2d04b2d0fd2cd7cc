// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Whether the three-byte forms of U+D800..U+DFFF count as text. Strict UTF-8
// has none; Windows names may hold lone surrogates, and they travel in
// those forms (WTF-8).
enum class TSurrogates { Refuse, Allow };

// The code point that starts at text[at], advancing at past it. Nothing for
// malformed input: a stray continuation byte, a truncated or overlong
// sequence, a value beyond U+10FFFF, or a surrogate that is refused; at is
// then somewhere inside the bad sequence, so callers stop there.
std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& at,
                                   TSurrogates surrogates = TSurrogates::Refuse);

// Appends the UTF-8 form of a code point (up to U+10FFFF; surrogates get
// their three-byte forms).
void AppendUtf8(std::string& out, char32_t codePoint);
