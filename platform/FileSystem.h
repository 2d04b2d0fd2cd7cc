#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/FileHandle.h"

// File-system services of the job and the front ends: existence, identity,
// deletion, the temporary directory and verified copies. Failures come back
// as OS error codes (errno on POSIX, GetLastError codes on Windows), never as
// exceptions. Names are UTF-8 on Windows too.

// An existing regular file, links followed. A directory, a device or a
// dangling link does not count.
bool FileExists(const std::string& name);

// An existing directory, links followed.
bool DirectoryExists(const std::string& name);

// Removes the name. On failure returns false and, when given, stores the OS
// error code.
bool DeleteFile(const std::string& name, int* errorCode = nullptr);

// Equal as file names by the platform's rules: case-insensitive where names
// are (Windows), byte for byte elsewhere (Brief.txt and brief.txt are two
// files on Linux). No path resolution.
bool SameFileName(const std::string& a, const std::string& b);

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

// The directory for temporary copies: the `Temp` variable when set and not
// empty, else TMPDIR, else /tmp (on Windows, where variable names ignore
// case: `Temp`, else the system's temporary directory). A value naming the root folder is passed
// over, so a copy never lands in "/". A relative value is made absolute, so
// the name of a copy can be told to the user. No trailing separator.
std::string TempDirectory();

// The file-name part of a path: what follows its last separator ('/' here;
// '\\', '/' and ':' on Windows).
std::string FileNamePart(const std::string& path);

// A new, empty file of a unique name in dir, created exclusively (an existing
// file is never replaced) and readable by its owner only (on Windows: with
// the access rights the directory gives its new files). The name starts
// with stem.
struct TTempFile {
  std::string Name;
  TFileHandle Handle = NoFileHandle;  // open for writing; the caller closes it (CloseHandle)
  int Error = 0;    // OS error code when no file was created
};
TTempFile CreateTempFile(const std::string& dir, const std::string& stem);

// Outcome of a copy. Complete means every byte of the source as it was when
// the copy began reached the destination and the destination is synced.
struct TCopyResult {
  std::uint64_t Copied = 0;
  std::uint64_t Expected = 0;
  int Error = 0;         // OS error code of the failing call
  bool Stopped = false;  // keepGoing returned false
  bool Complete() const { return Error == 0 && !Stopped && Copied == Expected; }
};

// Copies the regular file `from` into the open, empty destination handle,
// then syncs the destination to the disk. keepGoing, when given, is asked
// between blocks. Does not close the handle.
TCopyResult CopyFileToHandle(const std::string& from, TFileHandle handle,
                             const std::function<bool()>& keepGoing = {});

// Copies `from` over `to`: `to` is created, or emptied and rewritten in place
// (it keeps its identity, so its links and permissions survive).
TCopyResult CopyFileOver(const std::string& from, const std::string& to);
