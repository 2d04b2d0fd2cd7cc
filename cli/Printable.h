// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// A file name as it may go into a message on a terminal: control characters
// (a newline, an escape sequence that would move the cursor or recolour the
// screen) are shown as \xNN, and a backslash as \\ so that the form cannot be
// faked. Everything else, UTF-8 included, is kept.
std::string Printable(const std::string& name);
