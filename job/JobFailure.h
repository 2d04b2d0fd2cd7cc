// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

// Why a job failed. Whatever the cause, the target's name holds what it held
// before the run.
enum class TFailureKind {
  None,
  KeyLength,         // key text empty or longer than 156 bytes
  KeyNotReady,       // key or IV not set before the transform
  InputNotFound,     // the source could not be opened
  SourceNotRegular,  // the source is a directory, FIFO, device or socket
  TargetNotRegular,  // the existing target is a directory, FIFO, device or socket
  FileBusy,          // another run is processing the file in place
  OutputNotCreated,  // the target's folder cannot take the temporary result
  ReadWrite,         // the OS reported a failure while reading or writing
  ShortWrite,        // a write took fewer bytes than given without an error
  InvalidSize,       // the input cannot be ciphertext (size)
  InvalidPadding,    // wrong password, wrong mode or a damaged file
  TargetAppeared,    // a file of the target's name appeared during the run
  NotReplaced,       // the result could not be put in the target's place
  OutOfMemory,
  Other,  // anything else
};

struct TJobFailure {
  TFailureKind Kind = TFailureKind::None;
  // The file layer's code when it named the cause: the system's own, or one
  // of TFileError (platform/FileError.h). Empty without one. The front ends
  // word it with SystemErrorText.
  std::error_code ErrorCode;
};

// A failure the job found itself, outside the cipher component.
class EJobFailure : public std::runtime_error {
 public:
  explicit EJobFailure(TJobFailure failure)
      : std::runtime_error("job failure"), Failure(std::move(failure)) {}
  TJobFailure Failure;
};
