// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

// Why a batch leaves a file out, fails it or refuses to run, as values that
// each front end words in its own language.

// Of one name given or found, when planning.
enum class TNoteCause {
  NoSuchFile,
  NotRegular,
  FolderWithoutRecursive,  // a folder named without -r
  AlreadyEncrypted,        // a ".tvn" source when encrypting
  NotEncrypted,            // a file found in a folder being decrypted
  NamedNotEncrypted,       // a file named for decryption without ".tvn"
  NoPlainName,             // ".tvn" alone, found in a folder
  NamedNoPlainName,        // ".tvn" alone, named
  SymbolicLink,            // met in a folder: not followed
  OwnTarget,               // the target is the source itself
  TargetIsLink,            // a symbolic link stands in the target's place
  NotExamined,             // the system's reason in the note's Error
};

// Two items of a plan that cannot both be written.
enum class TConflictKind {
  SameTarget,      // both named the same target
  OneFile,         // two target names that reach one file
  TargetIsSource,  // one item's target is another item's source
};

struct TPlanConflict {
  TConflictKind Kind = TConflictKind::SameTarget;
  std::string EarlierSource;  // for TargetIsSource: the source written over
  std::string EarlierTarget;  // unused for TargetIsSource
  std::string Source;
  std::string Target;
};

// Why an item of a batch did not run, found just before it would.
enum class TRefusalCause {
  TargetLeadsToSource,  // the target is (a link to) the source by now
  TargetIsLink,         // a symbolic link appeared in the target's place
  SourceReplaced,       // the source is no longer the file planned
  SourceNotExamined,    // the source could not be looked at again (Error)
  FolderNotCreated,     // the target's folder could not be made (Error)
};

struct TItemRefusal {
  TRefusalCause Cause = TRefusalCause::SourceNotExamined;
  std::error_code Error;
};
