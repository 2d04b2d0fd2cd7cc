// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "batch/BatchCause.h"
#include "job/CryptRequest.h"
#include "platform/FileIdentity.h"

// What a batch is asked to do: every operand is a source (a file, or a
// folder when Recursive is set).
struct TBatchOrder {
  TDirection Direction = TDirection::Encrypt;
  std::vector<std::string> Operands;  // never "-"
  bool Recursive = false;
  // Results go here instead of beside their sources; files found under a
  // recursed folder keep their path relative to that folder.
  std::optional<std::string> OutputDir;
};

// One file to process. The target is never the source, and no two items
// share a target, nor is one item's target another item's source.
struct TBatchItem {
  std::string Source;
  std::string Target;
  std::uint64_t Size = 0;     // the source's size when planned, for progress
  bool TargetExists = false;  // a file of the target's name existed when planned
  // Found in a folder: Below is its path under the named folder Root, which
  // the run opens again without following links. Named: both empty.
  std::string Root;
  std::string Below;
  std::optional<TFileIdentity> Identity;  // the source's, when planned
};

// Something left out on purpose (a ".tvn" source when encrypting, a
// non-".tvn" file in a folder when decrypting, a symbolic link or a
// non-regular file met in a folder): the batch still succeeds.
struct TBatchNote {
  std::string Name;  // as the user sees it (not yet made printable)
  TNoteCause Cause = TNoteCause::NotRegular;
  std::error_code Error;  // NotExamined: the system's reason
  std::string Target;     // TargetIsLink: the link
};

struct TBatchPlan {
  std::vector<TBatchItem> Items;  // operands' order; a folder's files sorted by name
  std::vector<TBatchNote> Skipped;
  // Names that cannot be processed (missing, not a regular file, a folder
  // without Recursive, a name with no default target, a name that could not
  // be examined, a link in the target's place). They count as failed; the
  // other items still run.
  std::vector<TBatchNote> Failed;
  // Non-empty: the batch is refused as a whole before anything is written,
  // one each (two sources with one target, with both names).
  std::vector<TPlanConflict> Conflicts;
};

// Walks the operands and decides every source and target. A name given
// twice (also through links) is taken once; two names of one file (hard
// links) are two items. Reads the file
// system (kinds, sizes, folder listings) and writes nothing; the output
// folder need not exist yet.
TBatchPlan PlanBatch(const TBatchOrder& order);
