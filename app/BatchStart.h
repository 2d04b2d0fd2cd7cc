// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct TStartArguments;

// Shows the window for many files with what the start named, as the one
// window of the process, and runs the application until it closes. The
// application object exists already.
int RunBatchWindow(const TStartArguments& start);
