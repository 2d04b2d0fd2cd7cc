// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "batch/BatchPlan.h"

class TTerminal;

// What becomes of an item's target, decided before any file of the batch
// runs.
enum class TTargetChoice {
  Write,        // no file of that name: written; one that appears meanwhile is kept
  Replace,      // replaced, with --force or after a yes
  Keep,         // exists and the user said no
  KeepUnasked,  // exists and there was nobody to ask
};

// One choice per item, in plan order. --force replaces every target; on a
// terminal each existing one is asked about (yes, no, all, none; all and
// none answer for the rest); without one each is kept. The end of input or
// a stop signal at the question keeps the rest. terminal may be null.
std::vector<TTargetChoice> DecideExistingTargets(const std::vector<TBatchItem>& items, bool force,
                                                 TTerminal* terminal);
