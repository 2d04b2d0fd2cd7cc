// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <vector>

#include "batch/BatchPlan.h"

// What becomes of an item's target, decided before any file of the batch
// runs.
enum class TTargetChoice {
  Write,        // no file of that name: written; one that appears meanwhile is kept
  Replace,      // replaced, told to or after a yes
  Keep,         // exists and the user said no
  KeepUnasked,  // exists and there was nobody to ask
};

// The user's answer about one existing target; All and None answer for the
// rest as well.
enum class TTargetAnswer { Yes, No, All, None };

// Asks about one item whose target exists; each front end words it.
using TTargetAsker = std::function<TTargetAnswer(const TBatchItem& item)>;

// One choice per item, in plan order. replaceAll replaces every target;
// else each existing one is asked about, or kept unasked when ask is empty.
std::vector<TTargetChoice> DecideTargets(const std::vector<TBatchItem>& items, bool replaceAll,
                                         const TTargetAsker& ask);
