// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PendingFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/Descriptor.h"
#include "platform/FileError.h"
#include "platform/TemporaryName.h"

namespace {

std::string Joined(const std::string& folder, const std::string& name) {
  if (folder == ".") return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool SameInode(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The name still reaches the open file: nobody removed or replaced it.
bool NameHolds(const std::string& name, int handle) {
  struct stat byName {};
  struct stat byHandle {};
  return ::lstat(name.c_str(), &byName) == 0 && ::fstat(handle, &byHandle) == 0 &&
         SameInode(byName, byHandle);
}

std::error_code LastError() { return SystemError(errno); }

std::error_code LockRetrying(int handle, int operation) {
  int result;
  do {
    result = ::flock(handle, operation);
  } while (result != 0 && errno == EINTR);
  return result == 0 ? std::error_code() : LastError();
}

// Renames without replacing: atomically where the file system can, else by
// a hard link (which fails on an existing name), else by looking first,
// which leaves a short window on file systems that offer neither.
std::error_code RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return LastError();
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return {};
  }
  if (errno == EEXIST) return LastError();
  struct stat existing {};
  if (::lstat(to.c_str(), &existing) == 0) return TFileError::NameTaken;
  return ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastError();
}

// The rename lives in the folder's entries: only a synced folder keeps it
// over a power loss. Some file systems cannot sync a folder; the result is
// in place by then, so that is no failure of the run.
void SyncFolder(const std::string& folder) {
  const int handle = OpenRetrying(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (handle < 0) return;
  (void)::fsync(handle);
  CloseDescriptor(handle);
}

void ApplyAttributes(int handle, const TFileAttributes& attributes) {
  if (attributes.HasOwner) {
    // Only root may give a file away; a group the user belongs to still
    // carries over.
    if (::fchown(handle, attributes.Owner, attributes.Group) != 0) {
      (void)::fchown(handle, static_cast<uid_t>(-1), attributes.Group);
    }
  }
  // After the owner: chown clears the set-id bits.
  (void)::fchmod(handle, static_cast<mode_t>(attributes.Mode));
}

}  // namespace

TPendingFile::~TPendingFile() { Discard(); }

std::error_code TPendingFile::Create(const std::string& finalName) {
  Discard();
  const std::string folder = FolderOf(finalName);
  const std::string prefix = Joined(folder, TemporaryStem(finalName));
  // A run that cleans up leftovers may take the new file for one between its
  // creation and its lock; then the name is gone and the next one is tried.
  constexpr int Attempts = 8;
  std::error_code error;
  for (int attempt = 0; attempt < Attempts; ++attempt) {
    std::string name = prefix + std::string(TemporaryRandomChars, 'X') + TemporarySuffix;
    int handle;
    do {
      // O_EXCL and mode 0600: never another's file, never readable by others.
      handle =
          ::mkostemps(name.data(),
                      static_cast<int>(std::char_traits<char>::length(TemporarySuffix)), O_CLOEXEC);
    } while (handle < 0 && errno == EINTR);
    if (handle < 0) return LastError();
    error = LockRetrying(handle, LOCK_EX);
    if (!error && NameHolds(name, handle)) {
      FFinalName = finalName;
      FName = std::move(name);
      FHandle = handle;
      return {};
    }
    if (!error) error = TFileError::TemporaryLost;
    CloseDescriptor(handle);
  }
  return error;
}

std::error_code TPendingFile::Commit(const TFileAttributes& attributes, TReplaceMode mode,
                                     const std::function<bool()>& mayRename) {
  if (FHandle < 0) return TFileError::NotOpen;
  if (::fsync(FHandle) != 0) return LastError();
  ApplyAttributes(FHandle, attributes);
  if (mayRename && !mayRename()) return TFileError::Stopped;
  // Whatever the name reaches now is what gets renamed: it must still be the
  // file this run wrote.
  if (!NameHolds(FName, FHandle)) return TFileError::NameMoved;
  const std::error_code error =
      mode == TReplaceMode::Replace
          ? (::rename(FName.c_str(), FFinalName.c_str()) == 0 ? std::error_code() : LastError())
          : RenameNoReplace(FName, FFinalName);
  if (error) return error;
  SyncFolder(FolderOf(FFinalName));
  CloseDescriptor(FHandle);
  FHandle = -1;
  FName.clear();
  return {};
}

void TPendingFile::Discard() noexcept {
  if (FHandle < 0) return;
  if (NameHolds(FName, FHandle)) ::unlink(FName.c_str());
  CloseDescriptor(FHandle);
  FHandle = -1;
  FName.clear();
}

void RemoveStaleTemporaries(const std::string& finalName) {
  const std::string folder = FolderOf(finalName);
  const std::string stem = TemporaryStem(finalName);
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string entryName = entry->d_name;
    if (!IsTemporaryOf(entryName, stem)) continue;
    const std::string name = Joined(folder, entryName);
    const int handle = OpenRetrying(name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0) continue;
    struct stat info {};
    // A live run holds its file locked; only a regular file nobody holds goes.
    if (::fstat(handle, &info) == 0 && S_ISREG(info.st_mode) &&
        ::flock(handle, LOCK_EX | LOCK_NB) == 0 && NameHolds(name, handle)) {
      ::unlink(name.c_str());
    }
    CloseDescriptor(handle);
  }
  ::closedir(listing);
}

TFileLock::~TFileLock() { Unlock(); }

std::error_code TFileLock::TryLock(const std::string& name) {
  Unlock();
  const int handle = OpenRetrying(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (handle < 0) return LastError();
  std::error_code error = LockRetrying(handle, LOCK_EX | LOCK_NB);
  if (!error) {
    // Locked the file the name reaches now, not one it reached a moment
    // ago: a run that just replaced it has moved on to a new file.
    struct stat byName {};
    struct stat byHandle {};
    if (::stat(name.c_str(), &byName) != 0 || ::fstat(handle, &byHandle) != 0 ||
        !SameInode(byName, byHandle)) {
      error = TFileError::LockedElsewhere;
    }
  }
  if (error) {
    CloseDescriptor(handle);
    return error;
  }
  FHandle = handle;
  return {};
}

void TFileLock::Unlock() noexcept {
  if (FHandle < 0) return;
  CloseDescriptor(FHandle);
  FHandle = -1;
}

void TFileLock::BeforeReplace() noexcept {}
