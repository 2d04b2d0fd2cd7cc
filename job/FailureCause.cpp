// SPDX-License-Identifier: GPL-3.0-or-later
#include "job/FailureCause.h"

#include <new>
#include <system_error>

#include "twofish/TwofishErrors.h"

namespace {

TFailureKind KindOf(TKeyErrorCause cause) {
  return cause == TKeyErrorCause::KeyLength ? TFailureKind::KeyLength : TFailureKind::KeyNotReady;
}

TFailureKind KindOf(TFileErrorCause cause) {
  switch (cause) {
    case TFileErrorCause::InputNotFound: return TFailureKind::InputNotFound;
    case TFileErrorCause::OutputNotCreated: return TFailureKind::OutputNotCreated;
    case TFileErrorCause::ShortWrite: return TFailureKind::ShortWrite;
    case TFileErrorCause::InvalidSize: return TFailureKind::InvalidSize;
    case TFileErrorCause::InvalidPadding: break;
  }
  return TFailureKind::InvalidPadding;
}

}  // namespace

TJobFailure OsFailure(TFailureKind kind, std::error_code errorCode) {
  TJobFailure failure;
  failure.Kind = kind;
  failure.ErrorCode = errorCode;
  return failure;
}

TJobFailure DescribeFailure(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const EJobFailure& e) {
    return e.Failure;
  } catch (const EKeyError& e) {
    return OsFailure(KindOf(e.Cause));
  } catch (const EFileError& e) {
    return OsFailure(KindOf(e.Cause), e.ErrorCode);
  } catch (const EInOutError& e) {
    return OsFailure(TFailureKind::ReadWrite, e.ErrorCode);
  } catch (const std::bad_alloc&) {
    return OsFailure(TFailureKind::OutOfMemory);
  } catch (const std::system_error& e) {
    const auto& category = e.code().category();
    if (category == std::generic_category() || category == std::system_category()) {
      return OsFailure(TFailureKind::Other, e.code());
    }
  } catch (...) {
  }
  return OsFailure(TFailureKind::Other);
}
