// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/Descriptor.h"
#include "platform/IoWorker.h"
#include "util/SecureWipe.h"

namespace {

void AllocateStages(std::unique_ptr<std::uint8_t[]> (&stages)[2], std::size_t size) {
  for (auto& stage : stages) {
    if (!stage) stage = std::make_unique<std::uint8_t[]>(size);
  }
}

// The staged bytes may be plaintext.
void WipeStages(std::unique_ptr<std::uint8_t[]> (&stages)[2], std::size_t size) {
  for (auto& stage : stages) {
    if (stage) SecureWipe(stage.get(), size);
  }
}

// The helper thread only adds speed: when the system cannot start one, the
// file is read or written in the caller's thread instead.
bool EnsureWorker(std::unique_ptr<TIoWorker>& worker) {
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

// ---------------------------------------------------------------- input

TInputFile::TInputFile(std::size_t stageSize) : FStageSize(std::max<std::size_t>(stageSize, 1)) {}

TInputFile::~TInputFile() {
  if (IsOpen()) Close();
}

int TInputFile::Open(const std::string& name) {
  if (IsOpen()) Close();
  // Allocated first: a failure then leaves no descriptor behind.
  AllocateStages(FStages, FStageSize);
  // Non-blocking only for the open itself: a FIFO without a writer would
  // otherwise hold the caller forever.
  const int handle = OpenRetrying(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (handle < 0) return errno;
  const int flags = ::fcntl(handle, F_GETFL);
  if (flags < 0 || ::fcntl(handle, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int error = errno;
    CloseHandle(handle);
    return error;
  }

  struct stat info {};
  if (::fstat(handle, &info) != 0) {
    const int error = errno;
    CloseHandle(handle);
    return error;
  }
  // A directory opens fine for reading on POSIX but is no input file.
  if (S_ISDIR(info.st_mode)) {
    CloseHandle(handle);
    return EISDIR;
  }
  FHasSize = S_ISREG(info.st_mode);
  FSize = FHasSize ? static_cast<std::uint64_t>(info.st_size) : 0;
  // Read-ahead hint only; a refusal changes nothing but speed.
  (void)::posix_fadvise(handle, 0, 0, POSIX_FADV_SEQUENTIAL);

  FHandle = handle;
  FCurrent = 0;
  FStageBegin = FStageEnd = 0;
  FSourceDone = false;
  FPosition = 0;
  return 0;
}

int TInputFile::Refill() {
  TIoResult got;
  if (FWorker && FWorker->Busy()) {
    got = FWorker->Wait();  // the other stage was read ahead
    FCurrent ^= 1;
  } else {
    got = RunIo({TIoRequest::TKind::Read, FHandle, FStages[FCurrent].get(), FStageSize});
  }
  FStageBegin = 0;
  FStageEnd = got.Error == 0 ? got.Bytes : 0;
  if (got.Error != 0) return got.Error;
  if (got.Bytes == 0) {
    FSourceDone = true;
    return 0;
  }
  // A full stage hints at more to come: read the next one meanwhile.
  if (got.Bytes == FStageSize && EnsureWorker(FWorker)) {
    FWorker->Start({TIoRequest::TKind::Read, FHandle, FStages[FCurrent ^ 1].get(), FStageSize});
  }
  return 0;
}

TIoResult TInputFile::Read(void* data, std::size_t count) {
  TIoResult result;
  if (!IsOpen()) {
    result.Error = EBADF;
    return result;
  }
  auto* target = static_cast<std::uint8_t*>(data);
  while (result.Bytes < count) {
    if (FStageBegin == FStageEnd) {
      if (FSourceDone) break;
      result.Error = Refill();
      if (result.Error != 0) break;
      continue;
    }
    const std::size_t take = std::min(count - result.Bytes, FStageEnd - FStageBegin);
    std::memcpy(target + result.Bytes, FStages[FCurrent].get() + FStageBegin, take);
    FStageBegin += take;
    result.Bytes += take;
  }
  FPosition += result.Bytes;
  return result;
}

TEndResult TInputFile::AtEnd() {
  TEndResult result;
  if (!IsOpen()) {
    result.Error = EBADF;
    return result;
  }
  if (FStageBegin == FStageEnd && !FSourceDone) result.Error = Refill();
  result.AtEnd = result.Error == 0 && FStageBegin == FStageEnd && FSourceDone;
  return result;
}

int TInputFile::Close() {
  if (!IsOpen()) return 0;
  FWorker.reset();  // waits for a read ahead in progress
  const int error = CloseHandle(FHandle);
  FHandle = -1;
  WipeStages(FStages, FStageSize);
  FStageBegin = FStageEnd = 0;
  return error;
}

// ---------------------------------------------------------------- output

TOutputFile::TOutputFile(std::size_t stageSize) : FStageSize(std::max<std::size_t>(stageSize, 1)) {}

TOutputFile::~TOutputFile() {
  if (IsOpen()) Close();
}

int TOutputFile::Create(const std::string& name) {
  if (IsOpen()) Close();
  // Allocated first: a failure then neither empties the file nor leaves a
  // descriptor behind.
  AllocateStages(FStages, FStageSize);
  const int handle = OpenRetrying(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (handle < 0) return errno;
  FHandle = handle;
  FFilling = 0;
  FStaged = 0;
  FWritten = 0;
  FFailure = {};
  return 0;
}

TIoResult TOutputFile::Write(const void* data, std::size_t count) {
  TIoResult result;
  if (!IsOpen()) {
    result.Error = EBADF;
    return result;
  }
  if (!FFailure.Ok()) return FFailure;
  const auto* source = static_cast<const std::uint8_t*>(data);
  while (result.Bytes < count) {
    if (FStaged == FStageSize) {
      TIoRequest request{TIoRequest::TKind::Write, FHandle, FStages[FFilling].get(), FStaged};
      // Every result is synced to the disk before it takes its final name.
      // Starting the writeback stage by stage, on the worker, leaves little
      // for that sync to wait for.
      request.StartWritebackAt = static_cast<std::int64_t>(FWritten);
      // Hand the full stage to the worker once it has finished the other one.
      const bool background = EnsureWorker(FWorker);
      const TIoResult outcome = background ? FWorker->Wait() : RunIo(request);
      if (!outcome.Ok()) {
        FFailure = outcome;
        return FFailure;
      }
      if (background) FWorker->Start(request);
      FWritten += FStaged;
      FFilling ^= 1;
      FStaged = 0;
    }
    const std::size_t take = std::min(count - result.Bytes, FStageSize - FStaged);
    std::memcpy(FStages[FFilling].get() + FStaged, source + result.Bytes, take);
    FStaged += take;
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
  if (result.Ok() && FStaged != 0) {
    result = RunIo({TIoRequest::TKind::Write, FHandle, FStages[FFilling].get(), FStaged});
  }
  const int closeError = CloseHandle(FHandle);
  FHandle = -1;
  if (result.Ok() && closeError != 0) result.Error = closeError;
  WipeStages(FStages, FStageSize);
  FStaged = 0;
  return result;
}

// ---------------------------------------------------------------- tail

TTailResult ReadFileTail(const std::string& name, std::uint8_t* out, std::size_t count) {
  TTailResult result;
  const int handle = OpenRetrying(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (handle < 0) {
    result.OpenError = errno;
    return result;
  }
  struct stat info {};
  if (::fstat(handle, &info) != 0) {
    result.OpenError = errno;
  } else if (!S_ISREG(info.st_mode)) {
    result.OpenError = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
  } else {
    result.Size = static_cast<std::uint64_t>(info.st_size);
    result.Count = static_cast<std::size_t>(std::min<std::uint64_t>(count, result.Size));
    std::size_t done = 0;
    while (done < result.Count) {
      const off_t at = static_cast<off_t>(result.Size - result.Count + done);
      const ssize_t got = ::pread(handle, out + done, result.Count - done, at);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        // A file that shrank meanwhile reads short: the caller's size is stale.
        result.ReadError = got < 0 ? errno : EIO;
        break;
      }
      done += static_cast<std::size_t>(got);
    }
  }
  CloseHandle(handle);
  return result;
}
