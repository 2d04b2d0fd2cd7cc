// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/FailureLine.h"

#include "cli/Printable.h"
#include "platform/SystemError.h"

namespace {

// The system's text when the file layer named a cause, else the fallback.
std::string Cause(const TJobFailure& failure, const char* fallback) {
  return failure.ErrorCode ? SystemErrorText(failure.ErrorCode) : fallback;
}

}  // namespace

std::string FailureLine(const TJobFailure& failure, const std::string& sourceName,
                        const std::string& targetName, bool targetIsStream) {
  const std::string source = Printable(sourceName);
  const std::string target = Printable(targetName);
  const std::string unchanged =
      targetIsStream ? "; what " + target + " got is incomplete" : "; " + target + " is unchanged";
  switch (failure.Kind) {
    case TFailureKind::KeyLength:
      return source +
             ": the password is too long to be used without hashing (the key must be 1 to 156 "
             "bytes); leave out --no-hash";
    case TFailureKind::InputNotFound:
      return "cannot open " + source + ": " + Cause(failure, "No such file");
    case TFailureKind::SourceNotRegular:
      return source + ": is not a regular file; nothing was done";
    case TFailureKind::TargetNotRegular:
      return target + ": is not a regular file; nothing was done";
    case TFailureKind::FileBusy:
      return source + " is being processed by another run; nothing was done";
    case TFailureKind::OutputNotCreated:
      return "cannot write the result next to " + target + ": " + Cause(failure, "unknown reason") +
             unchanged;
    case TFailureKind::ReadWrite:
      return "processing " + source + " into " + target +
             " failed: " + Cause(failure, "input/output error") + unchanged;
    case TFailureKind::ShortWrite:
      return "cannot write the result for " + target + " completely" + unchanged;
    case TFailureKind::InvalidSize:
      // A pipe cut inside a block shows only at its end, after the blocks
      // before it were written.
      return source + ": not an encrypted file (its size is not a multiple of 16 bytes)" +
             (targetIsStream ? unchanged : std::string());
    case TFailureKind::InvalidPadding:
      return source +
             ": invalid padding: wrong password, wrong mode or hashing choice, or a damaged file" +
             (targetIsStream ? unchanged : std::string());
    case TFailureKind::TargetAppeared:
      return target +
             " was created by someone else during the run and was kept; "
             "the result was discarded";
    case TFailureKind::NotReplaced:
      return "cannot put the result in place of " + target + ": " +
             Cause(failure, "unknown reason") + unchanged;
    case TFailureKind::KeyNotReady:
      return "processing " + source + " failed: key or IV not set (internal error)";
    case TFailureKind::OutOfMemory:
      return "processing " + source + " failed: out of memory" + unchanged;
    case TFailureKind::None:
    case TFailureKind::Other: break;
  }
  return "processing " + source + " failed: " + Cause(failure, "unexpected internal error");
}
