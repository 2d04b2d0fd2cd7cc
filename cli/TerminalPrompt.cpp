#include "cli/TerminalPrompt.h"

#include "cli/Terminal.h"
#include "platform/FileSystem.h"

TTerminalPrompt::TTerminalPrompt(TTerminal* terminal, std::string sourceName,
                                 std::string targetName)
    : FTerminal(terminal), FSourceName(std::move(sourceName)), FTargetName(std::move(targetName)) {}

int TTerminalPrompt::ShowMessage(const std::string& /*text*/, const std::string& /*caption*/,
                                 unsigned flags) {
  if ((flags & mb::ButtonMask) != mb::YESNO) return idOK;
  if (FTerminal == nullptr) {
    FRefused = true;
    return idNo;
  }
  const std::string question =
      SameFile(FSourceName, FTargetName)
          ? "tolvane: " + FTargetName + " is the source itself. Replace it by the result?"
          : "tolvane: " + FTargetName + " exists. Replace it?";
  return FTerminal->AskYesNo(question) ? idYes : idNo;
}
