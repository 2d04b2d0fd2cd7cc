// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/BatchWording.h"

#include "cli/Printable.h"
#include "platform/FileSystem.h"
#include "platform/SystemError.h"

std::string NoteWhy(const TBatchNote& note) {
  switch (note.Cause) {
    case TNoteCause::NoSuchFile: return "no such file";
    case TNoteCause::NotRegular: return "is not a regular file";
    case TNoteCause::FolderWithoutRecursive:
      return "is a folder; give -r to process the files in it";
    case TNoteCause::AlreadyEncrypted: return "already has the extension .tvn";
    case TNoteCause::NotEncrypted: return "is not a .tvn file";
    case TNoteCause::NamedNotEncrypted:
      return "has no .tvn extension; decrypt it alone with a TARGET";
    case TNoteCause::NoPlainName: return "has no name without the extension .tvn";
    case TNoteCause::NamedNoPlainName:
      return "has no name without the extension .tvn; decrypt it alone with a TARGET";
    case TNoteCause::SymbolicLink: return "is a symbolic link; not followed";
    case TNoteCause::OwnTarget: return "would be its own target";
    case TNoteCause::TargetIsLink:
      return "its target " + Printable(note.Target) +
             " is a symbolic link, which a batch never writes through; it was not processed";
    case TNoteCause::NotExamined: return SystemErrorText(note.Error);
  }
  return "cannot be processed";
}

std::string ConflictLine(const TPlanConflict& conflict) {
  switch (conflict.Kind) {
    case TConflictKind::SameTarget:
      return conflict.EarlierSource + " and " + conflict.Source + " both go to " + conflict.Target;
    case TConflictKind::OneFile:
      return conflict.EarlierSource + " goes to " + conflict.EarlierTarget + " and " +
             conflict.Source + " to " + conflict.Target + ", which are one file";
    case TConflictKind::TargetIsSource:
      return conflict.Source + " goes to " + conflict.Target + ", which is the source " +
             conflict.EarlierSource;
  }
  return conflict.Source + " goes to " + conflict.Target;
}

std::string RefusalLine(const TItemRefusal& refusal, const TBatchItem& item) {
  const std::string source = Printable(item.Source);
  const std::string target = Printable(item.Target);
  switch (refusal.Cause) {
    case TRefusalCause::TargetLeadsToSource:
      return target + " leads to " + source + " itself; it was not processed";
    case TRefusalCause::TargetIsLink:
      return target + " is a symbolic link, which a batch never writes through; " + source +
             " was not processed";
    case TRefusalCause::SourceReplaced:
      return source + " was replaced since the batch began; it was not processed";
    case TRefusalCause::SourceNotExamined:
      return source + ": " + SystemErrorText(refusal.Error) + "; it was not processed";
    case TRefusalCause::FolderNotCreated:
      return "cannot create the folder " + Printable(FolderOf(item.Target)) + ": " +
             SystemErrorText(refusal.Error) + "; " + source + " was not processed";
  }
  return source + " was not processed";
}
