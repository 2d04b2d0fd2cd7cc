// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/JobMessageBoxes.h"

#include <string_view>

#include "platform/SystemError.h"
#include "window/JobMessages.h"
#include "window/UserPrompt.h"

namespace {

// The system's text when the file layer named the cause, else the sentence.
std::string OsTextOr(const TJobFailure& failure, const char* sentence) {
  return failure.ErrorCode ? SystemErrorText(failure.ErrorCode) : std::string(sentence);
}

// For failures during writing: the sentence or OS text, then the assurance
// that the target was not touched.
std::string Unchanged(std::string cause) { return cause + "\r\n" + JobText::TargetUnchanged; }

}  // namespace

std::string OverwriteQuestion(const std::string& targetName) {
  const std::string_view pattern = JobText::OverwriteQuestion;
  const auto slot = pattern.find("%s");
  std::string text(pattern.substr(0, slot));
  text += targetName;
  text += pattern.substr(slot + 2);
  return text;
}

std::string FailureDetails(const TJobFailure& failure) {
  switch (failure.Kind) {
    case TFailureKind::KeyLength: return JobText::KeyLength;
    case TFailureKind::KeyNotReady: return JobText::KeyNotReady;
    case TFailureKind::InputNotFound: return OsTextOr(failure, JobText::InputNotFound);
    case TFailureKind::SourceNotRegular: return JobText::SourceNotRegular;
    case TFailureKind::TargetNotRegular: return JobText::TargetNotRegular;
    case TFailureKind::FileBusy: return JobText::FileBusy;
    case TFailureKind::OutputNotCreated:
      return Unchanged(JobText::TempNotCreated + OsTextOr(failure, JobText::OutputNotCreated) +
                       ".");
    case TFailureKind::ReadWrite: return Unchanged(OsTextOr(failure, JobText::ReadWrite));
    case TFailureKind::ShortWrite: return Unchanged(JobText::ShortWrite);
    case TFailureKind::InvalidSize: return JobText::InvalidSize;
    case TFailureKind::InvalidPadding: return JobText::InvalidPadding;
    case TFailureKind::TargetAppeared: return JobText::TargetAppeared;
    case TFailureKind::NotReplaced:
      return Unchanged(JobText::NotReplaced + OsTextOr(failure, JobText::Unknown) + ".");
    case TFailureKind::OutOfMemory: return Unchanged(JobText::OutOfMemory);
    case TFailureKind::None:
    case TFailureKind::Other: break;
  }
  return OsTextOr(failure, JobText::Unknown);
}

bool TJobMessageBoxes::MayReplace(const std::string& targetName, bool /*inPlace*/) {
  return FPrompt.ShowMessage(OverwriteQuestion(targetName), JobText::OverwriteCaption,
                             mb::YESNO | mb::ICONQUESTION) != idNo;
}

void TJobMessageBoxes::Succeeded(const std::string& targetName) {
  FPrompt.ShowMessage(
      JobText::SuccessPrefix + targetName + JobText::SuccessMiddle + JobText::SuccessSuffix,
      JobText::SuccessCaption, mb::OK | mb::ICONINFORMATION);
}

void TJobMessageBoxes::Failed(const TJobFailure& failure) {
  FPrompt.ShowMessage(
      std::string(JobText::FailureIntro) + JobText::FailureDetails + FailureDetails(failure),
      JobText::FailureCaption, mb::OK | mb::ICONERROR);
}
