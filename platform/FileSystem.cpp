// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileSystem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileError.h"

namespace {

bool StatName(const std::string& name, struct stat& info) {
  return !name.empty() && ::stat(name.c_str(), &info) == 0;
}

std::int64_t Nanoseconds(const struct timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

}  // namespace

bool FileExists(const std::string& name) {
  struct stat info {};
  return StatName(name, info) && S_ISREG(info.st_mode);
}

bool DirectoryExists(const std::string& name) {
  struct stat info {};
  return StatName(name, info) && S_ISDIR(info.st_mode);
}

bool DeleteFile(const std::string& name, std::error_code* errorCode) {
  if (::unlink(name.c_str()) == 0) return true;
  if (errorCode != nullptr) *errorCode = SystemError(errno);
  return false;
}

bool SameFileName(const std::string& a, const std::string& b) { return a == b; }

std::string FileNameKey(const std::string& name) { return name; }

bool SameFile(const std::string& a, const std::string& b) {
  if (SameFileName(a, b)) return true;
  struct stat infoA {};
  struct stat infoB {};
  return StatName(a, infoA) && StatName(b, infoB) && infoA.st_dev == infoB.st_dev &&
         infoA.st_ino == infoB.st_ino;
}

std::optional<std::uint64_t> FileSize(const std::string& name) {
  struct stat info {};
  if (!StatName(name, info)) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

TFileStamp StampOf(const std::string& name) {
  TFileStamp stamp;
  struct stat info {};
  if (!StatName(name, info)) return stamp;
  stamp.Exists = true;
  stamp.Regular = S_ISREG(info.st_mode);
  stamp.Device = static_cast<std::uint64_t>(info.st_dev);
  stamp.Inode = static_cast<std::uint64_t>(info.st_ino);
  stamp.Size = static_cast<std::uint64_t>(info.st_size);
  stamp.ModifiedNs = Nanoseconds(info.st_mtim);
  stamp.ChangedNs = Nanoseconds(info.st_ctim);
  return stamp;
}

std::string FileNamePart(const std::string& path) {
  const auto separator = path.find_last_of('/');
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

TFileKind KindOf(const std::string& name) {
  struct stat info {};
  if (!StatName(name, info)) {
    // A loop of links is something there, but never a file to read or
    // replace; a link to nothing is the name of a file yet to be made.
    return errno == ELOOP ? TFileKind::Other : TFileKind::Missing;
  }
  if (S_ISREG(info.st_mode)) return TFileKind::Regular;
  if (S_ISDIR(info.st_mode)) return TFileKind::Directory;
  return TFileKind::Other;
}

std::string FolderOf(const std::string& name) {
  const auto separator = name.find_last_of('/');
  if (separator == std::string::npos) return ".";
  if (separator == 0) return "/";
  return name.substr(0, separator);
}

std::string ResolveLinks(const std::string& name) {
  // As many hops as the kernel follows before it gives up with ELOOP.
  constexpr int MaxHops = 40;
  std::string current = name;
  for (int hop = 0; hop < MaxHops; ++hop) {
    struct stat info {};
    if (current.empty() || ::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      return current;
    }
    std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
    const ssize_t length = ::readlink(current.c_str(), link.data(), link.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= link.size()) return current;
    link.resize(static_cast<std::size_t>(length));
    if (link.front() != '/') {
      const auto separator = current.find_last_of('/');
      if (separator != std::string::npos) link = current.substr(0, separator + 1) + link;
    }
    current = std::move(link);
  }
  return current;
}

TFileAttributes AttributesOf(const std::string& name) {
  TFileAttributes attributes;
  struct stat info {};
  if (!StatName(name, info)) return attributes;
  // No set-user or set-group bits: a decrypted copy must not run as the
  // owner of its source.
  attributes.Mode = static_cast<unsigned>(info.st_mode) & 01777u;
  attributes.HasOwner = true;
  attributes.Owner = static_cast<unsigned>(info.st_uid);
  attributes.Group = static_cast<unsigned>(info.st_gid);
  return attributes;
}
