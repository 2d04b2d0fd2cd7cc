// SPDX-License-Identifier: GPL-3.0-or-later
#include <cctype>

#include "cli/Terminal.h"

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

bool TTerminal::AskYesNo(const std::string& question) {
  for (;;) {
    const std::optional<TSecret> answer = ReadLine(question + " [y/N] ", false);
    if (!answer) {
      WriteStderr("\n");
      return false;
    }
    const std::string word = Lower(std::string(answer->view()));
    if (word == "y" || word == "yes") return true;
    if (word.empty() || word == "n" || word == "no") return false;
  }
}
