// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "cli/Terminal.h"

// One message line on standard error, in the command's name.
inline void Say(const std::string& line) { WriteStderr("tolvane: " + line + "\n"); }
