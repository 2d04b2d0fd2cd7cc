// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// Exit statuses of the command.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitNotDone = 1;  // the file was not (completely) processed
inline constexpr int ExitUsage = 2;    // wrong usage

// The whole command for the arguments after the program name. Ends the
// process by the signal instead of returning when Ctrl-C (or SIGTERM,
// SIGHUP) stopped the work.
int RunTolvane(const std::vector<std::string>& args);
