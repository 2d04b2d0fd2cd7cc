#pragma once

#include <atomic>
#include <string>

#include "job/UserPrompt.h"

class TTerminal;

// Answers the job's questions for the command line. The job's only question
// is whether to replace an existing target: on a terminal the user is asked
// in English; elsewhere the answer is No and the refusal is remembered, so
// that the caller can say why. The job's outcome messages are German texts
// for the window; the command line words its own from the job's outcome and
// failure, so they are not shown here.
class TTerminalPrompt : public IUserPrompt {
 public:
  // terminal is null when standard input is not a terminal.
  TTerminalPrompt(TTerminal* terminal, std::string sourceName, std::string targetName);

  int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override;

  // The overwrite question came up with nobody to answer it.
  bool RefusedWithoutTerminal() const { return FRefused.load(); }

 private:
  TTerminal* FTerminal;
  std::string FSourceName;
  std::string FTargetName;
  std::atomic<bool> FRefused{false};
};
