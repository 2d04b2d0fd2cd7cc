// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalListener.h"

#include "cli/Printable.h"
#include "cli/Terminal.h"

TTerminalListener::TTerminalListener(TTerminal* terminal) : FTerminal(terminal) {}

bool TTerminalListener::MayReplace(const std::string& targetName, bool inPlace) {
  if (FTerminal == nullptr) {
    FRefused = true;
    return false;
  }
  const std::string name = Printable(targetName);
  const std::string question =
      inPlace ? "tolvane: " + name + " is the source itself. Replace it by the result?"
              : "tolvane: " + name + " exists. Replace it?";
  return FTerminal->AskYesNo(question);
}
