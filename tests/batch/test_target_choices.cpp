// SPDX-License-Identifier: GPL-3.0-or-later
// Which existing targets a batch replaces, asked once each before anything
// runs, with All and None answering for the rest.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/TargetChoices.h"

namespace {

using enum TTargetChoice;
using A = TTargetAnswer;

TEST(TargetChoices, ForceWritesFreeTargetsAndAsksAboutEachExistingOneUntilAllOrNone) {
  struct TCase {
    const char* Name;
    std::vector<bool> Exists;
    bool ReplaceAll;
    bool CanAsk;
    std::vector<A> Answers;  // given in turn
    std::vector<TTargetChoice> Expected;
    std::size_t Asked;
  };
  const TCase cases[] = {
      {"free targets are written", {false, false}, false, true, {}, {Write, Write}, 0},
      {"replace-all asks nothing", {true, false}, true, true, {}, {Replace, Replace}, 0},
      {"nobody to ask keeps",
       {true, false, true},
       false,
       false,
       {},
       {KeepUnasked, Write, KeepUnasked},
       0},
      {"each asked", {true, true}, false, true, {A::No, A::Yes}, {Keep, Replace}, 2},
      {"all answers for the rest",
       {true, false, true, true},
       false,
       true,
       {A::All},
       {Replace, Write, Replace, Replace},
       1},
      {"none answers for the rest",
       {true, true, true},
       false,
       true,
       {A::Yes, A::None},
       {Replace, Keep, Keep},
       2},
  };
  for (const TCase& c : cases) {
    std::vector<TBatchItem> items;
    for (std::size_t i = 0; i < c.Exists.size(); ++i) {
      TBatchItem item;
      item.Target = std::string(1, static_cast<char>('a' + i));
      item.TargetExists = c.Exists[i];
      items.push_back(item);
    }
    std::vector<std::string> asked;
    TTargetAsker ask;
    if (c.CanAsk) {
      ask = [&](const TBatchItem& item) {
        asked.push_back(item.Target);
        return c.Answers.at(asked.size() - 1);
      };
    }
    EXPECT_EQ(DecideTargets(items, c.ReplaceAll, ask), c.Expected) << c.Name;
    EXPECT_EQ(asked.size(), c.Asked) << c.Name;
  }
}

}  // namespace
