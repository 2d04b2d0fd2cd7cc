#include "job/FailureText.h"

#include <new>
#include <string_view>
#include <system_error>

#include "job/JobMessages.h"
#include "platform/SystemError.h"
#include "twofish/TwofishErrors.h"

namespace {

TJobFailure Worded(TFailureKind kind, const char* details) {
  TJobFailure failure;
  failure.Kind = kind;
  failure.Details = details;
  return failure;
}

TFailureKind KeyErrorKind(std::string_view message) {
  return message == twofish_message::KeyLength ? TFailureKind::KeyLength
                                                                   : TFailureKind::KeyNotReady;
}

TFailureKind FileErrorKind(std::string_view message) {
  if (message == twofish_message::InputNotFound) return TFailureKind::InputNotFound;
  if (message == twofish_message::OutputNotCreated) return TFailureKind::OutputNotCreated;
  if (message == twofish_message::ShortWrite) return TFailureKind::ShortWrite;
  if (message == twofish_message::InvalidSize) return TFailureKind::InvalidSize;
  if (message == twofish_message::InvalidPadding) return TFailureKind::InvalidPadding;
  return TFailureKind::Other;
}

const char* SentenceFor(TFailureKind kind) {
  switch (kind) {
    case TFailureKind::KeyLength: return JobText::KeyLength;
    case TFailureKind::KeyNotReady: return JobText::KeyNotReady;
    case TFailureKind::InputNotFound: return JobText::InputNotFound;
    case TFailureKind::OutputNotCreated: return JobText::OutputNotCreated;
    case TFailureKind::ReadWrite: return JobText::ReadWrite;
    case TFailureKind::ShortWrite: return JobText::ShortWrite;
    case TFailureKind::InvalidSize: return JobText::InvalidSize;
    case TFailureKind::InvalidPadding: return JobText::InvalidPadding;
    case TFailureKind::None:
    case TFailureKind::TempCopy:
    case TFailureKind::Restore:
    case TFailureKind::Other: break;
  }
  return JobText::Unknown;
}

}  // namespace

TJobFailure OsFailure(TFailureKind kind, int errorCode) {
  if (errorCode == 0) return Worded(kind, SentenceFor(kind));
  TJobFailure failure;
  failure.Kind = kind;
  failure.ErrorCode = errorCode;
  failure.SystemText = SystemErrorText(errorCode);
  failure.Details = failure.SystemText;
  return failure;
}

TJobFailure DescribeFailure(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const EJobFailure& e) {
    return e.Failure;
  } catch (const EKeyError& e) {
    const TFailureKind kind = KeyErrorKind(e.what());
    return Worded(kind, SentenceFor(kind));
  } catch (const EFileError& e) {
    TFailureKind kind = FileErrorKind(e.what());
    if (kind == TFailureKind::Other && e.ErrorCode != 0) kind = TFailureKind::ReadWrite;
    return OsFailure(kind, e.ErrorCode);
  } catch (const EInOutError& e) {
    return OsFailure(TFailureKind::ReadWrite, e.ErrorCode);
  } catch (const std::bad_alloc&) {
    return Worded(TFailureKind::Other, JobText::OutOfMemory);
  } catch (const std::system_error& e) {
    const auto& category = e.code().category();
    if (category == std::generic_category() || category == std::system_category()) {
      return OsFailure(TFailureKind::Other, e.code().value());
    }
  } catch (...) {
  }
  return Worded(TFailureKind::Other, JobText::Unknown);
}
