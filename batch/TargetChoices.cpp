// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/TargetChoices.h"

#include <optional>

std::vector<TTargetChoice> DecideTargets(const std::vector<TBatchItem>& items, bool replaceAll,
                                         const TTargetAsker& ask) {
  std::vector<TTargetChoice> choices;
  choices.reserve(items.size());
  std::optional<TTargetChoice> forTheRest;
  for (const TBatchItem& item : items) {
    if (replaceAll) {
      choices.push_back(TTargetChoice::Replace);
    } else if (!item.TargetExists) {
      choices.push_back(TTargetChoice::Write);
    } else if (!ask) {
      choices.push_back(TTargetChoice::KeepUnasked);
    } else if (forTheRest) {
      choices.push_back(*forTheRest);
    } else {
      const TTargetAnswer answer = ask(item);
      if (answer == TTargetAnswer::All) forTheRest = TTargetChoice::Replace;
      if (answer == TTargetAnswer::None) forTheRest = TTargetChoice::Keep;
      const bool replace = answer == TTargetAnswer::Yes || answer == TTargetAnswer::All;
      choices.push_back(replace ? TTargetChoice::Replace : TTargetChoice::Keep);
    }
  }
  return choices;
}
