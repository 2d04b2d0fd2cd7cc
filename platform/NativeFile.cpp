// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/NativeFile.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/Descriptor.h"
#include "platform/FileError.h"
#include "platform/WaitBreaker.h"

namespace {

std::error_code LastError() { return SystemError(errno); }

// Waits until the handle can be read (POLLIN) or written (POLLOUT) without
// blocking, or the breaker is broken (false). A handle in error counts as
// ready: the read or write that follows reports it.
bool WaitReady(int handle, short events, const TWaitBreaker& breaker) {
  pollfd watched[2] = {{handle, events, 0}, {breaker.WakeHandle(), POLLIN, 0}};
  for (;;) {
    if (breaker.Broken()) return false;
    const int ready = ::poll(watched, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return true;
    if (watched[1].revents != 0) return false;
    if (watched[0].revents != 0) return true;
  }
}

}  // namespace

std::error_code OpenForReading(const std::string& name, TOpenedFile& opened) {
  // Non-blocking only for the open itself: a FIFO without a writer would
  // otherwise hold the caller forever.
  const int handle = OpenRetrying(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (handle < 0) return LastError();
  std::error_code error;
  struct stat info {};
  const int flags = ::fcntl(handle, F_GETFL);
  if (flags < 0 || ::fcntl(handle, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
      ::fstat(handle, &info) != 0) {
    error = LastError();
  } else if (S_ISDIR(info.st_mode)) {
    // A directory opens fine for reading on POSIX but is no input file.
    error = TFileError::IsDirectory;
  }
  if (error) {
    CloseDescriptor(handle);
    return error;
  }
  opened.Handle = handle;
  opened.HasSize = S_ISREG(info.st_mode);
  opened.Size = opened.HasSize ? static_cast<std::uint64_t>(info.st_size) : 0;
  // Read-ahead hint only; a refusal changes nothing but speed.
  (void)::posix_fadvise(handle, 0, 0, POSIX_FADV_SEQUENTIAL);
  return {};
}

std::error_code OpenStandardInput(TOpenedFile& opened) {
  const int handle = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
  if (handle < 0) return LastError();
  struct stat info {};
  if (::fstat(handle, &info) != 0) {
    const std::error_code error = LastError();
    CloseDescriptor(handle);
    return error;
  }
  opened.Handle = handle;
  opened.HasSize = S_ISREG(info.st_mode);
  opened.Size = 0;
  if (opened.HasSize) {
    // A script may have read part of the file before: the rest is the input.
    const off_t at = ::lseek(handle, 0, SEEK_CUR);
    const auto start = static_cast<std::uint64_t>(at > 0 ? at : 0);
    const auto size = static_cast<std::uint64_t>(info.st_size);
    opened.Size = size > start ? size - start : 0;
  }
  return {};
}

std::error_code OpenStandardOutput(TFileHandle& handle) {
  handle = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
  return handle < 0 ? LastError() : std::error_code();
}

std::error_code CreateForWriting(const std::string& name, TFileHandle& handle) {
  handle = OpenRetrying(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return handle < 0 ? LastError() : std::error_code();
}

std::error_code DuplicateFile(TFileHandle handle, TFileHandle& copy) {
  copy = ::fcntl(handle, F_DUPFD_CLOEXEC, 0);
  return copy < 0 ? LastError() : std::error_code();
}

bool MayWait(TFileHandle handle) {
  struct stat info {};
  if (::fstat(handle, &info) != 0) return false;
  // Of the devices, terminals wait for their user; the null device never.
  return S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode) ||
         (S_ISCHR(info.st_mode) && ::isatty(handle) == 1);
}

TIoResult ReadSome(TFileHandle handle, std::uint8_t* data, std::size_t count,
                   const TWaitBreaker* breaker) {
  TIoResult result;
  // Once poll() says so, a read returns what is there without waiting.
  if (breaker != nullptr && !WaitReady(handle, POLLIN, *breaker)) {
    result.Error = TFileError::Stopped;
    return result;
  }
  ssize_t got;
  do {
    got = ::read(handle, data, count);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    result.Error = LastError();
  } else {
    result.Bytes = static_cast<std::size_t>(got);
  }
  return result;
}

TIoResult WriteAll(TFileHandle handle, const std::uint8_t* data, std::size_t count,
                   const TWaitBreaker* breaker) {
  TIoResult result;
  while (result.Bytes < count) {
    std::size_t piece = count - result.Bytes;
    if (breaker != nullptr) {
      if (!WaitReady(handle, POLLOUT, *breaker)) {
        result.Error = TFileError::Stopped;
        break;
      }
      // A pipe that poll() finds writable takes PIPE_BUF bytes without
      // waiting; a larger write could wait for the reader again, past the
      // reach of the breaker.
      piece = std::min<std::size_t>(piece, PIPE_BUF);
    }
    const ssize_t put = ::write(handle, data + result.Bytes, piece);
    if (put < 0) {
      if (errno == EINTR) continue;
      result.Error = LastError();
      break;
    }
    if (put == 0) {
      result.Error = TFileError::ShortWrite;
      break;
    }
    result.Bytes += static_cast<std::size_t>(put);
  }
  return result;
}

void StartWriteback([[maybe_unused]] TFileHandle handle, [[maybe_unused]] std::uint64_t offset,
                    [[maybe_unused]] std::size_t count) {
#if defined(__linux__)
  (void)::sync_file_range(handle, static_cast<off_t>(offset), static_cast<off_t>(count),
                          SYNC_FILE_RANGE_WRITE);
#endif
}

std::error_code CloseFile(TFileHandle handle) { return CloseDescriptor(handle); }

namespace {

// The tail of the regular file behind handle, its size counted from start.
TTailResult ReadTailFrom(int handle, std::uint64_t start, std::uint8_t* out, std::size_t count) {
  TTailResult result;
  struct stat info {};
  if (::fstat(handle, &info) != 0) {
    result.OpenError = LastError();
  } else if (!S_ISREG(info.st_mode)) {
    result.OpenError = S_ISDIR(info.st_mode) ? TFileError::IsDirectory : TFileError::NotRegular;
  } else {
    const auto end = static_cast<std::uint64_t>(info.st_size);
    result.Size = end > start ? end - start : 0;
    result.Count = static_cast<std::size_t>(std::min<std::uint64_t>(count, result.Size));
    std::size_t done = 0;
    while (done < result.Count) {
      const off_t at = static_cast<off_t>(end - result.Count + done);
      const ssize_t got = ::pread(handle, out + done, result.Count - done, at);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        // A file that shrank meanwhile reads short: the caller's size is stale.
        result.ReadError = got < 0 ? LastError() : make_error_code(TFileError::FileShrank);
        break;
      }
      done += static_cast<std::size_t>(got);
    }
  }
  return result;
}

}  // namespace

TTailResult ReadFileTail(const std::string& name, std::uint8_t* out, std::size_t count) {
  const int handle = OpenRetrying(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (handle < 0) {
    TTailResult result;
    result.OpenError = LastError();
    return result;
  }
  TTailResult result = ReadTailFrom(handle, 0, out, count);
  CloseDescriptor(handle);
  return result;
}

TTailResult ReadHandleTail(TFileHandle handle, std::uint8_t* out, std::size_t count) {
  const off_t at = ::lseek(handle, 0, SEEK_CUR);
  if (at < 0) {
    TTailResult result;
    result.OpenError = TFileError::NotRegular;
    return result;
  }
  return ReadTailFrom(handle, static_cast<std::uint64_t>(at), out, count);
}
