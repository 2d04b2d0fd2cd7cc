// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

// UTF-8 above the file layer, UTF-16 below it. Windows names may hold lone
// surrogates, which no UTF-8 text can; they travel as the three-byte forms
// UTF-8 would give them if it allowed them (WTF-8), so that every name the
// system lists can be opened again. wchar_t is 16 bits on Windows.

// UTF-16 to UTF-8; never fails.
std::string Utf8FromWide(std::wstring_view wide);

// UTF-8 to UTF-16; nothing for bytes that are no UTF-8 (or WTF-8) text.
std::optional<std::wstring> WideFromUtf8(std::string_view utf8);
