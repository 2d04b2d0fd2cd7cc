// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileIO.h"

#include <algorithm>
#include <cstring>

#include "platform/FileError.h"
#include "platform/IoWorker.h"
#include "platform/NativeFile.h"
#include "platform/SyncBehind.h"
#include "platform/WaitBreaker.h"
#include "util/SecureWipe.h"

namespace {

// Handing a stage to the helper thread costs a wake-up each way; only a
// stage this large moves enough bytes to win that back.
constexpr std::size_t MinBackgroundStage = 64 * 1024;

// The helper thread only adds speed: when the stages are small or the system
// cannot start one, the file is read or written in the caller's thread.
bool EnsureWorker(std::unique_ptr<TIoWorker>& worker, std::size_t stageSize) {
  if (stageSize < MinBackgroundStage) return false;
  if (!worker) {
    try {
      worker = std::make_unique<TIoWorker>();
    } catch (const std::system_error&) {
      return false;
    }
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------- stage

void TStage::Allocate(std::size_t capacity) {
  if (!Data) {
    Data = std::make_unique<std::uint8_t[]>(capacity);
    Capacity = capacity;
  }
  Clear();
}

void TStage::Wipe() noexcept {
  if (Data) SecureWipe(Data.get(), Capacity);
  Clear();
}

// ---------------------------------------------------------------- input

TInputFile::TInputFile(std::size_t stageSize) : FStageSize(std::max<std::size_t>(stageSize, 1)) {}

TInputFile::~TInputFile() {
  if (IsOpen()) Close();
}

std::error_code TInputFile::Open(const std::string& name) {
  if (IsOpen()) Close();
  // Allocated first: a failure then leaves no handle behind.
  for (TStage& stage : FStages) stage.Allocate(FStageSize);
  TOpenedFile opened;
  if (const std::error_code error = OpenForReading(name, opened)) return error;
  Start(opened);
  return {};
}

std::error_code TInputFile::OpenStandardInput() {
  if (IsOpen()) Close();
  for (TStage& stage : FStages) stage.Allocate(FStageSize);
  TOpenedFile opened;
  if (const std::error_code error = ::OpenStandardInput(opened)) return error;
  Start(opened);
  return {};
}

void TInputFile::Adopt(const TOpenedFile& opened) {
  if (IsOpen()) Close();
  try {
    for (TStage& stage : FStages) stage.Allocate(FStageSize);
  } catch (...) {
    (void)CloseFile(opened.Handle);
    throw;
  }
  Start(opened);
}

void TInputFile::Start(const TOpenedFile& opened) {
  FHandle = opened.Handle;
  FHasSize = opened.HasSize;
  FSize = opened.Size;
  FCurrent = 0;
  FSourceDone = false;
  FPosition = 0;
}

TTailResult TInputFile::ReadTail(std::uint8_t* out, std::size_t count) const {
  if (!IsOpen()) {
    TTailResult result;
    result.OpenError = TFileError::NotOpen;
    return result;
  }
  return ReadHandleTail(FHandle, out, count);
}

void TInputFile::BreakWaitsBy(TWaitBreaker& breaker) {
  if (!IsOpen() || !MayWait(FHandle)) return;
  FBreaker = &breaker;
  breaker.Watch(FHandle);
}

TIoRequest TInputFile::ReadRequest(int stage) const {
  TIoRequest request{TIoRequest::TKind::Read, FHandle, FStages[stage].Data.get(), FStageSize};
  request.Breaker = FBreaker;
  return request;
}

std::error_code TInputFile::Refill() {
  TIoResult got;
  if (FWorker && FWorker->Busy()) {
    got = FWorker->Wait();  // the other stage was read ahead
    FCurrent ^= 1;
  } else {
    got = RunIo(ReadRequest(FCurrent));
  }
  TStage& stage = FStages[FCurrent];
  stage.Begin = 0;
  stage.End = got.Ok() ? got.Bytes : 0;
  if (!got.Ok()) return got.Error;
  if (got.Bytes == 0) {
    FSourceDone = true;
    return {};
  }
  // A full stage hints at more to come: read the next one meanwhile.
  if (stage.Full() && EnsureWorker(FWorker, FStageSize)) {
    FWorker->Start(ReadRequest(FCurrent ^ 1));
  }
  return {};
}

TIoResult TInputFile::Read(void* data, std::size_t count) {
  TIoResult result;
  if (!IsOpen()) {
    result.Error = TFileError::NotOpen;
    return result;
  }
  auto* target = static_cast<std::uint8_t*>(data);
  while (result.Bytes < count) {
    TStage& stage = FStages[FCurrent];
    if (stage.Held() == 0) {
      if (FSourceDone) break;
      result.Error = Refill();
      if (result.Error) break;
      continue;
    }
    const std::size_t take = std::min(count - result.Bytes, stage.Held());
    std::memcpy(target + result.Bytes, stage.Data.get() + stage.Begin, take);
    stage.Begin += take;
    result.Bytes += take;
  }
  FPosition += result.Bytes;
  return result;
}

TEndResult TInputFile::AtEnd() {
  TEndResult result;
  if (!IsOpen()) {
    result.Error = TFileError::NotOpen;
    return result;
  }
  if (FStages[FCurrent].Held() == 0 && !FSourceDone) result.Error = Refill();
  result.AtEnd = !result.Error && FStages[FCurrent].Held() == 0 && FSourceDone;
  return result;
}

std::error_code TInputFile::Close() {
  if (!IsOpen()) return {};
  FWorker.reset();  // waits for a read ahead in progress
  if (FBreaker != nullptr) FBreaker->Unwatch(FHandle);
  FBreaker = nullptr;
  const std::error_code error = CloseFile(FHandle);
  FHandle = NoFileHandle;
  for (TStage& stage : FStages) stage.Wipe();
  return error;
}

// ---------------------------------------------------------------- output

TOutputFile::TOutputFile(std::size_t stageSize) : FStageSize(std::max<std::size_t>(stageSize, 1)) {}

TOutputFile::~TOutputFile() {
  if (IsOpen()) Close();
}

std::error_code TOutputFile::Create(const std::string& name) {
  if (IsOpen()) Close();
  // Allocated first: a failure then neither empties the file nor leaves a
  // handle behind.
  for (TStage& stage : FStages) stage.Allocate(FStageSize);
  TFileHandle handle = NoFileHandle;
  if (const std::error_code error = CreateForWriting(name, handle)) return error;
  Start(handle);
  return {};
}

std::error_code TOutputFile::OpenStandardOutput() {
  if (IsOpen()) Close();
  for (TStage& stage : FStages) stage.Allocate(FStageSize);
  TFileHandle handle = NoFileHandle;
  if (const std::error_code error = ::OpenStandardOutput(handle)) return error;
  Start(handle);
  return {};
}

void TOutputFile::Adopt(TFileHandle handle) {
  if (IsOpen()) Close();
  try {
    for (TStage& stage : FStages) stage.Allocate(FStageSize);
  } catch (...) {
    CloseFile(handle);
    throw;
  }
  Start(handle);
}

void TOutputFile::BreakWaitsBy(TWaitBreaker& breaker) {
  if (!IsOpen() || !MayWait(FHandle)) return;
  FBreaker = &breaker;
  breaker.Watch(FHandle);
}

void TOutputFile::Start(TFileHandle handle) {
  FHandle = handle;
  FFilling = 0;
  FWritten = 0;
  FFailure = {};
}

TIoResult TOutputFile::Write(const void* data, std::size_t count) {
  TIoResult result;
  if (!IsOpen()) {
    result.Error = TFileError::NotOpen;
    return result;
  }
  if (!FFailure.Ok()) return FFailure;
  const auto* source = static_cast<const std::uint8_t*>(data);
  while (result.Bytes < count) {
    TStage& filling = FStages[FFilling];
    if (filling.Full()) {
      TIoRequest request{TIoRequest::TKind::Write, FHandle, filling.Data.get(), filling.End};
      // Every result is synced to the disk before it takes its final name.
      // Starting the writeback stage by stage, on the worker, leaves little
      // for that sync to wait for.
      request.StartWritebackAt = static_cast<std::int64_t>(FWritten);
      request.Breaker = FBreaker;
      // Hand the full stage to the worker once it has finished the other one.
      const bool background = EnsureWorker(FWorker, FStageSize);
      const TIoResult outcome = background ? FWorker->Wait() : RunIo(request);
      if (!outcome.Ok()) {
        FFailure = outcome;
        return FFailure;
      }
      if (background) {
        // FWritten bytes have reached the system by now.
        if (!FSyncer) FSyncer = std::make_unique<TSyncBehind>();
        FSyncer->Written(FHandle, FWritten);
        FWorker->Start(request);
      }
      FWritten += filling.End;
      FFilling ^= 1;
      FStages[FFilling].Clear();
      continue;
    }
    const std::size_t take = std::min(count - result.Bytes, filling.Capacity - filling.End);
    std::memcpy(filling.Data.get() + filling.End, source + result.Bytes, take);
    filling.End += take;
    result.Bytes += take;
  }
  return result;
}

TIoResult TOutputFile::Close() {
  if (!IsOpen()) return {};
  TIoResult result = FFailure;
  if (FWorker) {
    const TIoResult previous = FWorker->Wait();
    if (result.Ok()) result = previous;
    FWorker.reset();
  }
  const TStage& filling = FStages[FFilling];
  if (result.Ok() && filling.End != 0) {
    TIoRequest request{TIoRequest::TKind::Write, FHandle, filling.Data.get(), filling.End};
    request.Breaker = FBreaker;
    result = RunIo(request);
  }
  if (FSyncer) {
    // Before the handle goes: the syncing thread uses it.
    const std::error_code syncError = FSyncer->Stop();
    if (result.Ok() && syncError) result.Error = syncError;
    FSyncer.reset();
  }
  if (FBreaker != nullptr) FBreaker->Unwatch(FHandle);
  FBreaker = nullptr;
  const std::error_code closeError = CloseFile(FHandle);
  FHandle = NoFileHandle;
  if (result.Ok() && closeError) result.Error = closeError;
  for (TStage& stage : FStages) stage.Wipe();
  return result;
}
