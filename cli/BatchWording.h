// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "batch/BatchCause.h"
#include "batch/BatchPlan.h"

// The command line's English for what a batch reports as causes.

// What follows "NAME: " for a note of the plan. Names other than the note's
// own are made printable; the words hold no backslash or control character.
std::string NoteWhy(const TBatchNote& note);

// One line for a conflict, names not yet made printable.
std::string ConflictLine(const TPlanConflict& conflict);

// The whole line for an item refused just before it would run.
std::string RefusalLine(const TItemRefusal& refusal, const TBatchItem& item);
