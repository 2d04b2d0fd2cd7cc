// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "job/CryptRequest.h"
#include "job/JobFailure.h"
#include "util/Secret.h"

// Why a file of a batch was left out, could not run, or how it ended
// short of success. The batch window words each in German (BatchTexts).
enum class TBatchCause {
  None,
  AlreadyEncrypted,     // has the extension .tvn, and the batch encrypts
  NotEncrypted,         // is no .tvn file, and the batch decrypts
  NoPlainName,          // ".tvn" alone: no name is left to decrypt to
  SymbolicLink,         // met in a folder; not followed
  NotRegular,           // a pipe, a device, a socket
  Missing,              // no such file
  Folder,               // a folder where a file was expected
  OwnTarget,            // would be its own target
  TargetExists,         // the target exists and the user chose to keep it
  TargetAppeared,       // the target appeared while the batch ran, and was kept
  FolderNotCreated,     // the target's folder cannot be made (system text)
  CannotExamine,        // the file or folder cannot be examined (system text)
  ItemChanged,          // the source changed since the batch was planned
  TargetIsLink,         // the target is a symbolic link
  TargetLeadsToSource,  // the target is by now (a link to) the source itself
  OneTarget,            // two sources would go to one target
  TargetIsSource,       // the target is another item's source
  JobFailed,            // the run of the file failed: see the job's failure
};

// What the batch window asks to be planned: the names the user listed
// (files, and folders, which are walked with their subfolders).
struct TBatchListOrder {
  TDirection Direction = TDirection::Encrypt;
  std::vector<std::string> Paths;  // UTF-8, absolute
  // Results go here instead of beside their sources; files found in a
  // listed folder keep their path relative to it.
  std::optional<std::string> OutputDir;
};

// One file to process: never its own target, and no two share one.
struct TBatchListItem {
  std::string Source;
  std::string Target;
  std::uint64_t Size = 0;     // when planned, for the progress
  bool TargetExists = false;  // a file of the target's name existed when planned
};

// A file left out (skipped) or one that cannot be processed (failed).
struct TBatchListNote {
  std::string Name;
  TBatchCause Cause = TBatchCause::None;
  std::string SystemText;  // the system's words, for the causes that carry them
};

// A clash that refuses the batch as a whole before anything is written.
struct TBatchConflict {
  TBatchCause Cause = TBatchCause::OneTarget;  // OneTarget or TargetIsSource
  std::string Source;                          // the later item
  std::string Target;                          // its target
  std::string OtherSource;                     // the earlier item (OneTarget) or the source it hits
  std::string OtherTarget;  // OneTarget: the earlier target when its name differs
};

struct TBatchListing {
  std::vector<TBatchListItem> Items;  // the paths' order; a folder's files by name
  std::vector<TBatchListNote> Skipped;
  std::vector<TBatchListNote> Failed;
  std::vector<TBatchConflict> Conflicts;
};

// One file of a run, with whether its existing target may be replaced.
struct TBatchRunItem {
  std::string Source;
  std::string Target;
  std::uint64_t Size = 0;
  bool Replace = false;
};

struct TBatchSettings {
  TDirection Direction = TDirection::Encrypt;
  TChainMode Mode = TChainMode::CBC;
  TPasswordHashing Hashing = TPasswordHashing::UseHashes;
  bool CreateFolders = false;  // results go into an output folder: make targets' folders
};

enum class TBatchOutcome { Done, Skipped, Failed, Cancelled };

// How one item of the run ended.
struct TBatchItemEnd {
  std::size_t Index = 0;  // into the items given to Launch
  TBatchOutcome Outcome = TBatchOutcome::Done;
  TBatchCause Cause = TBatchCause::None;  // Skipped, Failed
  std::string SystemText;                 // for causes that carry one
  TJobFailure Failure;                    // Cause JobFailed
};

// What happened since the last look.
struct TBatchNews {
  std::vector<std::size_t> Started;  // items that began, in the order they began
  std::vector<TBatchItemEnd> Ended;  // items that ended, in the order they ended
  std::uint64_t DoneBytes = 0;       // the ended items plus the progress of running ones
  std::uint64_t TotalBytes = 0;
  bool Finished = false;  // every worker has ended; nothing further comes
};

// The batch engine as the batch window sees it. Everything is called on the
// GUI thread; the run goes on on workers of the runner's own, which never
// touch the window: the window polls TakeNews while a run goes on.
class IBatchRunner {
 public:
  virtual ~IBatchRunner() = default;

  // Walks the paths and decides every source and target. Reads the file
  // system, writes nothing.
  virtual TBatchListing Plan(const TBatchListOrder& order) = 0;
  // Starts the run of the items; at most one runs at a time. Nothing is
  // asked while it runs: what may be replaced was settled before.
  virtual void Launch(std::vector<TBatchRunItem> items, const TBatchSettings& settings,
                      TSecret password) = 0;
  virtual TBatchNews TakeNews() = 0;
  // No further item starts; running ones stop at their next chunk and leave
  // nothing at their targets' names. Their ends still come as Cancelled.
  virtual void Cancel() = 0;
  // Waits until every worker of a cancelled run has ended. Returns at once
  // when none runs.
  virtual void WaitForStopped() = 0;
};
