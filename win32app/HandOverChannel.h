// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include "window/StartArguments.h"

// Explorer starts the program once per selected file. A start that names
// files offers them to a start of the same direction that is still
// collecting, and ends once they are taken. Otherwise it collects itself:
// it takes the files of the starts that follow until none has come for
// about half a second. A named mutex in the user's session tells who
// collects; the files travel as WM_COPYDATA to its hidden message window.
// Returns nothing when the files were handed over; otherwise the start to
// open the window for, with every file collected. A hand-over that fails
// returns the start as it is: it opens its own window.
std::optional<TStartArguments> CollectOrHandOver(const TStartArguments& start);
