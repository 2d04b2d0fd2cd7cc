// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/IoWorker.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

TIoResult RunIo(const TIoRequest& request) {
  TIoResult result;
  if (request.Kind == TIoRequest::TKind::Read) {
    ssize_t got;
    do {
      got = ::read(request.Handle, request.Data, request.Count);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
      result.Error = errno;
    } else {
      result.Bytes = static_cast<std::size_t>(got);
    }
    return result;
  }
  while (result.Bytes < request.Count) {
    const ssize_t put =
        ::write(request.Handle, request.Data + result.Bytes, request.Count - result.Bytes);
    if (put < 0) {
      if (errno == EINTR) continue;
      result.Error = errno;
      break;
    }
    if (put == 0) {  // accepted nothing and named no error
      result.Short = true;
      break;
    }
    result.Bytes += static_cast<std::size_t>(put);
  }
#if defined(__linux__)
  if (result.Ok() && request.StartWritebackAt >= 0) {
    (void)::sync_file_range(request.Handle, request.StartWritebackAt,
                            static_cast<off_t>(request.Count), SYNC_FILE_RANGE_WRITE);
  }
#endif
  return result;
}

TIoWorker::TIoWorker() : FThread([this] { Run(); }) {}

TIoWorker::~TIoWorker() {
  if (FStarted) Wait();
  {
    std::lock_guard<std::mutex> lock(FLock);
    FStop = true;
  }
  FChanged.notify_all();
  FThread.join();
}

void TIoWorker::Run() {
  std::unique_lock<std::mutex> lock(FLock);
  for (;;) {
    FChanged.wait(lock, [this] { return FPending || FStop; });
    if (!FPending) return;
    const TIoRequest request = FRequest;
    FPending = false;
    lock.unlock();
    const TIoResult result = RunIo(request);
    lock.lock();
    FResult = result;
    FDone = true;
    FChanged.notify_all();
  }
}

void TIoWorker::Start(const TIoRequest& request) {
  {
    std::lock_guard<std::mutex> lock(FLock);
    FRequest = request;
    FPending = true;
    FDone = false;
  }
  FStarted = true;
  FChanged.notify_all();
}

TIoResult TIoWorker::Wait() {
  if (!FStarted) return {};
  std::unique_lock<std::mutex> lock(FLock);
  FChanged.wait(lock, [this] { return FDone; });
  FDone = false;
  FStarted = false;
  return FResult;
}
