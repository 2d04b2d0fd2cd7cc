// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <string>

#include "job/JobListener.h"

class TTerminal;

// Hears the job for the command line. The one question, whether to replace
// an existing target, is asked on the terminal in English; without a
// terminal the answer is no and the refusal is remembered, so that the
// caller can say why. Outcomes are reported by the caller from the job's
// outcome and failure, once the progress line is gone.
class TTerminalListener : public IJobListener {
 public:
  // terminal is null when standard input is not a terminal.
  explicit TTerminalListener(TTerminal* terminal);

  bool MayReplace(const std::string& targetName, bool inPlace) override;
  void Succeeded(const std::string& /*targetName*/) override {}
  void Failed(const TJobFailure& /*failure*/) override {}

  // The replace question came up with nobody to answer it.
  bool RefusedWithoutTerminal() const { return FRefused.load(); }

 private:
  TTerminal* FTerminal;
  std::atomic<bool> FRefused{false};
};
