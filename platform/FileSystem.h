// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <system_error>

// File-system services of the job and the front ends: existence, kind,
// identity, links, permissions and deletion. Failures come back as error
// codes (FileError.h), never as exceptions.
// Names are UTF-8 on Windows too.

// An existing regular file, links followed. A directory, a device or a
// dangling link does not count.
bool FileExists(const std::string& name);

// An existing directory, links followed.
bool DirectoryExists(const std::string& name);

// Removes the name. On failure returns false and, when given, stores the
// error code.
bool DeleteFile(const std::string& name, std::error_code* errorCode = nullptr);

// Equal as file names by the platform's rules: case-insensitive where names
// are (Windows), byte for byte elsewhere (Brief.txt and brief.txt are two
// files on Linux). No path resolution.
bool SameFileName(const std::string& a, const std::string& b);

// A key that names SameFileName takes as equal share (other names may share
// it too): equal names are found among many by the key, not by comparing
// every pair.
std::string FileNameKey(const std::string& name);

// Both names reach one file: equal names, or two existing names of one file
// on disk (relative and absolute forms, symbolic links, hard links).
bool SameFile(const std::string& a, const std::string& b);

// The file's size, links followed; nullopt when it cannot be examined.
std::optional<std::uint64_t> FileSize(const std::string& name);

// Identity and state of what a name reaches, to tell afterwards whether a
// file was created, replaced, truncated or written meanwhile.
struct TFileStamp {
  bool Exists = false;
  bool Regular = false;
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::uint64_t Size = 0;
  std::int64_t ModifiedNs = 0;
  std::int64_t ChangedNs = 0;
  bool operator==(const TFileStamp&) const = default;
};
TFileStamp StampOf(const std::string& name);

// The file-name part of a path: what follows its last separator ('/' here;
// '\\', '/' and ':' on Windows).
std::string FileNamePart(const std::string& path);

// What a name reaches, links followed, found without opening it (so a FIFO
// cannot hold the caller).
enum class TFileKind { Missing, Regular, Directory, Other };
TFileKind KindOf(const std::string& name);

// The name with symbolic links of its last part followed to the file they
// reach (which need not exist yet): replacing that name replaces the linked
// file and keeps the link. A name that is no link comes back as it is.
std::string ResolveLinks(const std::string& name);

// The folder part of a name: "." for a bare file name.
std::string FolderOf(const std::string& name);

// What a result takes over from its source.
struct TFileAttributes {
  unsigned Mode = 0600;   // permission bits
  bool HasOwner = false;  // Owner and Group are meaningful
  unsigned Owner = 0;
  unsigned Group = 0;
  // Windows keeps no permission bits (access rights come from the folder);
  // these of its file attributes carry over instead: read-only, hidden,
  // system, archive, not indexed. Unused on POSIX.
  std::uint32_t WindowsFlags = 0;
};
// The attributes of an existing file; defaults when it cannot be examined.
TFileAttributes AttributesOf(const std::string& name);
