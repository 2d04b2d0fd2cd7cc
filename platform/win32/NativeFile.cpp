// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/NativeFile.h"

#include <algorithm>

#include "platform/FileError.h"
#include "platform/WaitBreaker.h"
#include "platform/win32/Win32.h"

// Binary access through CreateFileW, ReadFile and WriteFile only: the C
// runtime's text mode would end a file at its first 0x1A byte and turn line
// breaks around.

namespace {

// Other openers may read and write the file meanwhile, as they always could;
// FILE_SHARE_DELETE lets them rename it too.
constexpr DWORD SharedAccess = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// ReadFile and WriteFile count in DWORDs.
constexpr std::size_t MaxTransfer = std::size_t{1} << 30;

}  // namespace

std::error_code OpenForReading(const std::string& name, TOpenedFile& opened) {
  const std::optional<std::wstring> systemName = SystemName(name);
  if (!systemName) return TFileError::NameNotUtf8;
  // Handles are not inherited by child processes unless asked for. A
  // directory fails here with ERROR_ACCESS_DENIED, as it does for every
  // Windows program.
  const HANDLE handle =
      ::CreateFileW(systemName->c_str(), GENERIC_READ, SharedAccess, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastSystemError();
  LARGE_INTEGER size{};
  opened.Handle = FromHandle(handle);
  opened.HasSize = ::GetFileType(handle) == FILE_TYPE_DISK && ::GetFileSizeEx(handle, &size);
  opened.Size = opened.HasSize ? static_cast<std::uint64_t>(size.QuadPart) : 0;
  return {};
}

namespace {

std::error_code DuplicateStandard(DWORD which, TFileHandle& copy) {
  const HANDLE standard = ::GetStdHandle(which);
  if (standard == INVALID_HANDLE_VALUE) return LastSystemError();
  if (standard == nullptr) return std::error_code(ERROR_INVALID_HANDLE, std::system_category());
  return DuplicateFile(FromHandle(standard), copy);
}

}  // namespace

std::error_code OpenStandardInput(TOpenedFile& opened) {
  TFileHandle handle = NoFileHandle;
  if (const std::error_code error = DuplicateStandard(STD_INPUT_HANDLE, handle)) return error;
  opened.Handle = handle;
  LARGE_INTEGER size{};
  LARGE_INTEGER at{};
  opened.HasSize = ::GetFileType(AsHandle(handle)) == FILE_TYPE_DISK &&
                   ::GetFileSizeEx(AsHandle(handle), &size) &&
                   ::SetFilePointerEx(AsHandle(handle), LARGE_INTEGER{}, &at, FILE_CURRENT);
  // A batch file may have read part of the file before: the rest is the input.
  opened.Size = opened.HasSize && size.QuadPart > at.QuadPart
                    ? static_cast<std::uint64_t>(size.QuadPart - at.QuadPart)
                    : 0;
  return {};
}

std::error_code OpenStandardOutput(TFileHandle& handle) {
  return DuplicateStandard(STD_OUTPUT_HANDLE, handle);
}

std::error_code CreateForWriting(const std::string& name, TFileHandle& handle) {
  handle = NoFileHandle;
  const std::optional<std::wstring> systemName = SystemName(name);
  if (!systemName) return TFileError::NameNotUtf8;
  // Opened, then emptied, rather than CREATE_ALWAYS: an existing file keeps
  // its identity, attributes and access rights, and a hidden one does not
  // refuse to be replaced.
  const HANDLE created = ::CreateFileW(systemName->c_str(), GENERIC_WRITE, SharedAccess, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) return LastSystemError();
  // Devices such as NUL have no length to cut.
  if (::GetFileType(created) == FILE_TYPE_DISK && !::SetEndOfFile(created)) {
    const std::error_code error = LastSystemError();
    ::CloseHandle(created);
    return error;
  }
  handle = FromHandle(created);
  return {};
}

std::error_code DuplicateFile(TFileHandle handle, TFileHandle& copy) {
  HANDLE duplicate = nullptr;
  const HANDLE process = ::GetCurrentProcess();
  if (!::DuplicateHandle(process, AsHandle(handle), process, &duplicate, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
    copy = NoFileHandle;
    return LastSystemError();
  }
  copy = FromHandle(duplicate);
  return {};
}

bool MayWait(TFileHandle handle) { return ::GetFileType(AsHandle(handle)) != FILE_TYPE_DISK; }

// The breaker cancels a waiting call on the handle (WaitBreaker.h); a call
// that failed or did not start for that reason reports the stop.
TIoResult ReadSome(TFileHandle handle, std::uint8_t* data, std::size_t count,
                   const TWaitBreaker* breaker) {
  TIoResult result;
  if (breaker != nullptr && breaker->Broken()) {
    result.Error = TFileError::Stopped;
    return result;
  }
  DWORD got = 0;
  if (!::ReadFile(AsHandle(handle), data, static_cast<DWORD>(std::min(count, MaxTransfer)), &got,
                  nullptr)) {
    const DWORD error = ::GetLastError();
    if (breaker != nullptr && breaker->Broken()) {
      result.Error = TFileError::Stopped;
      return result;
    }
    // The writer of a pipe has closed it: the end of the data, no failure.
    if (error != ERROR_BROKEN_PIPE && error != ERROR_HANDLE_EOF) {
      result.Error = SystemError(static_cast<int>(error));
    }
    return result;
  }
  result.Bytes = got;
  return result;
}

TIoResult WriteAll(TFileHandle handle, const std::uint8_t* data, std::size_t count,
                   const TWaitBreaker* breaker) {
  TIoResult result;
  while (result.Bytes < count) {
    if (breaker != nullptr && breaker->Broken()) {
      result.Error = TFileError::Stopped;
      break;
    }
    DWORD put = 0;
    if (!::WriteFile(AsHandle(handle), data + result.Bytes,
                     static_cast<DWORD>(std::min(count - result.Bytes, MaxTransfer)), &put,
                     nullptr)) {
      result.Error = breaker != nullptr && breaker->Broken() ? make_error_code(TFileError::Stopped)
                                                             : LastSystemError();
      break;
    }
    if (put == 0) {
      result.Error = TFileError::ShortWrite;
      break;
    }
    result.Bytes += put;
  }
  return result;
}

// The system's lazy writer starts on its own.
void StartWriteback(TFileHandle, std::uint64_t, std::size_t) {}

std::error_code CloseFile(TFileHandle handle) {
  // Unlike close() on Linux, a failed CloseHandle leaves nothing half done.
  if (!::CloseHandle(AsHandle(handle))) return LastSystemError();
  return {};
}

namespace {

// The tail of the disk file behind handle, its size counted from start.
TTailResult ReadTailFrom(HANDLE handle, std::uint64_t start, std::uint8_t* out, std::size_t count) {
  TTailResult result;
  LARGE_INTEGER size{};
  if (::GetFileType(handle) != FILE_TYPE_DISK) {
    // A pipe or a device: no size, no tail, and no read that could wait.
    result.OpenError = TFileError::NotRegular;
  } else if (!::GetFileSizeEx(handle, &size)) {
    result.OpenError = LastSystemError();
  } else {
    const auto end = static_cast<std::uint64_t>(size.QuadPart);
    result.Size = end > start ? end - start : 0;
    result.Count = static_cast<std::size_t>(std::min<std::uint64_t>(count, result.Size));
    std::size_t done = 0;
    while (done < result.Count) {
      const std::uint64_t at = end - result.Count + done;
      OVERLAPPED position{};
      position.Offset = static_cast<DWORD>(at);
      position.OffsetHigh = static_cast<DWORD>(at >> 32);
      DWORD got = 0;
      if (!::ReadFile(handle, out + done, static_cast<DWORD>(result.Count - done), &got,
                      &position)) {
        result.ReadError = LastSystemError();
        break;
      }
      if (got == 0) {
        // A file that shrank meanwhile reads short: the caller's size is stale.
        result.ReadError = TFileError::FileShrank;
        break;
      }
      done += got;
    }
  }
  return result;
}

}  // namespace

TTailResult ReadFileTail(const std::string& name, std::uint8_t* out, std::size_t count) {
  TTailResult result;
  const std::optional<std::wstring> systemName = SystemName(name);
  if (!systemName) {
    result.OpenError = TFileError::NameNotUtf8;
    return result;
  }
  const HANDLE handle = ::CreateFileW(systemName->c_str(), GENERIC_READ, SharedAccess, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    result.OpenError = LastSystemError();
    return result;
  }
  result = ReadTailFrom(handle, 0, out, count);
  ::CloseHandle(handle);
  return result;
}

TTailResult ReadHandleTail(TFileHandle handle, std::uint8_t* out, std::size_t count) {
  TTailResult result;
  LARGE_INTEGER at{};
  if (::GetFileType(AsHandle(handle)) != FILE_TYPE_DISK ||
      !::SetFilePointerEx(AsHandle(handle), LARGE_INTEGER{}, &at, FILE_CURRENT)) {
    result.OpenError = TFileError::NotRegular;
    return result;
  }
  result = ReadTailFrom(AsHandle(handle), static_cast<std::uint64_t>(at.QuadPart), out, count);
  // A positioned read moves the file pointer of a synchronous handle: put it
  // back where reading starts.
  ::SetFilePointerEx(AsHandle(handle), at, nullptr, FILE_BEGIN);
  return result;
}
