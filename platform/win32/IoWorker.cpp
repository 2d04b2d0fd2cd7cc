// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/IoWorker.h"

#include <algorithm>

#include "platform/win32/Win32.h"

namespace {

// ReadFile and WriteFile count in DWORDs.
constexpr std::size_t MaxTransfer = std::size_t{1} << 30;

}  // namespace

TIoResult RunIo(const TIoRequest& request) {
  TIoResult result;
  const HANDLE handle = AsHandle(request.Handle);
  if (request.Kind == TIoRequest::TKind::Read) {
    DWORD got = 0;
    const auto count = static_cast<DWORD>(std::min(request.Count, MaxTransfer));
    if (!::ReadFile(handle, request.Data, count, &got, nullptr)) {
      const int error = LastError();
      // The writer of a pipe has closed it: the end of the data, no failure.
      if (error != ERROR_BROKEN_PIPE && error != ERROR_HANDLE_EOF) result.Error = error;
      return result;
    }
    result.Bytes = got;
    return result;
  }
  while (result.Bytes < request.Count) {
    DWORD put = 0;
    const auto count = static_cast<DWORD>(std::min(request.Count - result.Bytes, MaxTransfer));
    if (!::WriteFile(handle, request.Data + result.Bytes, count, &put, nullptr)) {
      result.Error = LastError();
      break;
    }
    if (put == 0) {  // accepted nothing and named no error
      result.Short = true;
      break;
    }
    result.Bytes += put;
  }
  // The writeback hint has no counterpart: the system's lazy writer starts
  // on its own.
  return result;
}

// The Windows file layer reads ahead and writes behind through the system's
// cache and starts no helper thread; a request given to the worker runs at
// once in the caller's thread.
TIoWorker::TIoWorker() = default;

TIoWorker::~TIoWorker() = default;

void TIoWorker::Run() {}

void TIoWorker::Start(const TIoRequest& request) {
  FResult = RunIo(request);
  FStarted = true;
}

TIoResult TIoWorker::Wait() {
  if (!FStarted) return {};
  FStarted = false;
  return FResult;
}
