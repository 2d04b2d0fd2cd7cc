// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/IoWorker.h"

#include "platform/NativeFile.h"

TIoResult RunIo(const TIoRequest& request) {
  if (request.Kind == TIoRequest::TKind::Read) {
    return ReadSome(request.Handle, request.Data, request.Count, request.Breaker);
  }
  const TIoResult result = WriteAll(request.Handle, request.Data, request.Count, request.Breaker);
  if (result.Ok() && request.StartWritebackAt >= 0) {
    StartWriteback(request.Handle, static_cast<std::uint64_t>(request.StartWritebackAt),
                   request.Count);
  }
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
