// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileIdentity.h"

#include "platform/FileError.h"
#include "platform/FolderWalk.h"
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

std::error_code IdentityBelow(const std::string& folder, const std::string& below,
                              TFileIdentity& identity) {
  // Each folder on the way is looked at by itself; the file is then opened
  // on its own reparse point, if it became one, rather than through it.
  std::string current = folder;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = below.find('/', start);
    const std::string part =
        below.substr(start, slash == std::string::npos ? slash : slash - start);
    current = JoinedName(current, part);
    const std::optional<std::wstring> systemName = SystemName(current);
    if (!systemName) return TFileError::NameNotUtf8;
    if (IsReparsePoint(*systemName)) return NotLinkHere();
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  const std::optional<std::wstring> systemName = SystemName(current);
  if (!systemName) return TFileError::NameNotUtf8;
  const HANDLE handle = ::CreateFileW(
      systemName->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastSystemError();
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known =
      ::GetFileType(handle) == FILE_TYPE_DISK && ::GetFileInformationByHandle(handle, &info) != 0;
  ::CloseHandle(handle);
  if (!known) return TFileError::NotRegular;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return NotLinkHere();
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return TFileError::NotRegular;
  identity = {info.dwVolumeSerialNumber,
              (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  return {};
}
