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

int LockRetrying(int handle, int operation) {
  int result;
  do {
    result = ::flock(handle, operation);
  } while (result != 0 && errno == EINTR);
  return result == 0 ? 0 : errno;
}

// Renames without replacing: atomically where the file system can, else by
// a hard link (which fails on an existing name), else by looking first,
// which leaves a short window on file systems that offer neither.
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return 0;
  }
  if (errno == EEXIST) return EEXIST;
  struct stat existing {};
  if (::lstat(to.c_str(), &existing) == 0) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// The rename lives in the folder's entries: only a synced folder keeps it
// over a power loss. Some file systems cannot sync a folder; the result is
// in place by then, so that is no failure of the run.
void SyncFolder(const std::string& folder) {
  const int handle = OpenRetrying(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (handle < 0) return;
  (void)::fsync(handle);
  CloseHandle(handle);
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

int TPendingFile::Create(const std::string& finalName) {
  Discard();
  const std::string folder = FolderOf(finalName);
  const std::string prefix = Joined(folder, TemporaryStem(finalName));
  // A run that cleans up leftovers may take the new file for one between its
  // creation and its lock; then the name is gone and the next one is tried.
  constexpr int Attempts = 8;
  int error = EEXIST;
  for (int attempt = 0; attempt < Attempts; ++attempt) {
    std::string name = prefix + std::string(TemporaryRandomChars, 'X') + TemporarySuffix;
    int handle;
    do {
      // O_EXCL and mode 0600: never another's file, never readable by others.
      handle =
          ::mkostemps(name.data(),
                      static_cast<int>(std::char_traits<char>::length(TemporarySuffix)), O_CLOEXEC);
    } while (handle < 0 && errno == EINTR);
    if (handle < 0) return errno;
    error = LockRetrying(handle, LOCK_EX);
    if (error == 0 && NameHolds(name, handle)) {
      FFinalName = finalName;
      FName = std::move(name);
      FHandle = handle;
      return 0;
    }
    if (error == 0) error = ENOENT;
    CloseHandle(handle);
  }
  return error;
}

int TPendingFile::Commit(const TFileAttributes& attributes, TReplaceMode mode) {
  if (FHandle < 0) return EBADF;
  if (::fsync(FHandle) != 0) return errno;
  ApplyAttributes(FHandle, attributes);
  // Whatever the name reaches now is what gets renamed: it must still be the
  // file this run wrote.
  if (!NameHolds(FName, FHandle)) return ESTALE;
  const int error = mode == TReplaceMode::Replace
                        ? (::rename(FName.c_str(), FFinalName.c_str()) == 0 ? 0 : errno)
                        : RenameNoReplace(FName, FFinalName);
  if (error != 0) return error;
  SyncFolder(FolderOf(FFinalName));
  CloseHandle(FHandle);
  FHandle = -1;
  FName.clear();
  return 0;
}

void TPendingFile::Discard() noexcept {
  if (FHandle < 0) return;
  if (NameHolds(FName, FHandle)) ::unlink(FName.c_str());
  CloseHandle(FHandle);
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
    CloseHandle(handle);
  }
  ::closedir(listing);
}

TFileLock::~TFileLock() { Unlock(); }

int TFileLock::TryLock(const std::string& name) {
  Unlock();
  const int handle = OpenRetrying(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (handle < 0) return errno;
  int error = LockRetrying(handle, LOCK_EX | LOCK_NB);
  if (error == 0) {
    // Locked the file the name reaches now, not one it reached a moment
    // ago: a run that just replaced it has moved on to a new file.
    struct stat byName {};
    struct stat byHandle {};
    if (::stat(name.c_str(), &byName) != 0 || ::fstat(handle, &byHandle) != 0 ||
        !SameInode(byName, byHandle)) {
      error = EWOULDBLOCK;
    }
  }
  if (error != 0) {
    CloseHandle(handle);
    return error;
  }
  FHandle = handle;
  return 0;
}

void TFileLock::Unlock() noexcept {
  if (FHandle < 0) return;
  CloseHandle(FHandle);
  FHandle = -1;
}

void TFileLock::BeforeReplace() noexcept {}
