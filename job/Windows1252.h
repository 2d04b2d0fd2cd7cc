// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "util/Secret.h"

// Passwords reach the digest and the cipher as Windows-1252 bytes, the code
// page of the Windows versions that wrote older files. As on Windows, the five
// bytes the code page leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand
// for the C1 controls U+0081, U+008D, U+008F, U+0090 and U+009D.
struct TWindows1252Result {
  bool Ok = false;
  TSecret Bytes;               // the encoded text when Ok
  char32_t Unrepresentable{};  // first offending character when !Ok (U+FFFD for invalid UTF-8)
};

TWindows1252Result Utf8ToWindows1252(std::string_view utf8);
// The inverse: every byte has its character.
std::string Windows1252ToUtf8(std::string_view bytes);
