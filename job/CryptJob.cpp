#include "job/CryptJob.h"

#include <string_view>

#include "job/FailureText.h"
#include "job/JobMessages.h"
#include "twofish/Twofish.h"
#include "util/SecureWipe.h"

namespace {

std::string OverwriteQuestion(const std::string& targetName) {
  const std::string_view pattern = JobText::OverwriteQuestion;
  const auto slot = pattern.find("%s");
  std::string text(pattern.substr(0, slot));
  text += targetName;
  text += pattern.substr(slot + 2);
  return text;
}

}  // namespace

TCryptJob::TCryptJob(TTwofish& cipher, IUserPrompt& prompt, bool encrypt, bool overwrite,
                     std::string sourceName, std::string targetName, std::string ivText,
                     std::string keyText)
    : Encrypt(encrypt),
      Overwrite(overwrite),
      SourceName(std::move(sourceName)),
      TargetName(std::move(targetName)),
      IVText(std::move(ivText)),
      KeyText(std::move(keyText)),
      FCipher(cipher),
      FPrompt(prompt) {}

TCryptJob::~TCryptJob() { WipeTexts(); }

void TCryptJob::RequestStop() noexcept { FStop.store(true, std::memory_order_release); }

bool TCryptJob::StopRequested() const noexcept { return FStop.load(std::memory_order_acquire); }

void TCryptJob::SetProgress(TProgress progress) { FProgress = std::move(progress); }

TJobOutcome TCryptJob::Outcome() const noexcept { return FOutcome.load(std::memory_order_acquire); }

const TJobFailure& TCryptJob::Failure() const { return FFailure; }

std::string TCryptJob::IncompleteTarget() const { return FIncompleteTarget; }

void TCryptJob::WipeTexts() noexcept {
  SecureWipeString(IVText);
  SecureWipeString(KeyText);
}

void TCryptJob::StopPoint() const {
  if (StopRequested()) throw TStopped{};
}

int TCryptJob::Tell(const std::string& text, const char* caption, unsigned flags) {
  // A stopped job says nothing more; the window has already moved on.
  if (StopRequested()) return idCancel;
  return FPrompt.ShowMessage(text, caption, flags);
}

void TCryptJob::RunJob() {
  TJobOutcome outcome = TJobOutcome::Failed;
  try {
    outcome = Execute();
  } catch (...) {
    try {
      outcome = Recover(std::current_exception());
    } catch (...) {
      // Only the message box itself can get here; the outcome is decided.
    }
  }
  WipeTexts();
  FOutcome.store(outcome, std::memory_order_release);
}

TJobOutcome TCryptJob::Execute() {
  // A stop before anything happened touches nothing.
  if (StopRequested()) return TJobOutcome::Cancelled;

  if (!Overwrite && FileExists(TargetName)) {
    const int answer = Tell(OverwriteQuestion(TargetName), JobText::OverwriteCaption,
                            mb::YESNO | mb::ICONQUESTION);
    if (StopRequested()) return TJobOutcome::Cancelled;
    if (answer == idNo) return TJobOutcome::Declined;
  }

  FCipherKeyed = true;
  FCipher.SetIV(IVText);
  FCipher.SetKey(KeyText);
  WipeTexts();
  StopPoint();

  // Source and target are one file: the transform reads a verified copy and
  // writes the result into the file itself. The file is not removed first:
  // it keeps its links, owner and permissions (a private file does not come
  // back readable for everyone), and a failure or a stop writes the copy
  // back into it.
  FInPlace = SameFile(SourceName, TargetName);
  std::string inputName = SourceName;
  if (FInPlace) {
    if (!FCopy.Make(SourceName, [this] { return !StopRequested(); })) throw TStopped{};
    StopPoint();
    inputName = FCopy.Name();
  }

  Transform(inputName);
  // The last chance to take the run back; after this it counts as done.
  StopPoint();

  FCopy.Remove();
  FCipher.Wipe();
  FCipherKeyed = false;
  Tell(JobText::SuccessPrefix + TargetName + JobText::SuccessMiddle + JobText::SuccessSuffix,
       JobText::SuccessCaption, mb::OK | mb::ICONINFORMATION);
  return TJobOutcome::Succeeded;
}

void TCryptJob::Transform(const std::string& inputName) {
  const TProgressHook hook = [this](std::uint64_t done, std::uint64_t total) {
    ++FChunks;
    if (FProgress) FProgress(done, total);
    return !StopRequested();
  };
  FTargetBefore = StampOf(TargetName);
  FTransformStarted = true;
  if (Encrypt) {
    FCipher.EncryptFile(inputName, TargetName, hook);
  } else {
    FCipher.DecryptFile(inputName, TargetName, hook);
  }
}

bool TCryptJob::TargetTouched() const {
  // The transform creates or empties the target only after it has opened the
  // input (and, decrypting, checked its size); failures before that leave
  // the target exactly as it was.
  return FTransformStarted && (FChunks > 0 || StampOf(TargetName) != FTargetBefore);
}

TJobOutcome TCryptJob::Recover(const std::exception_ptr& error) {
  const bool cancelled = StopRequested();
  if (FCipherKeyed) FCipher.Wipe();

  TJobFailure failure;
  if (!cancelled) failure = DescribeFailure(error);

  const bool touched = TargetTouched();
  if (FInPlace) {
    if (touched) {
      TJobFailure restore;
      if (!FCopy.RestoreTo(SourceName, restore)) {
        // The failed restore is what the user must hear of; the original
        // cause, if any, goes before it.
        if (!failure.Details.empty()) restore.Details = failure.Details + "\r\n" + restore.Details;
        failure = std::move(restore);
      }
    } else {
      FCopy.Remove();
    }
  } else if (touched && FileExists(TargetName)) {
    // A partial or wrong result must not pass for one. After a stop the
    // caller decides; the target is closed by now.
    if (cancelled) {
      FIncompleteTarget = TargetName;
    } else {
      DeleteFile(TargetName);
    }
  }

  if (cancelled && failure.Kind != TFailureKind::Restore) return TJobOutcome::Cancelled;
  FFailure = std::move(failure);
  const std::string text =
      std::string(JobText::FailureIntro) + JobText::FailureDetails + FFailure.Details;
  if (FFailure.Kind == TFailureKind::Restore) {
    // Reported even after a stop: the user's data now lives only in the copy.
    FPrompt.ShowMessage(text, JobText::FailureCaption, mb::OK | mb::ICONERROR);
  } else {
    // A stop that came while the failure was being handled silences it too.
    Tell(text, JobText::FailureCaption, mb::OK | mb::ICONERROR);
  }
  return TJobOutcome::Failed;
}
