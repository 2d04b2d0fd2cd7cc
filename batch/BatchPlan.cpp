// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchPlan.h"

#include <algorithm>
#include <compare>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>
#include <unordered_map>

#include "job/TargetName.h"
#include "platform/FileIdentity.h"
#include "platform/FileSystem.h"
#include "platform/FolderWalk.h"
#include "platform/TemporaryName.h"

namespace {

using TIdentity = TFileIdentity;

// Where a target would be written: its folder, by identity when it exists
// (links resolved, so a folder reached by two ways is one), else by its
// resolved name, and the final name. Two places are one file when both
// parts are the same names by the platform's rules.
struct TTargetPlace {
  std::string Folder;
  std::string Name;
  std::string Key() const { return FileNameKey(Folder + '/' + Name); }
  bool operator==(const TTargetPlace& other) const {
    return SameFileName(Folder, other.Folder) && SameFileName(Name, other.Name);
  }
};

TTargetPlace PlaceOf(const std::string& target) {
  const std::string resolved = ResolvedName(target);
  const std::string folder = FolderOf(resolved);
  const TNameFacts facts = ExamineName(folder);
  if (facts.Kind == TFileKind::Directory && facts.Identity) {
    // Built by appending: GCC 12 warns falsely about "literal" + string here.
    std::string identity("@");
    identity.append(std::to_string(facts.Identity->Device)).append(":");
    identity.append(std::to_string(facts.Identity->Inode));
    return {std::move(identity), FileNamePart(resolved)};
  }
  return {folder, FileNamePart(resolved)};
}

// Absolute (from base, the current folder), without "." and ".." and
// doubled separators, so that names of targets that do not exist yet
// compare too. A name the library cannot convert is kept as given.
std::string NormalName(const std::string& name, const std::filesystem::path& base) {
  try {
    const std::filesystem::path path(std::u8string(name.begin(), name.end()));
    std::filesystem::path absolute;
    if (path.has_root_name() || path.has_root_directory()) {
      // Absolute, or on Windows relative to a drive's own current folder.
      std::error_code error;
      absolute = std::filesystem::absolute(path, error);
      if (error) return name;
    } else {
      absolute = base / path;
    }
    const std::u8string cleaned = absolute.lexically_normal().u8string();
    return std::string(cleaned.begin(), cleaned.end());
  } catch (const std::exception&) {
    return name;
  }
}

// The current folder, once for all names; empty when there is none.
std::filesystem::path CurrentFolder() {
  std::error_code error;
  std::filesystem::path folder = std::filesystem::current_path(error);
  return error ? std::filesystem::path() : folder;
}

class TPlanner {
 public:
  explicit TPlanner(const TBatchOrder& order) : FOrder(order), FBase(CurrentFolder()) {}

  TBatchPlan Run() {
    for (const std::string& operand : FOrder.Operands) Operand(operand);
    FindConflicts();
    FailLinkedTargets();
    return std::move(FPlan);
  }

 private:
  void Operand(const std::string& name) {
    const TNameFacts facts = ExamineName(name);
    if (facts.Error) {
      Fail(name, TNoteCause::NotExamined, facts.Error);
      return;
    }
    switch (facts.Kind) {
      case TFileKind::Missing: Fail(name, TNoteCause::NoSuchFile); return;
      case TFileKind::Other: Fail(name, TNoteCause::NotRegular); return;
      case TFileKind::Directory:
        if (FOrder.Recursive) {
          Walk(name, name, "", "");
        } else {
          Fail(name, TNoteCause::FolderWithoutRecursive);
        }
        return;
      case TFileKind::Regular: File(name, facts, {}, {}, {}); return;
    }
  }

  // root: the named folder; relative: the folder's path below it ("" for
  // that one) as results under the output folder repeat it; below: the same
  // with '/' as the run opens it.
  void Walk(const std::string& folder, const std::string& root, const std::string& relative,
            const std::string& below) {
    // A folder named twice, or named and met inside another: walked once.
    // Bind mounts could otherwise even make a cycle.
    if (const std::optional<TIdentity> identity = ExamineName(folder).Identity) {
      if (!FFolders.insert(*identity).second) return;
    }
    TFolderListing listing = ListFolder(folder);
    if (listing.Error) {
      Fail(folder, TNoteCause::NotExamined, listing.Error);
      return;
    }
    std::sort(listing.Entries.begin(), listing.Entries.end(),
              [](const TFolderEntry& a, const TFolderEntry& b) { return a.Name < b.Name; });
    for (const TFolderEntry& entry : listing.Entries) {
      // Another run's result in the making, or what a killed one left: that
      // run's business, not a file of the user's.
      if (IsTemporaryName(entry.Name)) continue;
      const std::string name = JoinedName(folder, entry.Name);
      const std::string entryBelow = below.empty() ? entry.Name : below + '/' + entry.Name;
      if (entry.Error) {
        Fail(name, TNoteCause::NotExamined, entry.Error);
        continue;
      }
      switch (entry.Kind) {
        case TEntryKind::SymbolicLink: Skip(name, TNoteCause::SymbolicLink); break;
        case TEntryKind::Other: Skip(name, TNoteCause::NotRegular); break;
        case TEntryKind::Folder:
          Walk(name, root, relative.empty() ? entry.Name : JoinedName(relative, entry.Name),
               entryBelow);
          break;
        case TEntryKind::Regular: {
          TNameFacts facts = ExamineName(name);
          if (facts.Error) {
            Fail(name, TNoteCause::NotExamined, facts.Error);
            break;
          }
          // Gone since it was listed: nothing to report.
          if (facts.Kind == TFileKind::Missing) break;
          facts.Size = entry.Size;
          File(name, facts, relative, root, entryBelow);
          break;
        }
      }
    }
  }

  void File(const std::string& source, const TNameFacts& facts, const std::string& relative,
            const std::string& root, const std::string& below) {
    // One name given twice, also through links: taken once. Hard links are
    // names of their own, each asked for.
    const std::string resolved = ResolvedName(source);
    std::vector<std::string>& alike = FNames[FileNameKey(resolved)];
    for (const std::string& seen : alike) {
      if (SameFileName(seen, resolved)) return;
    }
    alike.push_back(resolved);
    const std::optional<TIdentity>& identity = facts.Identity;
    const bool named = root.empty();
    const std::optional<std::string> beside = TargetBeside(source, named);
    if (!beside) return;
    std::string target = *beside;
    if (FOrder.OutputDir) {
      const std::string part = FileNamePart(*beside);
      target = JoinedName(*FOrder.OutputDir, relative.empty() ? part : JoinedName(relative, part));
    }
    const TNameFacts targetFacts = ExamineName(target);
    const std::optional<TIdentity>& targetIdentity = targetFacts.Identity;
    if ((identity && identity == targetIdentity) ||
        SameFileName(NormalName(source, FBase), NormalName(target, FBase))) {
      Fail(source, TNoteCause::OwnTarget);
      return;
    }
    // A link in a loop or a device has no identity, yet is there.
    const bool exists = targetIdentity || targetFacts.Kind != TFileKind::Missing;
    FPlan.Items.push_back({source, target, facts.Size, exists, root, below, identity});
    FFacts.push_back({identity, targetIdentity, PlaceOf(target), IsSymbolicLink(target)});
  }

  // Where the result would go beside its source; nothing when the file is
  // left out (and then noted).
  std::optional<std::string> TargetBeside(const std::string& source, bool named) {
    if (FOrder.Direction == TDirection::Encrypt) {
      // Never the results of an earlier run over the same folder.
      if (HasEncryptedExtension(source)) {
        Skip(source, TNoteCause::AlreadyEncrypted);
        return std::nullopt;
      }
      return ReplaceExtension(source);
    }
    if (!HasEncryptedExtension(source)) {
      if (named) {
        Fail(source, TNoteCause::NamedNotEncrypted);
      } else {
        Skip(source, TNoteCause::NotEncrypted);
      }
      return std::nullopt;
    }
    std::optional<std::string> target = DecryptedTargetName(source);
    if (!target) {
      if (named) {
        Fail(source, TNoteCause::NamedNoPlainName);
      } else {
        Skip(source, TNoteCause::NoPlainName);
      }
    }
    return target;
  }

  // Each item against the earlier ones: one conflict per clash.
  void FindConflicts() {
    const std::vector<TBatchItem>& items = FPlan.Items;
    std::unordered_map<std::string, std::vector<std::size_t>> byKey;
    std::map<TIdentity, std::size_t> existingTargets;
    std::map<TIdentity, std::size_t> sources;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (FFacts[i].Source) sources.emplace(*FFacts[i].Source, i);
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
      std::optional<std::size_t> clash;
      std::vector<std::size_t>& alike = byKey[FFacts[i].Place.Key()];
      for (const std::size_t j : alike) {
        if (FFacts[j].Place == FFacts[i].Place) {
          clash = j;
          break;
        }
      }
      alike.push_back(i);
      const std::optional<TIdentity>& target = FFacts[i].Target;
      if (target) {
        const auto [earlier, first] = existingTargets.emplace(*target, i);
        if (!clash && !first) clash = earlier->second;
      }
      if (clash) {
        const TBatchItem& other = items[*clash];
        FPlan.Conflicts.push_back(
            {other.Target == items[i].Target ? TConflictKind::SameTarget : TConflictKind::OneFile,
             other.Source, other.Target, items[i].Source, items[i].Target});
      }
      if (target) {
        const auto source = sources.find(*target);
        if (source != sources.end() && source->second != i) {
          FPlan.Conflicts.push_back({TConflictKind::TargetIsSource,
                                     items[source->second].Source,
                                     {},
                                     items[i].Source,
                                     items[i].Target});
        }
      }
    }
  }

  // A batch never writes through a link in a target's place: whatever it
  // reaches was not what the user named.
  void FailLinkedTargets() {
    std::vector<TBatchItem> kept;
    for (std::size_t i = 0; i < FPlan.Items.size(); ++i) {
      TBatchItem& item = FPlan.Items[i];
      if (FFacts[i].TargetIsLink) {
        FPlan.Failed.push_back({item.Source, TNoteCause::TargetIsLink, {}, item.Target});
      } else {
        kept.push_back(std::move(item));
      }
    }
    FPlan.Items = std::move(kept);
  }

  void Fail(const std::string& name, TNoteCause cause, std::error_code error = {}) {
    if (FirstNote(name, cause)) FPlan.Failed.push_back({name, cause, error, {}});
  }
  void Skip(const std::string& name, TNoteCause cause) {
    if (FirstNote(name, cause)) FPlan.Skipped.push_back({name, cause, {}, {}});
  }
  // A name given twice (or named and met in a folder) is told about once.
  bool FirstNote(const std::string& name, TNoteCause cause) {
    const std::string resolved = ResolvedName(name);
    std::vector<std::pair<std::string, TNoteCause>>& alike = FNoted[FileNameKey(resolved)];
    for (const auto& [seen, seenCause] : alike) {
      if (seenCause == cause && SameFileName(seen, resolved)) return false;
    }
    alike.emplace_back(resolved, cause);
    return true;
  }

  const TBatchOrder& FOrder;
  TBatchPlan FPlan;
  std::set<TIdentity> FFolders;  // walked already
  // Sources looked at already, planned or left out, by their resolved
  // names under FileNameKey.
  std::unordered_map<std::string, std::vector<std::string>> FNames;
  // Names told about already, with why.
  std::unordered_map<std::string, std::vector<std::pair<std::string, TNoteCause>>> FNoted;
  const std::filesystem::path FBase;
  // What the checks of the whole batch need of each item, found once.
  struct TFacts {
    std::optional<TIdentity> Source;
    std::optional<TIdentity> Target;  // when it exists
    TTargetPlace Place;
    bool TargetIsLink = false;
  };
  std::vector<TFacts> FFacts;  // one per item
};

}  // namespace

TBatchPlan PlanBatch(const TBatchOrder& order) { return TPlanner(order).Run(); }
