// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "job/CryptRequest.h"
#include "job/JobFailure.h"
#include "job/JobListener.h"
#include "platform/FileIO.h"
#include "platform/PendingFile.h"

class TTwofish;
class TWaitBreaker;

// Steps near the end of a run where a test may act (SetStepHook).
enum class TJobStep {
  Synced,     // the result is complete and synced; the stop may still win
  Committed,  // past the point of no return; the result is about to be renamed
};

enum class TJobOutcome {
  NotRun,     // RunJob has not finished
  Succeeded,  // the result is under the target's name
  Declined,   // the user did not agree to replace the target
  Failed,     // the target's name holds what it held before
  Cancelled,  // stopped on request; the target's name holds what it held before
};

// One encryption or decryption of one source file into one target file.
// Plain C++: the window runs it on a QThread, the command line on its own
// thread; both hear of it through IJobListener.
//
// The result is written into a temporary file beside the target and renamed
// over the target's name only when it is complete and on the disk, so a
// failure, a stop or a kill never leaves a partial or wrong file under that
// name, and a source processed in place (target and source one file) is
// replaced only by its complete result. A link as the target leads to the
// file it names, which is replaced; the link stays. A standard output as the
// target is written as the run goes, with no question and no temporary file;
// a decryption holds its last chunk back until the padding is checked, so a
// wrong password still fails, but what was written before stays written. The job derives the key
// and IV from the request's password only when it keys its own cipher, and
// wipes the password then and the cipher's key state after the run.
class TCryptJob {
 public:
  using TProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

  TCryptJob(IJobListener& listener, TCryptRequest request);
  TCryptJob(const TCryptJob&) = delete;
  TCryptJob& operator=(const TCryptJob&) = delete;
  ~TCryptJob();

  // The worker's body. Never throws. Asks MayReplace at most once and
  // reports exactly one of Succeeded or Failed, unless declined or stopped.
  void RunJob();

  // Any thread. The transform stops at its next chunk boundary, and a read
  // or write that waits for a pipe or terminal ends at once; nothing more is
  // reported. Stop and commit are settled by one atomic change of state,
  // between the final sync and the rename: true when the stop won (the run
  // will end Cancelled, the target's name untouched, or it ended before),
  // false when the run had already passed its point of no return: it then
  // ends as if no stop had been asked for, and reports its outcome.
  bool RequestStop() noexcept;
  // A stop that won.
  bool StopRequested() const noexcept;
  // The run passed its point of no return (a stop can no longer win).
  bool PastPointOfNoReturn() const noexcept;
  // A stop was asked for after that point: the result was complete before it.
  bool StoppedTooLate() const noexcept { return FStoppedTooLate.load(std::memory_order_acquire); }

  // Called on the worker at each step of TJobStep, for tests that act
  // exactly there. Set it before RunJob.
  void SetStepHook(std::function<void(TJobStep)> hook);

  // Called on the worker thread after every chunk. Set it before RunJob.
  void SetProgress(TProgress progress);

  // Any thread. NotRun until RunJob has returned.
  TJobOutcome Outcome() const noexcept;
  bool Finished() const noexcept { return Outcome() != TJobOutcome::NotRun; }

  // The cause of a Failed outcome (Kind None otherwise); read it once the
  // job has finished.
  const TJobFailure& Failure() const;

  // The request as given; its password is empty once the cipher is keyed.
  const TCryptRequest& Request() const { return FRequest; }
  // The cipher this job keys; for tests of its wipe.
  const TTwofish& Cipher() const { return FCipher; }

 private:
  TCryptRequest FRequest;

 public:
  // The request's names, which the job's steps and the front ends read.
  const std::string& SourceName = FRequest.SourceName;
  const std::string& TargetName = FRequest.TargetName;

 private:
  // Thrown inside the job when it notices a stop request between steps.
  struct TStopped {};

  TJobOutcome Execute();
  TJobOutcome Recover(const std::exception_ptr& error);
  void CheckFileKinds(const std::string& finalName) const;
  void LockInPlaceSource();
  void OpenStandardInput();
  void CheckLastBlock();
  void WriteToStandardOutput();
  void WriteIntoPendingResult(const std::string& finalName, bool targetExists);
  void Transform(TOutputFile& output);
  void PutInPlace(bool targetExisted);
  void StopPoint() const;
  bool PassPointOfNoReturn();
  void Step(TJobStep step) const;
  void KeyCipher();

  enum class TStopState { Running, Stopped, Committed };

  // 8 KiB of key state: on the heap, not on a worker's stack.
  std::unique_ptr<TTwofish> FOwnCipher;
  TTwofish& FCipher;
  IJobListener& FListener;
  TProgress FProgress;
  std::function<void(TJobStep)> FStepHook;
  std::atomic<TStopState> FState{TStopState::Running};
  std::atomic<bool> FStoppedTooLate{false};
  // Ends waits on the standard streams; only when one of them takes part.
  std::unique_ptr<TWaitBreaker> FBreaker;
  std::atomic<TJobOutcome> FOutcome{TJobOutcome::NotRun};
  TJobFailure FFailure;

  bool FCipherKeyed = false;  // SetIV/SetKey were reached: wipe afterwards
  bool FInPlace = false;      // source and target are one file
  TFileLock FSourceLock;      // held through an in-place run
  // Open when the source is the standard input, or a batch opened it ahead.
  TInputFile FStandardInput;
  TPendingFile FResult;
};
