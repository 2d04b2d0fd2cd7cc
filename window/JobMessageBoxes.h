// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "job/JobListener.h"

class IUserPrompt;

// Words what a job reports as the window's German message boxes: the replace
// question, the success message and the failure message with its details.
class TJobMessageBoxes final : public IJobListener {
 public:
  explicit TJobMessageBoxes(IUserPrompt& prompt) : FPrompt(prompt) {}

  bool MayReplace(const std::string& targetName, bool inPlace) override;
  void Succeeded(const std::string& targetName) override;
  void Failed(const TJobFailure& failure) override;

 private:
  IUserPrompt& FPrompt;
};

// The text after "Details:" for a failure: a German sentence naming the
// cause, with the system's text where the OS reported it.
std::string FailureDetails(const TJobFailure& failure);
// The question before an existing target is replaced.
std::string OverwriteQuestion(const std::string& targetName);
