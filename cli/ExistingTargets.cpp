// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ExistingTargets.h"

#include <cctype>
#include <optional>

#include "cli/Printable.h"
#include "cli/Terminal.h"

namespace {

enum class TAnswer { Yes, No, All, None };

std::optional<TAnswer> ParseAnswer(std::string word) {
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (word == "y" || word == "yes") return TAnswer::Yes;
  // An empty line keeps the file, as the single question's default does.
  if (word.empty() || word == "n" || word == "no") return TAnswer::No;
  if (word == "a" || word == "all") return TAnswer::All;
  if (word == "o" || word == "none") return TAnswer::None;
  return std::nullopt;
}

TAnswer Ask(TTerminal& terminal, const std::string& target) {
  const std::string question =
      "tolvane: " + Printable(target) + " exists; replace it? [y]es/[n]o/[a]ll/n[o]ne: ";
  for (;;) {
    const std::optional<TSecret> line = terminal.ReadLine(question, false);
    if (!line) {
      WriteStderr("\n");
      return TAnswer::None;
    }
    if (const auto answer = ParseAnswer(std::string(line->view()))) return *answer;
  }
}

}  // namespace

std::vector<TTargetChoice> DecideExistingTargets(const std::vector<TBatchItem>& items, bool force,
                                                 TTerminal* terminal) {
  std::vector<TTargetChoice> choices;
  choices.reserve(items.size());
  std::optional<TTargetChoice> forTheRest;
  for (const TBatchItem& item : items) {
    if (force) {
      choices.push_back(TTargetChoice::Replace);
    } else if (!item.TargetExists) {
      choices.push_back(TTargetChoice::Write);
    } else if (terminal == nullptr) {
      choices.push_back(TTargetChoice::KeepUnasked);
    } else if (forTheRest) {
      choices.push_back(*forTheRest);
    } else {
      const TAnswer answer = Ask(*terminal, item.Target);
      if (answer == TAnswer::All) forTheRest = TTargetChoice::Replace;
      if (answer == TAnswer::None) forTheRest = TTargetChoice::Keep;
      const bool replace = answer == TAnswer::Yes || answer == TAnswer::All;
      choices.push_back(replace ? TTargetChoice::Replace : TTargetChoice::Keep);
    }
  }
  return choices;
}
