// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "job/CryptRequest.h"

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
};

// Something left out on purpose (a ".tvn" source when encrypting, a
// non-".tvn" file in a folder when decrypting, a symbolic link or a
// non-regular file met in a folder): the batch still succeeds.
struct TBatchNote {
  std::string Name;  // as the user sees it (not yet made printable)
  std::string Why;   // "already has the extension .tvn", "is a symbolic link", ...
};

struct TBatchPlan {
  std::vector<TBatchItem> Items;  // operands' order; a folder's files sorted by name
  std::vector<TBatchNote> Skipped;
  // Operands that cannot be processed (missing, not a regular file, a folder
  // without Recursive, a name with no default target, an unreadable folder).
  // They count as failed; the other items still run.
  std::vector<TBatchNote> Failed;
  // Non-empty: the batch is refused as a whole before anything is written,
  // one line each (two sources with one target, with both names). The names
  // in them are not yet made printable either; the words around them hold
  // no backslash or control character, so the whole line may be.
  std::vector<std::string> Conflicts;
};

// Walks the operands and decides every source and target. Reads the file
// system (kinds, sizes, folder listings) and writes nothing; the output
// folder need not exist yet.
TBatchPlan PlanBatch(const TBatchOrder& order);
