// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "win32app/Win32Gui.h"
#include "window/BatchView.h"

// The question about an existing target in a batch, as a task dialog with
// "Ja", "Nein", "Alle" and "Keine", German on every system; Escape and the
// close box answer Cancel. GUI thread only; owner may be null.
TReplaceAnswer AskReplaceWithTaskDialog(HWND owner, const std::string& question);
