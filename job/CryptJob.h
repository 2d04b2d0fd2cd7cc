#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "job/UserPrompt.h"

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

  // Called on the worker thread after every chunk.
  void SetProgress(TProgress progress);

  TJobOutcome Outcome() const noexcept;

  // After a cancel: the name of the incomplete target that the caller may
  // delete, or empty when there is nothing to delete (the job never created
  // it, or the target is the source, which the job restored itself).
  std::string IncompleteTarget() const;

  const bool Encrypt;
  const bool Overwrite;
  const std::string SourceName;
  const std::string TargetName;

 private:
  std::string IVText;
  std::string KeyText;
  // further state is the job's own
};
