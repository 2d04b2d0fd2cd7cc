#include "cli/FailureLine.h"

namespace {

// The OS text when the system named a cause, else the fallback.
std::string Cause(const TJobFailure& failure, const char* fallback) {
  return failure.SystemText.empty() ? fallback : failure.SystemText;
}

}  // namespace

std::string FailureLine(const TJobFailure& failure, const std::string& source,
                        const std::string& target) {
  switch (failure.Kind) {
    case TFailureKind::KeyLength:
      return source +
             ": the password is too long to be used without hashing (the key must be 1 to 156 "
             "bytes); leave out --no-hash";
    case TFailureKind::InputNotFound:
      return "cannot open " + source + ": " + Cause(failure, "No such file");
    case TFailureKind::OutputNotCreated:
      return "cannot create " + target + ": " + Cause(failure, "unknown reason");
    case TFailureKind::ReadWrite:
      return "processing " + source + " into " + target + " failed: " +
             Cause(failure, "input/output error");
    case TFailureKind::ShortWrite:
      return "cannot write " + target + " completely: " + Cause(failure, "the disk took fewer bytes");
    case TFailureKind::InvalidSize:
      return source + ": not an encrypted file (its size is not a multiple of 16 bytes)";
    case TFailureKind::InvalidPadding:
      return source +
             ": invalid padding: wrong password, wrong mode or hashing choice, or a damaged file";
    case TFailureKind::TempCopy:
      return "cannot make the temporary copy of " + source +
             " for processing it in place: " + Cause(failure, "the copy is incomplete") + "; " +
             source + " is unchanged";
    case TFailureKind::Restore:
      return source + " could not be restored: " + Cause(failure, "unknown reason") +
             "; its original content is in " + failure.KeptCopy;
    case TFailureKind::KeyNotReady:
      return "processing " + source + " failed: key or IV not set (internal error)";
    case TFailureKind::None:
    case TFailureKind::Other:
      break;
  }
  return "processing " + source + " failed: " + Cause(failure, "unexpected internal error");
}
