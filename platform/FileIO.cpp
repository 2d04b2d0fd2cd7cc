#include "platform/FileIO.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "util/SecureWipe.h"

namespace {

// Closes a descriptor once. Linux releases the descriptor even when close
// reports EINTR, so retrying could close someone else's file.
int CloseHandle(int handle) {
  if (::close(handle) != 0 && errno != EINTR) return errno;
  return 0;
}

}  // namespace

// ---------------------------------------------------------------- input

TInputFile::TInputFile(std::size_t stageSize) : FStageSize(std::max<std::size_t>(stageSize, 1)) {}

TInputFile::~TInputFile() {
  if (IsOpen()) Close();
}

int TInputFile::Open(const std::string& name) {
  if (IsOpen()) Close();
  int handle;
  do {
    handle = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  } while (handle < 0 && errno == EINTR);
  if (handle < 0) return errno;

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

  if (!FStage) FStage = std::make_unique<std::uint8_t[]>(FStageSize);
  FHandle = handle;
  FStageBegin = FStageEnd = 0;
  FSourceDone = false;
  FPosition = 0;
  return 0;
}

int TInputFile::Refill() {
  FStageBegin = FStageEnd = 0;
  ssize_t got;
  do {
    got = ::read(FHandle, FStage.get(), FStageSize);
  } while (got < 0 && errno == EINTR);
  if (got < 0) return errno;
  if (got == 0) FSourceDone = true;
  FStageEnd = static_cast<std::size_t>(got);
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
    std::memcpy(target + result.Bytes, FStage.get() + FStageBegin, take);
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
  const int error = CloseHandle(FHandle);
  FHandle = -1;
  // The staged bytes may be plaintext.
  SecureWipe(FStage.get(), FStageSize);
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
  int handle;
  do {
    handle = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (handle < 0 && errno == EINTR);
  if (handle < 0) return errno;
  if (!FStage) FStage = std::make_unique<std::uint8_t[]>(FStageSize);
  FHandle = handle;
  FStaged = 0;
  return 0;
}

TIoResult TOutputFile::Flush() {
  TIoResult result;
  std::size_t done = 0;
  while (done < FStaged) {
    const ssize_t put = ::write(FHandle, FStage.get() + done, FStaged - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      result.Error = errno;
      break;
    }
    if (put == 0) {  // accepted nothing and named no error
      result.Short = true;
      break;
    }
    done += static_cast<std::size_t>(put);
  }
  // Keep what did not go out, so a later attempt starts at the right byte.
  std::memmove(FStage.get(), FStage.get() + done, FStaged - done);
  FStaged -= done;
  result.Bytes = done;
  return result;
}

TIoResult TOutputFile::Write(const void* data, std::size_t count) {
  TIoResult result;
  if (!IsOpen()) {
    result.Error = EBADF;
    return result;
  }
  const auto* source = static_cast<const std::uint8_t*>(data);
  while (result.Bytes < count) {
    if (FStaged == FStageSize) {
      const TIoResult flushed = Flush();
      if (!flushed.Ok()) {
        result.Error = flushed.Error;
        result.Short = flushed.Short;
        return result;
      }
    }
    const std::size_t take = std::min(count - result.Bytes, FStageSize - FStaged);
    std::memcpy(FStage.get() + FStaged, source + result.Bytes, take);
    FStaged += take;
    result.Bytes += take;
  }
  return result;
}

TIoResult TOutputFile::Close() {
  if (!IsOpen()) return {};
  TIoResult result = Flush();
  const int closeError = CloseHandle(FHandle);
  FHandle = -1;
  if (result.Ok() && closeError != 0) result.Error = closeError;
  // The staged bytes may be plaintext.
  SecureWipe(FStage.get(), FStageSize);
  FStaged = 0;
  return result;
}
