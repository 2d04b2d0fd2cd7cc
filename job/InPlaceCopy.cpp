#include "job/InPlaceCopy.h"

#include "job/FailureText.h"
#include "job/JobMessages.h"
#include "platform/Descriptor.h"
#include "platform/FileSystem.h"
#include "platform/SystemError.h"

namespace {

[[noreturn]] void RaiseCopyFailed(const std::string& dir, const TCopyResult& copy) {
  TJobFailure failure = OsFailure(TFailureKind::TempCopy, copy.Error);
  const std::string cause = copy.Error != 0 ? failure.SystemText : JobText::CopyIncomplete;
  failure.Details = std::string(JobText::CopyFailedPrefix) + dir + JobText::CopyFailedInfix + cause +
                    ".\r\n" + JobText::SourceUnchanged;
  throw EJobFailure(std::move(failure));
}

}  // namespace

bool TInPlaceCopy::Make(const std::string& sourceName, const std::function<bool()>& keepGoing) {
  Remove();
  const std::string dir = TempDirectory();
  TTempFile file = CreateTempFile(dir, FileNamePart(sourceName));
  if (file.Handle < 0) {
    TCopyResult failed;
    failed.Error = file.Error;
    RaiseCopyFailed(dir, failed);
  }
  TCopyResult copy = CopyFileToHandle(sourceName, file.Handle, keepGoing);
  const int closeError = CloseHandle(file.Handle);
  if (copy.Error == 0) copy.Error = closeError;
  if (!copy.Complete()) {
    DeleteFile(file.Name);
    if (copy.Stopped) return false;
    RaiseCopyFailed(dir, copy);
  }
  FName = std::move(file.Name);
  return true;
}

bool TInPlaceCopy::RestoreTo(const std::string& name, TJobFailure& failure) {
  if (!Exists()) return true;
  const TCopyResult copy = CopyFileOver(FName, name);
  if (copy.Complete()) {
    Remove();
    return true;
  }
  failure = OsFailure(TFailureKind::Restore, copy.Error != 0 ? copy.Error : GenericIoError());
  failure.KeptCopy = FName;
  failure.Details = std::string(JobText::RestoreFailed) + failure.SystemText + ".\r\n" +
                    JobText::RestoreCopyAt + FName + ".";
  return false;
}

void TInPlaceCopy::Remove() noexcept {
  if (FName.empty()) return;
  DeleteFile(FName);
  FName.clear();
}
