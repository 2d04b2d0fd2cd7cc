// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileSystem.h"

#include "platform/FileError.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32.h"

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
  const HANDLE handle =
      ::CreateFileW(systemName->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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

std::wstring FullPath(const std::wstring& path) {
  const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  return full;
}

// "\\.\NUL", "\\.\pipe\x": a device, except "\\.\C:\..." (a drive by the
// device path).
bool IsDeviceName(const std::wstring& full) {
  if (full.rfind(L"\\\\.\\", 0) != 0) return false;
  return !(full.size() >= 6 && full[5] == L':' && (full.size() == 6 || full[6] == L'\\'));
}

bool IsRegular(const TNameInfo& info) { return info.Disk && !info.Directory; }

std::uint64_t Join(DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; }

// File times count 100 ns from 1601; the stamps only compare them.
std::int64_t Nanoseconds(std::int64_t fileTime) { return fileTime * 100; }

}  // namespace

bool FileExists(const std::string& name) {
  const std::optional<TNameInfo> info = Examine(name);
  return info && IsRegular(*info);
}

bool DirectoryExists(const std::string& name) {
  const std::optional<TNameInfo> info = Examine(name);
  return info && info->Disk && info->Directory;
}

bool DeleteFile(const std::string& name, std::error_code* errorCode) {
  const std::optional<std::wstring> systemName = SystemName(name);
  const std::error_code error = !systemName ? make_error_code(TFileError::NameNotUtf8)
                                : ::DeleteFileW(systemName->c_str()) ? std::error_code()
                                                                     : LastSystemError();
  if (!error) return true;
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

std::string FileNameKey(const std::string& name) {
  // Letters in one case, and one mark for each UTF-16 unit beyond ASCII and
  // for the letters that one of those may upper-case to ("\u0131" is 'I',
  // "\u017F" is 'S' by some tables; 'K' is kept with them to be safe).
  constexpr char Blurred = '\x01';
  std::string key;
  key.reserve(name.size());
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
      key += lower == 'i' || lower == 's' || lower == 'k' ? Blurred : lower;
    } else if ((byte & 0xC0) != 0x80) {
      key += Blurred;
      if (byte >= 0xF0) key += Blurred;
    }
  }
  return key;
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

std::string FileNamePart(const std::string& path) {
  const auto separator = path.find_last_of("\\/:");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

TFileKind KindOf(const std::string& name) {
  if (name.empty()) return TFileKind::Missing;
  const std::optional<std::wstring> systemName = SystemName(name);
  if (!systemName) return TFileKind::Missing;
  // Devices (NUL, CON, COM1, and every "\\.\" name such as a pipe) come
  // back from the path rules as "\\.\<device>": found by the name alone, so
  // a pipe nobody serves cannot hold the caller.
  const std::wstring full = FullPath(*systemName);
  if (IsDeviceName(full)) return TFileKind::Other;
  const DWORD attributes = ::GetFileAttributesW(systemName->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                   error == ERROR_INVALID_NAME
               ? TFileKind::Missing
               : TFileKind::Other;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? TFileKind::Directory : TFileKind::Regular;
  }
  // A link: what it reaches. A link to nothing names a file yet to be made.
  const std::optional<TNameInfo> info = Examine(name);
  if (!info) return TFileKind::Missing;
  if (!info->Disk) return TFileKind::Other;
  return info->Directory ? TFileKind::Directory : TFileKind::Regular;
}

std::string FolderOf(const std::string& name) {
  const auto separator = name.find_last_of("\\/:");
  if (separator == std::string::npos) return ".";
  // "C:name" lives in drive C's current folder, "C:\name" in its root, and
  // "\name" in the current drive's root: the separator stays in those.
  if (name[separator] == ':' || separator == 0 || (separator == 2 && name[1] == ':')) {
    return name.substr(0, separator + 1);
  }
  return name.substr(0, separator);
}

std::string ResolveLinks(const std::string& name) {
  const std::optional<std::wstring> systemName = SystemName(name);
  if (!systemName) return name;
  const DWORD attributes = ::GetFileAttributesW(systemName->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 ||
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return name;
  }
  // The system follows the whole chain when it opens the name; the final
  // path of that file is where the link leads. A link to nothing keeps its
  // name (and would be replaced itself).
  const HANDLE handle =
      ::CreateFileW(systemName->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return name;
  std::wstring path(MAX_PATH, L'\0');
  DWORD length = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length >= path.size()) {
    path.resize(length + 1);
    length = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  }
  ::CloseHandle(handle);
  if (length == 0 || length >= path.size()) return name;
  path.resize(length);
  // "\\?\C:\..." and "\\?\UNC\server\..." as the user would write them.
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    path = L"\\\\" + path.substr(8);
  } else if (path.rfind(L"\\\\?\\", 0) == 0 && path.size() >= 6 && path[5] == L':') {
    path = path.substr(4);
  }
  return Utf8FromWide(path);
}

TFileAttributes AttributesOf(const std::string& name) {
  TFileAttributes result;
  const std::optional<TNameInfo> info = Examine(name);
  if (!info || !info->Disk) return result;
  constexpr DWORD Kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                         FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  result.WindowsFlags = info->File.dwFileAttributes & Kept;
  result.Mode = (result.WindowsFlags & FILE_ATTRIBUTE_READONLY) != 0 ? 0444u : 0666u;
  return result;
}
