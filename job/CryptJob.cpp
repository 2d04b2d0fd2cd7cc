// SPDX-License-Identifier: GPL-3.0-or-later
#include "job/CryptJob.h"

#include <algorithm>
#include <thread>

#include "job/FailureCause.h"
#include "job/KeyDerivation.h"
#include "platform/FileError.h"
#include "platform/FileIO.h"
#include "platform/FileSystem.h"
#include "platform/NativeFile.h"
#include "platform/SystemError.h"
#include "platform/WaitBreaker.h"
#include "sha/SHA.h"
#include "twofish/Twofish.h"

namespace {

[[noreturn]] void Fail(TFailureKind kind, std::error_code errorCode = {}) {
  throw EJobFailure(OsFailure(kind, errorCode));
}

// What the job records for a source or target that is no regular file: a
// folder is what opening it would have refused.
std::error_code DirectoryCode(TFileKind kind) {
  return kind == TFileKind::Directory ? make_error_code(TFileError::IsDirectory)
                                      : std::error_code();
}

}  // namespace

TCryptJob::TCryptJob(IJobListener& listener, TCryptRequest request)
    : FRequest(std::move(request)),
      FOwnCipher(std::make_unique<TTwofish>()),
      FCipher(*FOwnCipher),
      FListener(listener) {
  // The settings both front ends share, so that either one decrypts what the
  // other encrypted.
  FCipher.SetKeySize(TKeySize::Large256);
  FCipher.SetStringMode(TStringMode::smEncode);
  FCipher.SetCipherMode(FRequest.Mode == TChainMode::ECB ? TCipherMode::ECB : TCipherMode::CBC);
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  FCipher.SetThreads(FRequest.Threads > 0 ? FRequest.Threads : cores);
  FCipher.SetLegacyPadding(FRequest.LegacyPadding);
  // A pipe or terminal may keep a read or write waiting without end.
  if (FRequest.SourceKind == TStreamKind::StandardStream ||
      FRequest.TargetKind == TStreamKind::StandardStream) {
    FBreaker = std::make_unique<TWaitBreaker>();
  }
}

TCryptJob::~TCryptJob() { FCipher.Wipe(); }

bool TCryptJob::RequestStop() noexcept {
  TStopState expected = TStopState::Running;
  if (!FState.compare_exchange_strong(expected, TStopState::Stopped, std::memory_order_acq_rel) &&
      expected == TStopState::Committed) {
    FStoppedTooLate.store(true, std::memory_order_release);
    return false;
  }
  if (FBreaker) FBreaker->Break();
  return true;
}

bool TCryptJob::StopRequested() const noexcept {
  return FState.load(std::memory_order_acquire) == TStopState::Stopped;
}

bool TCryptJob::PastPointOfNoReturn() const noexcept {
  return FState.load(std::memory_order_acquire) == TStopState::Committed;
}

void TCryptJob::SetStepHook(std::function<void(TJobStep)> hook) { FStepHook = std::move(hook); }

void TCryptJob::Step(TJobStep step) const {
  if (FStepHook) FStepHook(step);
}

// The one place where a stop and the commit meet: whichever changes the
// state first decides the run. False when the stop won.
bool TCryptJob::PassPointOfNoReturn() {
  TStopState expected = TStopState::Running;
  return FState.compare_exchange_strong(expected, TStopState::Committed, std::memory_order_acq_rel);
}

void TCryptJob::SetProgress(TProgress progress) { FProgress = std::move(progress); }

TJobOutcome TCryptJob::Outcome() const noexcept { return FOutcome.load(std::memory_order_acquire); }

const TJobFailure& TCryptJob::Failure() const { return FFailure; }

void TCryptJob::KeyCipher() {
  TSHA sha;
  sha.SetHashType(THashType::htSHA1);
  const TKeyTexts texts =
      DeriveKeyTexts(FRequest.Password, FRequest.Hashing == TPasswordHashing::UseHashes, sha);
  FRequest.Password.clear();
  FCipher.SetIV(texts.IVText.str());
  FCipher.SetKey(texts.KeyText.str());
}

void TCryptJob::StopPoint() const {
  if (StopRequested()) throw TStopped{};
}

void TCryptJob::RunJob() {
  TJobOutcome outcome = TJobOutcome::Failed;
  try {
    outcome = Execute();
  } catch (...) {
    try {
      outcome = Recover(std::current_exception());
    } catch (...) {
      // Only the listener itself can get here; the outcome is decided.
    }
  }
  FResult.Discard();
  // Nothing more is read: a read ahead that still waits for a pipe, after
  // a failure elsewhere, must not hold the end of the run.
  if (FBreaker) FBreaker->Break();
  FStandardInput.Close();
  FSourceLock.Unlock();
  FRequest.Password.clear();
  FOutcome.store(outcome, std::memory_order_release);
}

TJobOutcome TCryptJob::Execute() {
  // A stop before anything happened touches nothing.
  if (StopRequested()) return TJobOutcome::Cancelled;

  const bool fromStdin = FRequest.SourceKind == TStreamKind::StandardStream;
  const bool toStdout = FRequest.TargetKind == TStreamKind::StandardStream;
  // The file a link names is the one replaced; the link stays.
  const std::string finalName = toStdout ? std::string() : ResolveLinks(TargetName);
  CheckFileKinds(finalName);
  FInPlace = !fromStdin && !toStdout && SameFile(SourceName, finalName);
  if (FInPlace) LockInPlaceSource();

  const bool targetExists = !toStdout && (FInPlace || KindOf(finalName) == TFileKind::Regular);
  if (targetExists && FRequest.Replace == TReplacePolicy::Ask) {
    const bool replace = FListener.MayReplace(TargetName, FInPlace);
    if (StopRequested()) return TJobOutcome::Cancelled;
    if (!replace) return TJobOutcome::Declined;
  }

  FCipherKeyed = true;
  KeyCipher();
  StopPoint();
  if (fromStdin) OpenStandardInput();
  // A batch's file found in a folder: the one planned, never what a link
  // or another file put in its place meanwhile.
  if (!fromStdin && !FRequest.SourceBelow.empty()) {
    TOpenedFile opened;
    if (const std::error_code error = OpenBelow(FRequest.SourceFolder, FRequest.SourceBelow,
                                                FRequest.SourceIdentity, opened)) {
      Fail(TFailureKind::InputNotFound, error);
    }
    FStandardInput.Adopt(opened);
  }
  // A wrong password, mode or hashing choice shows in the last block: refuse
  // it before anything is written, however large the file.
  if (FRequest.Direction == TDirection::Decrypt) CheckLastBlock();

  if (toStdout) {
    WriteToStandardOutput();
  } else {
    WriteIntoPendingResult(finalName, targetExists);
  }

  FCipher.Wipe();
  FCipherKeyed = false;
  // Past the point of no return the run has succeeded, whatever was asked
  // for after it, and says so.
  FListener.Succeeded(TargetName);
  return TJobOutcome::Succeeded;
}

void TCryptJob::CheckFileKinds(const std::string& finalName) const {
  // Found by the names alone: opening a FIFO could wait forever.
  if (FRequest.SourceKind == TStreamKind::NamedFile) {
    const TFileKind source = KindOf(SourceName);
    if (source != TFileKind::Regular && source != TFileKind::Missing) {
      Fail(TFailureKind::SourceNotRegular, DirectoryCode(source));
    }
  }
  if (FRequest.TargetKind == TStreamKind::NamedFile) {
    const TFileKind target = KindOf(finalName);
    if (target != TFileKind::Regular && target != TFileKind::Missing) {
      Fail(TFailureKind::TargetNotRegular, DirectoryCode(target));
    }
  }
}

void TCryptJob::LockInPlaceSource() {
  const std::error_code error = FSourceLock.TryLock(SourceName);
  if (IsBusyError(error)) Fail(TFailureKind::FileBusy);
  if (error) Fail(TFailureKind::InputNotFound, error);
}

void TCryptJob::OpenStandardInput() {
  if (const std::error_code error = FStandardInput.OpenStandardInput()) {
    Fail(TFailureKind::InputNotFound, error);
  }
  FStandardInput.BreakWaitsBy(*FBreaker);
}

void TCryptJob::CheckLastBlock() {
  if (!FStandardInput.IsOpen()) {
    FCipher.CheckLastBlock(SourceName);
  } else if (FStandardInput.HasSize()) {
    // A file behind the standard input can be judged like any other; a pipe
    // only as its last chunk arrives.
    FCipher.CheckLastBlock(FStandardInput);
  }
}

void TCryptJob::WriteToStandardOutput() {
  TOutputFile output;
  if (const std::error_code error = output.OpenStandardOutput()) {
    Fail(TFailureKind::OutputNotCreated, error);
  }
  output.BreakWaitsBy(*FBreaker);
  // Nothing written can be taken back; the run counts as done only when all
  // of it was written before a stop.
  Transform(output);
  if (!PassPointOfNoReturn()) throw TStopped{};
}

void TCryptJob::WriteIntoPendingResult(const std::string& finalName, bool targetExists) {
  RemoveStaleTemporaries(finalName);
  if (const std::error_code error = FResult.Create(finalName)) {
    Fail(TFailureKind::OutputNotCreated, error);
  }
  // Into the file the pending result created and holds, not whatever its
  // name reaches by now.
  TOutputFile output;
  if (const std::error_code error = FResult.OpenOutput(output)) {
    Fail(TFailureKind::OutputNotCreated, error);
  }
  Transform(output);
  // The last chance to take the run back; after this it counts as done.
  StopPoint();
  PutInPlace(targetExists);
}

void TCryptJob::Transform(TOutputFile& output) {
  const TProgressHook hook = [this](std::uint64_t done, std::uint64_t total) {
    if (FProgress) FProgress(done, total);
    return !StopRequested();
  };
  const bool encrypt = FRequest.Direction == TDirection::Encrypt;
  if (FStandardInput.IsOpen()) {
    if (encrypt) {
      FCipher.EncryptFile(FStandardInput, output, hook);
    } else {
      FCipher.DecryptFile(FStandardInput, output, hook);
    }
  } else if (encrypt) {
    FCipher.EncryptFile(SourceName, output, hook);
  } else {
    FCipher.DecryptFile(SourceName, output, hook);
  }
}

void TCryptJob::PutInPlace(bool targetExisted) {
  // The result takes the source's permissions, so a private file stays
  // private; in place it keeps its owner and group as well. What comes from
  // the standard input has none to give and stays private.
  TFileAttributes attributes;
  if (FRequest.SourceKind == TStreamKind::NamedFile) attributes = AttributesOf(SourceName);
  if (!FInPlace) attributes.HasOwner = false;
  // A name that was free when the run began may be taken meanwhile: that file
  // was never agreed to be replaced.
  const TReplaceMode mode = targetExisted ? TReplaceMode::Replace : TReplaceMode::NoReplace;
  if (FInPlace) FSourceLock.BeforeReplace();
  // Between the final sync and the rename: the sync takes time, and a stop
  // asked for meanwhile still leaves the target as it was.
  bool stopWon = false;
  const std::error_code error = FResult.Commit(attributes, mode, [this, &stopWon] {
    Step(TJobStep::Synced);
    stopWon = !PassPointOfNoReturn();
    if (!stopWon) Step(TJobStep::Committed);
    return !stopWon;
  });
  if (stopWon) throw TStopped{};
  if (!error) return;
  if (IsNameTakenError(error) && mode == TReplaceMode::NoReplace)
    Fail(TFailureKind::TargetAppeared);
  // Syncing is where a full disk or a failing device may show at last.
  Fail(IsStorageError(error) ? TFailureKind::ReadWrite : TFailureKind::NotReplaced, error);
}

TJobOutcome TCryptJob::Recover(const std::exception_ptr& error) {
  const bool cancelled = StopRequested();
  // Nothing of a failed or stopped run reaches the target's name.
  FResult.Discard();
  if (FCipherKeyed) FCipher.Wipe();
  if (cancelled) return TJobOutcome::Cancelled;
  try {
    std::rethrow_exception(error);
  } catch (const TStopped&) {
    return TJobOutcome::Cancelled;
  } catch (...) {
  }
  FFailure = DescribeFailure(error);
  FListener.Failed(FFailure);
  return TJobOutcome::Failed;
}
