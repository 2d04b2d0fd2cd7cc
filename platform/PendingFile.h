// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <system_error>

#include "platform/FileHandle.h"
#include "platform/FileSystem.h"

class TOutputFile;

// Whether the final name may be replaced when the result is put in place.
enum class TReplaceMode {
  Replace,    // the user agreed to replace what is there (or it is the source)
  NoReplace,  // the name was free: a file that appeared meanwhile is kept
};

// A result on its way to its final name. It is written into a new temporary
// file in the final name's folder (never across file systems, so the last
// step is a rename) and reaches the final name only whole: synced, with its
// permissions set, renamed in one step, the folder synced after. Until then
// the final name holds what it held before; a failure, a cancel or a kill
// leaves at most the temporary file, which a later run on the same final
// name removes once no live run holds it.
//
// The temporary file is called ".<final name>.<random>.tolvane-tmp", created
// exclusively and readable by its owner only (on Windows: with the folder's
// inherited access rights), and locked while its run lives.
class TPendingFile {
 public:
  TPendingFile() = default;
  TPendingFile(const TPendingFile&) = delete;
  TPendingFile& operator=(const TPendingFile&) = delete;
  ~TPendingFile();  // discards an uncommitted file

  // finalName must already have its links resolved. Fails when the folder
  // cannot take the file.
  std::error_code Create(const std::string& finalName);
  bool Exists() const { return FHandle != NoFileHandle; }
  // The temporary file's name.
  const std::string& Name() const { return FName; }

  // Opens output on the temporary file, for the transform to write into and
  // close: a handle of its own to the file Create made, never the file a
  // name reaches by then.
  std::error_code OpenOutput(TOutputFile& output) const;

  // After the transform has closed its output. Fails with a code
  // IsNameTakenError accepts when mode is NoReplace and the final name is
  // taken. On failure the temporary file is still there; Discard it.
  // mayRename is asked once the file is synced, right before the rename:
  // false leaves the final name alone and fails with TFileError::Stopped.
  std::error_code Commit(const TFileAttributes& attributes, TReplaceMode mode,
                         const std::function<bool()>& mayRename = {});

  // Removes the temporary file. Harmless when there is none.
  void Discard() noexcept;

 private:
  std::string FFinalName;
  std::string FName;
  TFileHandle FHandle = NoFileHandle;  // open and locked from Create to the end
};

// Removes temporary files that runs on finalName left behind (a kill, a power
// loss) and that no live run holds. Best effort: failures are ignored.
void RemoveStaleTemporaries(const std::string& finalName);

// An exclusive advisory lock on an existing file, held while the object
// lives. Runs that process one file in place take it, so that a second one
// is refused instead of both writing.
class TFileLock {
 public:
  TFileLock() = default;
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;
  ~TFileLock();

  // Fails with a code IsBusyError accepts when another run holds the file.
  // Never waits.
  std::error_code TryLock(const std::string& name);
  void Unlock() noexcept;

  // Called just before the locked file's name is replaced. Windows cannot
  // replace a file that is open, so there the lock goes now; a run that
  // takes the file in the moment left holds it open, and the replacing then
  // fails without harm. POSIX keeps the lock until Unlock.
  void BeforeReplace() noexcept;

 private:
  TFileHandle FHandle = NoFileHandle;
};
