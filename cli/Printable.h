// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// A file name as it may go into a message on a terminal: control characters
// (a newline, an escape sequence that would move the cursor or recolour the
// screen) are shown as \xNN, one per byte, and a backslash as \\ so that the
// form cannot be faked. The C1 controls count too: U+0080..U+009F in a UTF-8
// name (\xc2\x9b for U+009B), and every byte 0x80..0x9F of a name that is no
// UTF-8. Everything else is kept.
std::string Printable(const std::string& name);
