// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/BatchPlan.h"

#include <algorithm>
#include <compare>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>
#include <unordered_map>

#include "job/TargetName.h"
#include "platform/FileSystem.h"
#include "platform/FolderWalk.h"
#include "platform/SystemError.h"
#include "platform/TemporaryName.h"

namespace {

// Which file a name reaches on disk, so that two names of one file (a
// relative and an absolute one, hard links, a link named on the command
// line) are told apart from two files.
struct TIdentity {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  auto operator<=>(const TIdentity&) const = default;
};

std::optional<TIdentity> IdentityOf(const std::string& name) {
  const TFileStamp stamp = StampOf(name);
  // Devices have no identity on Windows: they must not all look alike.
  if (!stamp.Exists || (stamp.Device == 0 && stamp.Inode == 0)) return std::nullopt;
  return TIdentity{stamp.Device, stamp.Inode};
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
    return std::move(FPlan);
  }

 private:
  void Operand(const std::string& name) {
    switch (KindOf(name)) {
      case TFileKind::Missing: Fail(name, "no such file"); return;
      case TFileKind::Other: Fail(name, "is not a regular file"); return;
      case TFileKind::Directory:
        if (FOrder.Recursive) {
          Walk(name, "");
        } else {
          Fail(name, "is a folder; give -r to process the files in it");
        }
        return;
      case TFileKind::Regular: File(name, FileSize(name).value_or(0), "", true); return;
    }
  }

  // relative: the folder's path below the named folder ("" for that one).
  void Walk(const std::string& folder, const std::string& relative) {
    // A folder named twice, or named and met inside another: walked once.
    // Bind mounts could otherwise even make a cycle.
    if (const std::optional<TIdentity> identity = IdentityOf(folder)) {
      if (!FFolders.insert(*identity).second) return;
    }
    TFolderListing listing = ListFolder(folder);
    if (listing.Error) {
      Fail(folder, SystemErrorText(listing.Error));
      return;
    }
    std::sort(listing.Entries.begin(), listing.Entries.end(),
              [](const TFolderEntry& a, const TFolderEntry& b) { return a.Name < b.Name; });
    for (const TFolderEntry& entry : listing.Entries) {
      // Another run's result in the making, or what a killed one left: that
      // run's business, not a file of the user's.
      if (IsTemporaryName(entry.Name)) continue;
      const std::string name = JoinedName(folder, entry.Name);
      switch (entry.Kind) {
        case TEntryKind::SymbolicLink: Skip(name, "is a symbolic link; not followed"); break;
        case TEntryKind::Other: Skip(name, "is not a regular file"); break;
        case TEntryKind::Folder:
          Walk(name, relative.empty() ? entry.Name : JoinedName(relative, entry.Name));
          break;
        case TEntryKind::Regular: File(name, entry.Size, relative, false); break;
      }
    }
  }

  void File(const std::string& source, std::uint64_t size, const std::string& relative,
            bool named) {
    const std::optional<TIdentity> identity = IdentityOf(source);
    if (identity && !FFiles.insert(*identity).second) return;
    const std::optional<std::string> beside = TargetBeside(source, named);
    if (!beside) return;
    std::string target = *beside;
    if (FOrder.OutputDir) {
      const std::string part = FileNamePart(*beside);
      target = JoinedName(*FOrder.OutputDir, relative.empty() ? part : JoinedName(relative, part));
    }
    const std::optional<TIdentity> targetIdentity = IdentityOf(target);
    std::string normalTarget = NormalName(target, FBase);
    if ((identity && identity == targetIdentity) ||
        SameFileName(NormalName(source, FBase), normalTarget)) {
      Fail(source, "would be its own target");
      return;
    }
    // A link in a loop or a device has no identity, yet is there.
    const bool exists = targetIdentity || KindOf(target) != TFileKind::Missing;
    FPlan.Items.push_back({source, target, size, exists});
    FFacts.push_back({identity, targetIdentity, std::move(normalTarget)});
  }

  // Where the result would go beside its source; nothing when the file is
  // left out (and then noted).
  std::optional<std::string> TargetBeside(const std::string& source, bool named) {
    if (FOrder.Direction == TDirection::Encrypt) {
      // Never the results of an earlier run over the same folder.
      if (HasEncryptedExtension(source)) {
        Skip(source, "already has the extension .tvn");
        return std::nullopt;
      }
      return ReplaceExtension(source);
    }
    if (!HasEncryptedExtension(source)) {
      if (named) {
        Fail(source, "has no .tvn extension; decrypt it alone with a TARGET");
      } else {
        Skip(source, "is not a .tvn file");
      }
      return std::nullopt;
    }
    std::optional<std::string> target = DecryptedTargetName(source);
    if (!target) {
      if (named) {
        Fail(source, "has no name without the extension .tvn; decrypt it alone with a TARGET");
      } else {
        Skip(source, "has no name without the extension .tvn");
      }
    }
    return target;
  }

  // Each item against the earlier ones: one line per clash.
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
      std::vector<std::size_t>& alike = byKey[FileNameKey(FFacts[i].NormalTarget)];
      for (const std::size_t j : alike) {
        if (SameFileName(FFacts[j].NormalTarget, FFacts[i].NormalTarget)) {
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
            other.Target == items[i].Target
                ? other.Source + " and " + items[i].Source + " both go to " + items[i].Target
                : other.Source + " goes to " + other.Target + " and " + items[i].Source + " to " +
                      items[i].Target + ", which are one file");
      }
      if (target) {
        const auto source = sources.find(*target);
        if (source != sources.end() && source->second != i) {
          FPlan.Conflicts.push_back(items[i].Source + " goes to " + items[i].Target +
                                    ", which is the source " + items[source->second].Source);
        }
      }
    }
  }

  void Fail(const std::string& name, std::string why) {
    FPlan.Failed.push_back({name, std::move(why)});
  }
  void Skip(const std::string& name, std::string why) {
    FPlan.Skipped.push_back({name, std::move(why)});
  }

  const TBatchOrder& FOrder;
  TBatchPlan FPlan;
  std::set<TIdentity> FFolders;  // walked already
  std::set<TIdentity> FFiles;    // looked at already, planned or left out
  const std::filesystem::path FBase;
  // What the checks of the whole batch need of each item, found once.
  struct TFacts {
    std::optional<TIdentity> Source;
    std::optional<TIdentity> Target;  // when it exists
    std::string NormalTarget;
  };
  std::vector<TFacts> FFacts;  // one per item
};

}  // namespace

TBatchPlan PlanBatch(const TBatchOrder& order) { return TPlanner(order).Run(); }
