#pragma once

#include <stdexcept>
#include <string>

// Why a job failed, for front ends that word it themselves (the command line
// prints English one-liners); the window shows Details as the job does.
enum class TFailureKind {
  None,
  KeyLength,         // key text empty or longer than 156 bytes
  KeyNotReady,       // key or IV not set before the transform
  InputNotFound,     // the source could not be opened
  OutputNotCreated,  // the target could not be created
  ReadWrite,         // the OS reported a failure while reading or writing
  ShortWrite,        // a write took fewer bytes than given without an error
  InvalidSize,       // the input cannot be ciphertext (size)
  InvalidPadding,    // wrong password, wrong mode or a damaged file
  TempCopy,          // the temporary copy of an in-place source failed
  Restore,           // the in-place source could not be restored from its copy
  Other,             // anything else (out of memory, unknown)
};

struct TJobFailure {
  TFailureKind Kind = TFailureKind::None;
  int ErrorCode = 0;       // OS error code when the OS reported the failure
  std::string SystemText;  // the OS text for ErrorCode, empty without one
  std::string Details;     // the German text after "Details:"
  std::string KeptCopy;    // Restore: full name of the copy left behind
};

// A failure the job found itself (temporary copy, restore), already worded.
class EJobFailure : public std::runtime_error {
 public:
  explicit EJobFailure(TJobFailure failure)
      : std::runtime_error(failure.Details), Failure(std::move(failure)) {}
  TJobFailure Failure;
};
