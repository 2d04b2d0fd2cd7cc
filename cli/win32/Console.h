// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "platform/win32/Win32.h"
#include "util/Secret.h"

// The Windows console as the command's terminal: what the terminal and the
// password sources share.

// A console handle, as opposed to a file or a pipe.
bool IsConsole(HANDLE handle);

// Shows the prompt and reads one line typed on the console, as UTF-8 without
// its line ending; the typed characters are not echoed when hidden is set.
// Read as UTF-16, so that the console's code page plays no part. Returns
// nothing on Ctrl-Z (end of input), Ctrl-C or an error.
std::optional<TSecret> ReadConsoleLine(HANDLE input, const std::string& prompt, bool hidden);
