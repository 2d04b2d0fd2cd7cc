// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/BatchPlan.h"

#include <algorithm>
#include <compare>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

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

// Absolute, without "." and ".." and doubled separators, so that names of
// targets that do not exist yet compare too. A name the library cannot
// convert is kept as given.
std::string NormalName(const std::string& name) {
  try {
    const std::filesystem::path path(std::u8string(name.begin(), name.end()));
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) return name;
    const std::u8string cleaned = absolute.lexically_normal().u8string();
    return std::string(cleaned.begin(), cleaned.end());
  } catch (const std::exception&) {
    return name;
  }
}

// The length in UTF-16 units, which no case rule of a file system changes:
// only names of one length need comparing.
std::size_t CaseFreeLength(const std::string& name) {
  std::size_t units = 0;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) ++units;
    if (byte >= 0xF0) ++units;
  }
  return units;
}

class TPlanner {
 public:
  explicit TPlanner(const TBatchSpec& spec) : FSpec(spec) {}

  TBatchPlan Run() {
    for (const std::string& operand : FSpec.Operands) Operand(operand);
    FindConflicts();
    return std::move(FPlan);
  }

 private:
  void Operand(const std::string& name) {
    switch (KindOf(name)) {
      case TFileKind::Missing: Fail(name, "no such file"); return;
      case TFileKind::Other: Fail(name, "is not a regular file"); return;
      case TFileKind::Directory:
        if (FSpec.Recursive) {
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
    if (FSpec.OutputDir) {
      const std::string part = FileNamePart(*beside);
      target = JoinedName(*FSpec.OutputDir, relative.empty() ? part : JoinedName(relative, part));
    }
    if (SameFile(source, target) || SameFileName(NormalName(source), NormalName(target))) {
      Fail(source, "would be its own target");
      return;
    }
    FPlan.Items.push_back({source, target, size, KindOf(target) != TFileKind::Missing});
    FSourceIdentities.push_back(identity);
  }

  // Where the result would go beside its source; nothing when the file is
  // left out (and then noted).
  std::optional<std::string> TargetBeside(const std::string& source, bool named) {
    if (FSpec.Direction == TDirection::Encrypt) {
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
    std::map<std::size_t, std::vector<std::size_t>> byLength;
    std::map<TIdentity, std::size_t> existingTargets;
    std::map<TIdentity, std::size_t> sources;
    std::vector<std::string> normalTargets;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (FSourceIdentities[i]) sources.emplace(*FSourceIdentities[i], i);
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
      normalTargets.push_back(NormalName(items[i].Target));
      std::optional<std::size_t> clash;
      std::vector<std::size_t>& sameLength = byLength[CaseFreeLength(normalTargets[i])];
      for (const std::size_t j : sameLength) {
        if (SameFileName(normalTargets[j], normalTargets[i])) {
          clash = j;
          break;
        }
      }
      sameLength.push_back(i);
      const std::optional<TIdentity> target =
          items[i].TargetExists ? IdentityOf(items[i].Target) : std::nullopt;
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

  const TBatchSpec& FSpec;
  TBatchPlan FPlan;
  std::set<TIdentity> FFolders;  // walked already
  std::set<TIdentity> FFiles;    // looked at already, planned or left out
  std::vector<std::optional<TIdentity>> FSourceIdentities;  // one per item
};

}  // namespace

TBatchPlan PlanBatch(const TBatchSpec& spec) { return TPlanner(spec).Run(); }
