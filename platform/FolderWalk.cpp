// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FolderWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/FileError.h"
#include "platform/FileSystem.h"

namespace {

TEntryKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return TEntryKind::Regular;
  if (S_ISDIR(mode)) return TEntryKind::Folder;
  if (S_ISLNK(mode)) return TEntryKind::SymbolicLink;
  return TEntryKind::Other;
}

}  // namespace

TFolderListing ListFolder(const std::string& folder) {
  TFolderListing listing;
  DIR* handle = ::opendir(folder.c_str());
  if (handle == nullptr) {
    listing.Error = SystemError(errno);
    return listing;
  }
  const int descriptor = ::dirfd(handle);
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(handle);
    if (entry == nullptr) {
      if (errno != 0) listing.Error = SystemError(errno);
      break;
    }
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    if (::fstatat(descriptor, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
      // Removed since it was listed: nothing to report.
      if (errno == ENOENT) continue;
      listing.Entries.push_back({name, TEntryKind::Other, 0, SystemError(errno)});
      continue;
    }
    listing.Entries.push_back(
        {name, KindOfMode(info.st_mode), static_cast<std::uint64_t>(info.st_size), {}});
  }
  ::closedir(handle);
  return listing;
}

std::string JoinedName(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::error_code CreateFolders(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder.empty()) return SystemError(ENOENT);
  if (DirectoryExists(folder)) return {};
  const std::string parent = FolderOf(folder);
  if (parent != folder) {
    if (const std::error_code error = CreateFolders(parent)) return error;
  }
  if (::mkdir(folder.c_str(), 0777) == 0) return {};
  const int error = errno;
  // Made meanwhile by someone else: as good as made here.
  if (error == EEXIST && DirectoryExists(folder)) return {};
  return SystemError(error == EEXIST ? ENOTDIR : error);
}
