// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileIO.h"

#include <algorithm>
#include <cstring>

#include "platform/IoWorker.h"
#include "platform/win32/Win32.h"
#include "util/SecureWipe.h"

// Binary access through CreateFileW, ReadFile and WriteFile only: the C
// runtime's text mode would end a file at its first 0x1A byte and turn line
// breaks around. One stage per file, filled and emptied in the caller's
// thread; the second stage and the worker stay unused (see FileIO.h).

namespace {

void AllocateStage(std::unique_ptr<std::uint8_t[]>& stage, std::size_t size) {
  if (!stage) stage = std::make_unique<std::uint8_t[]>(size);
}

// The staged bytes may be plaintext.
void WipeStage(std::unique_ptr<std::uint8_t[]>& stage, std::size_t size) {
  if (stage) SecureWipe(stage.get(), size);
}

// Other openers may read and write the file meanwhile, as they always could;
// FILE_SHARE_DELETE lets them rename it too.
constexpr DWORD SharedAccess = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

// ---------------------------------------------------------------- input

TInputFile::TInputFile(std::size_t stageSize) : FStageSize(std::max<std::size_t>(stageSize, 1)) {}

TInputFile::~TInputFile() {
  if (IsOpen()) Close();
}

int TInputFile::Open(const std::string& name) {
  if (IsOpen()) Close();
  // Allocated first: a failure then leaves no handle behind.
  AllocateStage(FStages[0], FStageSize);
  const std::optional<std::wstring> systemName = SystemName(name);
  if (!systemName) return ERROR_NO_UNICODE_TRANSLATION;
  // Handles are not inherited by child processes unless asked for. A
  // directory fails here with ERROR_ACCESS_DENIED, as it does for every
  // Windows program.
  const HANDLE handle =
      ::CreateFileW(systemName->c_str(), GENERIC_READ, SharedAccess, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();

  LARGE_INTEGER size{};
  FHasSize = ::GetFileType(handle) == FILE_TYPE_DISK && ::GetFileSizeEx(handle, &size);
  FSize = FHasSize ? static_cast<std::uint64_t>(size.QuadPart) : 0;
  FHandle = FromHandle(handle);
  FCurrent = 0;
  FStageBegin = FStageEnd = 0;
  FSourceDone = false;
  FPosition = 0;
  return 0;
}

int TInputFile::Refill() {
  const TIoResult got = RunIo({TIoRequest::TKind::Read, FHandle, FStages[0].get(), FStageSize});
  FStageBegin = 0;
  FStageEnd = got.Error == 0 ? got.Bytes : 0;
  if (got.Error != 0) return got.Error;
  if (got.Bytes == 0) FSourceDone = true;
  return 0;
}

TIoResult TInputFile::Read(void* data, std::size_t count) {
  TIoResult result;
  if (!IsOpen()) {
    result.Error = ERROR_INVALID_HANDLE;
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
    std::memcpy(target + result.Bytes, FStages[0].get() + FStageBegin, take);
    FStageBegin += take;
    result.Bytes += take;
  }
  FPosition += result.Bytes;
  return result;
}

TEndResult TInputFile::AtEnd() {
  TEndResult result;
  if (!IsOpen()) {
    result.Error = ERROR_INVALID_HANDLE;
    return result;
  }
  if (FStageBegin == FStageEnd && !FSourceDone) result.Error = Refill();
  result.AtEnd = result.Error == 0 && FStageBegin == FStageEnd && FSourceDone;
  return result;
}

int TInputFile::Close() {
  if (!IsOpen()) return 0;
  const int closeError = ::CloseHandle(AsHandle(FHandle)) ? 0 : LastError();
  FHandle = NoFileHandle;
  WipeStage(FStages[0], FStageSize);
  FStageBegin = FStageEnd = 0;
  return closeError;
}

// ---------------------------------------------------------------- output

TOutputFile::TOutputFile(std::size_t stageSize) : FStageSize(std::max<std::size_t>(stageSize, 1)) {}

TOutputFile::~TOutputFile() {
  if (IsOpen()) Close();
}

int TOutputFile::Create(const std::string& name) {
  if (IsOpen()) Close();
  // Allocated first: a failure then neither empties the file nor leaves a
  // handle behind.
  AllocateStage(FStages[0], FStageSize);
  const std::optional<std::wstring> systemName = SystemName(name);
  if (!systemName) return ERROR_NO_UNICODE_TRANSLATION;
  // Opened, then emptied, rather than CREATE_ALWAYS: an existing file keeps
  // its identity, attributes and access rights, and a hidden one does not
  // refuse to be replaced.
  const HANDLE handle = ::CreateFileW(systemName->c_str(), GENERIC_WRITE, SharedAccess, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  // Devices such as NUL have no length to cut.
  if (::GetFileType(handle) == FILE_TYPE_DISK && !::SetEndOfFile(handle)) {
    const int error = LastError();
    ::CloseHandle(handle);
    return error;
  }
  FHandle = FromHandle(handle);
  FFilling = 0;
  FStaged = 0;
  FWritten = 0;
  FFailure = {};
  return 0;
}

TIoResult TOutputFile::Write(const void* data, std::size_t count) {
  TIoResult result;
  if (!IsOpen()) {
    result.Error = ERROR_INVALID_HANDLE;
    return result;
  }
  if (!FFailure.Ok()) return FFailure;
  const auto* source = static_cast<const std::uint8_t*>(data);
  while (result.Bytes < count) {
    if (FStaged == FStageSize) {
      const TIoResult outcome =
          RunIo({TIoRequest::TKind::Write, FHandle, FStages[0].get(), FStaged});
      if (!outcome.Ok()) {
        FFailure = outcome;
        return FFailure;
      }
      FWritten += FStaged;
      FStaged = 0;
    }
    const std::size_t take = std::min(count - result.Bytes, FStageSize - FStaged);
    std::memcpy(FStages[0].get() + FStaged, source + result.Bytes, take);
    FStaged += take;
    result.Bytes += take;
  }
  return result;
}

TIoResult TOutputFile::Close() {
  if (!IsOpen()) return {};
  TIoResult result = FFailure;
  if (result.Ok() && FStaged != 0) {
    result = RunIo({TIoRequest::TKind::Write, FHandle, FStages[0].get(), FStaged});
  }
  const int closeError = ::CloseHandle(AsHandle(FHandle)) ? 0 : LastError();
  FHandle = NoFileHandle;
  if (result.Ok() && closeError != 0) result.Error = closeError;
  WipeStage(FStages[0], FStageSize);
  FStaged = 0;
  return result;
}

// ---------------------------------------------------------------- tail

TTailResult ReadFileTail(const std::string& name, std::uint8_t* out, std::size_t count) {
  TTailResult result;
  const std::optional<std::wstring> systemName = SystemName(name);
  if (!systemName) {
    result.OpenError = ERROR_NO_UNICODE_TRANSLATION;
    return result;
  }
  const HANDLE handle = ::CreateFileW(systemName->c_str(), GENERIC_READ, SharedAccess, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    result.OpenError = LastError();
    return result;
  }
  LARGE_INTEGER size{};
  if (::GetFileType(handle) != FILE_TYPE_DISK) {
    // A pipe or a device: no size, no tail, and no read that could wait.
    result.OpenError = ERROR_INVALID_FUNCTION;
  } else if (!::GetFileSizeEx(handle, &size)) {
    result.OpenError = LastError();
  } else {
    result.Size = static_cast<std::uint64_t>(size.QuadPart);
    result.Count = static_cast<std::size_t>(std::min<std::uint64_t>(count, result.Size));
    std::size_t done = 0;
    while (done < result.Count) {
      const std::uint64_t at = result.Size - result.Count + done;
      OVERLAPPED position{};
      position.Offset = static_cast<DWORD>(at);
      position.OffsetHigh = static_cast<DWORD>(at >> 32);
      DWORD got = 0;
      if (!::ReadFile(handle, out + done, static_cast<DWORD>(result.Count - done), &got,
                      &position)) {
        result.ReadError = LastError();
        break;
      }
      if (got == 0) {
        // A file that shrank meanwhile reads short: the caller's size is stale.
        result.ReadError = ERROR_IO_DEVICE;
        break;
      }
      done += got;
    }
  }
  ::CloseHandle(handle);
  return result;
}
