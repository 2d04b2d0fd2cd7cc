// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileIdentity.h"

#include "platform/FileError.h"
#include "platform/FolderWalk.h"
#include "platform/NativeFile.h"
#include "platform/win32/Win32.h"

namespace {

bool IsReparsePoint(const std::wstring& name) {
  const DWORD attributes = ::GetFileAttributesW(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::error_code NotLinkHere() { return SystemError(ERROR_CANT_RESOLVE_FILENAME); }

}  // namespace

TNameFacts ExamineName(const std::string& name) {
  TNameFacts facts;
  facts.Kind = KindOf(name);
  if (facts.Kind == TFileKind::Missing) return facts;
  const TFileStamp stamp = StampOf(name);
  facts.Size = stamp.Size;
  // Devices have no identity: they must not all look alike.
  if (stamp.Device != 0 || stamp.Inode != 0)
    facts.Identity = TFileIdentity{stamp.Device, stamp.Inode};
  return facts;
}

bool IsSymbolicLink(const std::string& name) {
  const std::optional<std::wstring> systemName = SystemName(name);
  return systemName && IsReparsePoint(*systemName);
}

namespace {

// The file below folder, opened on itself rather than through a reparse
// point, with a check of each folder on the way; access as asked.
std::error_code OpenRegularBelow(const std::string& folder, const std::string& below, DWORD access,
                                 HANDLE& handle, BY_HANDLE_FILE_INFORMATION& info) {
  // Each folder on the way is looked at by itself; the file is then opened
  // on its own reparse point, if it became one, rather than through it.
  std::string current = folder;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = below.find('/', start);
    const std::string part =
        below.substr(start, slash == std::string::npos ? slash : slash - start);
    current = JoinedName(current, part);
    if (slash == std::string::npos) break;
    const std::optional<std::wstring> systemName = SystemName(current);
    if (!systemName) return TFileError::NameNotUtf8;
    if (IsReparsePoint(*systemName)) return NotLinkHere();
    start = slash + 1;
  }
  const std::optional<std::wstring> systemName = SystemName(current);
  if (!systemName) return TFileError::NameNotUtf8;
  handle = ::CreateFileW(
      systemName->c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING,
      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN,
      nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastSystemError();
  std::error_code error;
  if (::GetFileType(handle) != FILE_TYPE_DISK || ::GetFileInformationByHandle(handle, &info) == 0) {
    error = TFileError::NotRegular;
  } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    error = NotLinkHere();
  } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    error = TFileError::NotRegular;
  }
  if (error) {
    ::CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
  }
  return error;
}

TFileIdentity IdentityOfInfo(const BY_HANDLE_FILE_INFORMATION& info) {
  return {info.dwVolumeSerialNumber,
          (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

}  // namespace

std::error_code IdentityBelow(const std::string& folder, const std::string& below,
                              TFileIdentity& identity) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  BY_HANDLE_FILE_INFORMATION info{};
  if (const std::error_code error = OpenRegularBelow(folder, below, 0, handle, info)) return error;
  ::CloseHandle(handle);
  identity = IdentityOfInfo(info);
  return {};
}

std::error_code OpenBelow(const std::string& folder, const std::string& below,
                          const TFileIdentity& expected, TOpenedFile& opened) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  BY_HANDLE_FILE_INFORMATION info{};
  if (const std::error_code error = OpenRegularBelow(folder, below, GENERIC_READ, handle, info)) {
    return error;
  }
  if (IdentityOfInfo(info) != expected) {
    ::CloseHandle(handle);
    return TFileError::NameMoved;
  }
  opened.Handle = FromHandle(handle);
  opened.HasSize = true;
  opened.Size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return {};
}
