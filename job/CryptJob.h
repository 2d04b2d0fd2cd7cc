#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "job/InPlaceCopy.h"
#include "job/JobFailure.h"
#include "job/UserPrompt.h"
#include "platform/FileSystem.h"

class TTwofish;

enum class TJobOutcome {
  NotRun,     // RunJob has not finished
  Succeeded,  // success message shown
  Declined,   // the user answered No to the overwrite question
  Failed,     // failure message shown
  Cancelled,  // stopped on request; no message shown
};

// One encryption or decryption of one source file into one target file.
// Plain C++: the window runs it on a QThread, the command line on its own
// thread; both answer its questions through IUserPrompt.
//
// When source and target are one file (equal names, or two names of one
// file on disk), the transform reads a verified copy in the temporary
// directory and writes into the file itself; a failure or a stop writes the
// copy back. A failure elsewhere removes the target the transform wrote.
// The cipher's key state is wiped whenever the job keyed it.
//
// A stop seen before the result is complete ends the job as Cancelled
// without a message, the source restored when it is the target. The one
// exception: when even that restore fails, the job reports Failed (Kind
// Restore) with the copy's name, since the user's data now lives only there.
class TCryptJob {
 public:
  using TProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

  TCryptJob(TTwofish& cipher, IUserPrompt& prompt, bool encrypt, bool overwrite,
            std::string sourceName, std::string targetName, std::string ivText,
            std::string keyText);
  TCryptJob(const TCryptJob&) = delete;
  TCryptJob& operator=(const TCryptJob&) = delete;
  ~TCryptJob();  // wipes the IV and key texts

  // The worker's body. Never throws. Calls the prompt for the overwrite
  // question and for exactly one outcome message, unless stopped.
  void RunJob();

  // Any thread. The transform stops at its next chunk boundary; a running
  // in-place job restores its source; no further message is shown.
  void RequestStop() noexcept;
  bool StopRequested() const noexcept;

  // Called on the worker thread after every chunk. Set it before RunJob.
  void SetProgress(TProgress progress);

  // Any thread. NotRun until RunJob has returned; the accessors below are
  // meaningful once it reads anything else.
  TJobOutcome Outcome() const noexcept;
  bool Finished() const noexcept { return Outcome() != TJobOutcome::NotRun; }

  // The cause of a Failed outcome (Kind None otherwise).
  const TJobFailure& Failure() const;

  // After a cancel: the name of the incomplete target that the caller may
  // delete, or empty when there is nothing to delete (the job never created
  // it, or the target is the source, which the job restored itself). Read it
  // once the job has finished: the target is closed by then.
  std::string IncompleteTarget() const;

  const bool Encrypt;
  const bool Overwrite;
  const std::string SourceName;
  const std::string TargetName;

 private:
  // Thrown inside the job when it notices a stop request between steps.
  struct TStopped {};

  TJobOutcome Execute();
  TJobOutcome Recover(const std::exception_ptr& error);
  void Transform(const std::string& inputName);
  bool TargetTouched() const;
  void StopPoint() const;
  int Tell(const std::string& text, const char* caption, unsigned flags);
  void WipeTexts() noexcept;

  std::string IVText;
  std::string KeyText;

  TTwofish& FCipher;
  IUserPrompt& FPrompt;
  TProgress FProgress;
  std::atomic<bool> FStop{false};
  std::atomic<TJobOutcome> FOutcome{TJobOutcome::NotRun};
  TJobFailure FFailure;
  std::string FIncompleteTarget;

  // Progress of the run, for the clean-up after a failure or a stop.
  bool FCipherKeyed = false;     // SetIV/SetKey were reached: wipe afterwards
  bool FInPlace = false;         // source and target are one file
  bool FTransformStarted = false;
  TFileStamp FTargetBefore;      // the target as it was before the transform
  std::uint64_t FChunks = 0;     // chunks the transform reported
  TInPlaceCopy FCopy;
};
