// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct TStartArguments;

// Shows the window the start asks for, the main window or the window for
// many files, as the one window of the process, and runs the message loop
// until it closes. Returns the process's exit code.
int RunWindow(const TStartArguments& start);
