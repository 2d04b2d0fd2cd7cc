#include "platform/FileSystem.h"

#include <memory>

#include "platform/IoWorker.h"
#include "platform/win32/Win32.h"
#include "platform/win32/WideText.h"
#include "util/SecureWipe.h"

namespace {

// What a name reaches, links followed: opened for no access at all, which
// neither a lock nor a missing read right refuses, and which works for
// folders too (backup semantics).
struct TNameInfo {
  bool Directory = false;
  bool Disk = false;  // a file or folder on a volume, not a device such as NUL
  BY_HANDLE_FILE_INFORMATION File{};
  FILE_BASIC_INFO Basic{};
};

std::optional<TNameInfo> Examine(const std::string& name) {
  if (name.empty()) return std::nullopt;
  const std::optional<std::wstring> systemName = SystemName(name);
  if (!systemName) return std::nullopt;
  const HANDLE handle = ::CreateFileW(systemName->c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  TNameInfo info;
  info.Disk = ::GetFileType(handle) == FILE_TYPE_DISK &&
              ::GetFileInformationByHandle(handle, &info.File) != 0;
  if (info.Disk) {
    info.Directory = (info.File.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &info.Basic, sizeof info.Basic)) {
      info.Basic = {};
    }
  }
  ::CloseHandle(handle);
  return info;
}

bool IsRegular(const TNameInfo& info) { return info.Disk && !info.Directory; }

std::uint64_t Join(DWORD high, DWORD low) {
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

// File times count 100 ns from 1601; the stamps only compare them.
std::int64_t Nanoseconds(std::int64_t fileTime) { return fileTime * 100; }

std::optional<std::wstring> Variable(const wchar_t* name) {
  const DWORD needed = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::wstring value(needed, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(name, value.data(), needed);
  if (length == 0 || length >= needed) return std::nullopt;
  value.resize(length);
  return value;
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return {};
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return {};
  full.resize(length);
  return full;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A usable temporary directory: absolute, without trailing separators, and
// not a drive's root folder, where a copy would be a stray file.
std::optional<std::wstring> UsableTempDirectory(const std::wstring& value) {
  if (value.empty()) return std::nullopt;
  std::wstring dir = FullPath(value);
  while (dir.size() > 1 && IsSeparator(dir.back())) dir.pop_back();
  if (dir.empty() || dir.back() == L':') return std::nullopt;
  if (dir.size() <= 1) return std::nullopt;
  return dir;
}

// Keeps at most `bytes` bytes of a UTF-8 text without cutting a character.
std::string Utf8Prefix(const std::string& text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) --bytes;
  return text.substr(0, bytes);
}

std::string RandomSuffix() {
  static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  LARGE_INTEGER counter{};
  ::QueryPerformanceCounter(&counter);
  thread_local std::uint64_t state = 0;
  state ^= static_cast<std::uint64_t>(counter.QuadPart) ^
           (static_cast<std::uint64_t>(::GetCurrentProcessId()) << 32);
  state = state * 6364136223846793005u + 1442695040888963407u;
  std::string suffix;
  std::uint64_t bits = state;
  for (int i = 0; i < 6; ++i) {
    suffix.push_back(Letters[bits % 36]);
    bits /= 36;
  }
  return suffix;
}

HANDLE OpenForCopying(const std::string& name) {
  const std::optional<std::wstring> systemName = SystemName(name);
  if (!systemName) {
    ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return INVALID_HANDLE_VALUE;
  }
  return ::CreateFileW(systemName->c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

}  // namespace

bool FileExists(const std::string& name) {
  const std::optional<TNameInfo> info = Examine(name);
  return info && IsRegular(*info);
}

bool DirectoryExists(const std::string& name) {
  const std::optional<TNameInfo> info = Examine(name);
  return info && info->Disk && info->Directory;
}

bool DeleteFile(const std::string& name, int* errorCode) {
  const std::optional<std::wstring> systemName = SystemName(name);
  const int error = !systemName                         ? ERROR_NO_UNICODE_TRANSLATION
                    : ::DeleteFileW(systemName->c_str()) ? 0
                                                         : LastError();
  if (error == 0) return true;
  if (errorCode != nullptr) *errorCode = error;
  return false;
}

bool SameFileName(const std::string& a, const std::string& b) {
  // Windows compares names by upper-casing each UTF-16 unit by its own
  // table, whatever the user's language: CompareStringOrdinal does exactly
  // that. Invalid UTF-8 only matches itself.
  const std::optional<std::wstring> wideA = WideFromUtf8(a);
  const std::optional<std::wstring> wideB = WideFromUtf8(b);
  if (!wideA || !wideB) return a == b;
  return ::CompareStringOrdinal(wideA->c_str(), static_cast<int>(wideA->size()), wideB->c_str(),
                                static_cast<int>(wideB->size()), TRUE) == CSTR_EQUAL;
}

bool SameFile(const std::string& a, const std::string& b) {
  if (SameFileName(a, b)) return true;
  const std::optional<TNameInfo> infoA = Examine(a);
  const std::optional<TNameInfo> infoB = Examine(b);
  return infoA && infoB && infoA->Disk && infoB->Disk &&
         infoA->File.dwVolumeSerialNumber == infoB->File.dwVolumeSerialNumber &&
         infoA->File.nFileIndexHigh == infoB->File.nFileIndexHigh &&
         infoA->File.nFileIndexLow == infoB->File.nFileIndexLow;
}

std::optional<std::uint64_t> FileSize(const std::string& name) {
  const std::optional<TNameInfo> info = Examine(name);
  if (!info || !info->Disk) return std::nullopt;
  return Join(info->File.nFileSizeHigh, info->File.nFileSizeLow);
}

TFileStamp StampOf(const std::string& name) {
  TFileStamp stamp;
  const std::optional<TNameInfo> info = Examine(name);
  if (!info) return stamp;
  stamp.Exists = true;
  stamp.Regular = IsRegular(*info);
  if (!info->Disk) return stamp;
  stamp.Device = info->File.dwVolumeSerialNumber;
  stamp.Inode = Join(info->File.nFileIndexHigh, info->File.nFileIndexLow);
  stamp.Size = Join(info->File.nFileSizeHigh, info->File.nFileSizeLow);
  stamp.ModifiedNs = Nanoseconds(static_cast<std::int64_t>(
      Join(info->File.ftLastWriteTime.dwHighDateTime, info->File.ftLastWriteTime.dwLowDateTime)));
  stamp.ChangedNs = Nanoseconds(info->Basic.ChangeTime.QuadPart);
  return stamp;
}

std::string TempDirectory() {
  if (const auto value = Variable(L"Temp")) {
    if (const auto dir = UsableTempDirectory(*value)) return Utf8FromWide(*dir);
  }
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
  if (length != 0 && length <= MAX_PATH) {
    if (const auto dir = UsableTempDirectory(std::wstring(buffer, length))) {
      return Utf8FromWide(*dir);
    }
  }
  return Utf8FromWide(FullPath(L"."));
}

std::string FileNamePart(const std::string& path) {
  const auto separator = path.find_last_of("\\/:");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

TTempFile CreateTempFile(const std::string& dir, const std::string& stem) {
  TTempFile file;
  // Room for the directory's separator and the suffix within the usual
  // 255-character limit of one name.
  constexpr std::size_t MaxStem = 200;
  std::string prefix = dir;
  if (prefix.empty() || (prefix.back() != '\\' && prefix.back() != '/')) prefix += '\\';
  prefix += Utf8Prefix(stem, MaxStem);
  prefix += '.';
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = prefix + RandomSuffix();
    const std::optional<std::wstring> systemName = SystemName(name);
    if (!systemName) {
      file.Error = ERROR_NO_UNICODE_TRANSLATION;
      return file;
    }
    // CREATE_NEW never takes over an existing file.
    const HANDLE handle = ::CreateFileW(systemName->c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      file.Name = name;
      file.Handle = FromHandle(handle);
      file.Error = 0;
      return file;
    }
    file.Error = LastError();
    if (file.Error != ERROR_FILE_EXISTS && file.Error != ERROR_ALREADY_EXISTS) return file;
  }
  return file;
}

TCopyResult CopyFileToHandle(const std::string& from, TFileHandle handle,
                             const std::function<bool()>& keepGoing) {
  TCopyResult result;
  const HANDLE input = OpenForCopying(from);
  if (input == INVALID_HANDLE_VALUE) {
    result.Error = LastError();
    return result;
  }
  LARGE_INTEGER size{};
  if (::GetFileType(input) != FILE_TYPE_DISK || !::GetFileSizeEx(input, &size)) {
    // Without a size there is no way to tell a complete copy.
    result.Error = ERROR_INVALID_FUNCTION;
    ::CloseHandle(input);
    return result;
  }
  result.Expected = static_cast<std::uint64_t>(size.QuadPart);

  constexpr std::size_t BlockSize = 256 * 1024;
  const auto block = std::make_unique<std::uint8_t[]>(BlockSize);
  for (;;) {
    if (keepGoing && !keepGoing()) {
      result.Stopped = true;
      break;
    }
    const TIoResult got =
        RunIo({TIoRequest::TKind::Read, FromHandle(input), block.get(), BlockSize});
    if (got.Error != 0) {
      result.Error = got.Error;
      break;
    }
    if (got.Bytes == 0) break;
    const TIoResult put = RunIo({TIoRequest::TKind::Write, handle, block.get(), got.Bytes});
    result.Copied += put.Bytes;
    if (!put.Ok()) {
      result.Error = put.Error != 0 ? put.Error : ERROR_IO_DEVICE;
      break;
    }
  }
  // The block held the file's plaintext.
  SecureWipe(block.get(), BlockSize);
  ::CloseHandle(input);
  if (result.Error != 0 || result.Stopped) return result;

  // The copy may be all that is left of the file: it must be on the disk
  // before the caller lets the original go.
  if (!::FlushFileBuffers(AsHandle(handle))) {
    result.Error = LastError();
    return result;
  }
  LARGE_INTEGER written{};
  if (!::GetFileSizeEx(AsHandle(handle), &written)) {
    result.Error = LastError();
  } else if (static_cast<std::uint64_t>(written.QuadPart) != result.Copied) {
    result.Error = ERROR_IO_DEVICE;
  }
  return result;
}

TCopyResult CopyFileOver(const std::string& from, const std::string& to) {
  TCopyResult result;
  const std::optional<std::wstring> systemName = SystemName(to);
  if (!systemName) {
    result.Error = ERROR_NO_UNICODE_TRANSLATION;
    return result;
  }
  // Emptied and rewritten in place, so that it keeps its identity, links and
  // access rights.
  const HANDLE handle = ::CreateFileW(systemName->c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE || !::SetEndOfFile(handle)) {
    result.Error = LastError();
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    return result;
  }
  result = CopyFileToHandle(from, FromHandle(handle));
  const int closeError = ::CloseHandle(handle) ? 0 : LastError();
  if (result.Error == 0 && closeError != 0) result.Error = closeError;
  return result;
}
