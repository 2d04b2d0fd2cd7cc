// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ExistingTargets.h"

#include <cctype>
#include <optional>

#include "cli/Printable.h"
#include "cli/Terminal.h"

namespace {

std::optional<TTargetAnswer> ParseAnswer(std::string word) {
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (word == "y" || word == "yes") return TTargetAnswer::Yes;
  // An empty line keeps the file, as the single question's default does.
  if (word.empty() || word == "n" || word == "no") return TTargetAnswer::No;
  if (word == "a" || word == "all") return TTargetAnswer::All;
  if (word == "o" || word == "none") return TTargetAnswer::None;
  return std::nullopt;
}

TTargetAnswer Ask(TTerminal& terminal, const std::string& target) {
  const std::string question =
      "tolvane: " + Printable(target) + " exists; replace it? [y]es/[n]o/[a]ll/n[o]ne: ";
  for (;;) {
    const std::optional<TSecret> line = terminal.ReadLine(question, false);
    if (!line) {
      WriteStderr("\n");
      return TTargetAnswer::None;
    }
    if (const auto answer = ParseAnswer(std::string(line->view()))) return *answer;
  }
}

}  // namespace

std::vector<TTargetChoice> DecideExistingTargets(const std::vector<TBatchItem>& items, bool force,
                                                 TTerminal* terminal) {
  TTargetAsker ask;
  if (terminal != nullptr)
    ask = [terminal](const TBatchItem& item) { return Ask(*terminal, item.Target); };
  return DecideTargets(items, force, ask);
}
