// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "batch/BatchPlan.h"
#include "batch/TargetChoices.h"

class TTerminal;

// One choice per item, in plan order. --force replaces every target; on a
// terminal each existing one is asked about (yes, no, all, none; all and
// none answer for the rest); without one each is kept. The end of input or
// a stop signal at the question keeps the rest. terminal may be null.
std::vector<TTargetChoice> DecideExistingTargets(const std::vector<TBatchItem>& items, bool force,
                                                 TTerminal* terminal);
