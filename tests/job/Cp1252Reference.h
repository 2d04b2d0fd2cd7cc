// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

// What the system's own converter makes of one Windows-1252 byte, as UTF-8,
// or nothing when it refuses the byte: glibc's iconv on Linux, code page
// 1252 of the system on Windows.
std::optional<std::string> ReferenceCp1252ToUtf8(unsigned char byte);
