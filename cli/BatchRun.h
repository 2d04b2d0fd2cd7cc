// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CommandLine.h"

// A batch (TCliOptions::Batch): every operand is a source, planned first,
// refused as a whole when two sources share a target; existing targets are
// settled and the password asked once before any file runs; then up to
// --threads files (at most 8) run at once. Returns the exit status; ends the
// process by a stop signal instead when one interrupted the work.
int RunBatch(const TCliOptions& options);
