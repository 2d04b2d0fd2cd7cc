// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FolderWalk.h"

#include "platform/FileError.h"
#include "platform/FileSystem.h"
#include "platform/SystemError.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

TEntryKind KindOfFound(const WIN32_FIND_DATAW& found) {
  const DWORD attributes = found.dwFileAttributes;
  // Links and junctions name another place: never followed. Other reparse
  // points (cloud placeholders, deduplicated files) are the files they seem.
  // No tag at all is no valid one: a system that does not say (Wine) may
  // mean a link.
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
      (found.dwReserved0 == 0 || IsReparseTagNameSurrogate(found.dwReserved0))) {
    return TEntryKind::SymbolicLink;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return TEntryKind::Folder;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return TEntryKind::Other;
  return TEntryKind::Regular;
}

}  // namespace

TFolderListing ListFolder(const std::string& folder) {
  TFolderListing listing;
  const std::optional<std::wstring> pattern = SystemName(JoinedName(folder, "*"));
  if (folder.empty() || !pattern) {
    listing.Error = folder.empty() ? SystemError(ERROR_PATH_NOT_FOUND)
                                   : make_error_code(TFileError::NameNotUtf8);
    return listing;
  }
  WIN32_FIND_DATAW found{};
  const HANDLE handle =
      ::FindFirstFileExW(pattern->c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                         FIND_FIRST_EX_LARGE_FETCH);
  if (handle == INVALID_HANDLE_VALUE) {
    const std::error_code error = LastSystemError();
    // A drive's root has no "." or "..": empty, it matches nothing at all.
    if (error != SystemError(ERROR_FILE_NOT_FOUND) || !DirectoryExists(folder)) {
      listing.Error = error;
    }
    return listing;
  }
  do {
    const std::string name = Utf8FromWide(found.cFileName);
    if (name == "." || name == "..") continue;
    const std::uint64_t size =
        (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    listing.Entries.push_back({name, KindOfFound(found), size, {}});
  } while (::FindNextFileW(handle, &found));
  if (::GetLastError() != ERROR_NO_MORE_FILES) listing.Error = LastSystemError();
  ::FindClose(handle);
  return listing;
}

std::string JoinedName(const std::string& folder, const std::string& name) {
  if (folder.empty() || IsSeparator(folder.back()) || folder.back() == ':') return folder + name;
  return folder + "\\" + name;
}

std::error_code CreateFolders(const std::string& path) {
  std::string folder = path;
  // "C:\" and "\" keep the separator that makes them a root.
  while (folder.size() > 1 && IsSeparator(folder.back()) &&
         !(folder.size() == 3 && folder[1] == ':')) {
    folder.pop_back();
  }
  if (folder.empty()) return SystemError(ERROR_PATH_NOT_FOUND);
  if (DirectoryExists(folder)) return {};
  const std::string parent = FolderOf(folder);
  if (parent != folder) {
    if (const std::error_code error = CreateFolders(parent)) return error;
  }
  const std::optional<std::wstring> systemName = SystemName(folder);
  if (!systemName) return TFileError::NameNotUtf8;
  if (::CreateDirectoryW(systemName->c_str(), nullptr)) return {};
  const std::error_code error = LastSystemError();
  // Made meanwhile by someone else: as good as made here.
  if (IsNameTakenError(error) && DirectoryExists(folder)) return {};
  return error;
}
