// SPDX-License-Identifier: GPL-3.0-or-later
// Throwaway stand-in for the batch planner and the folder creation, so that
// the batch run builds and runs before they are merged.
#include "cli/BatchPlanStub.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "cli/BatchPlan.h"
#include "job/TargetName.h"
#include "platform/FileSystem.h"

namespace fs = std::filesystem;

std::error_code CreateFolders(const std::string& path) {
  std::error_code error;
  fs::create_directories(path, error);
  return error;
}

namespace {

void AddFile(const TBatchSpec& spec, TBatchPlan& plan, const std::string& source,
             const std::string& relative, bool inFolder) {
  std::string target;
  if (spec.Direction == TDirection::Encrypt) {
    if (HasEncryptedExtension(source)) {
      plan.Skipped.push_back({source, "already has the extension .tvn"});
      return;
    }
    target = ReplaceExtension(relative);
  } else {
    const auto decrypted = DecryptedTargetName(relative);
    if (!decrypted) {
      if (inFolder) {
        plan.Skipped.push_back({source, "is not a .tvn file"});
      } else {
        plan.Failed.push_back({source, "is not a .tvn file, so it has no name to decrypt to"});
      }
      return;
    }
    target = *decrypted;
  }
  if (spec.OutputDir) target = (fs::path(*spec.OutputDir) / target).string();
  plan.Items.push_back(
      {source, target, FileSize(source).value_or(0), KindOf(target) != TFileKind::Missing});
}

}  // namespace

TBatchPlan PlanBatch(const TBatchSpec& spec) {
  TBatchPlan plan;
  for (const std::string& operand : spec.Operands) {
    const TFileKind kind = KindOf(operand);
    if (kind == TFileKind::Missing) {
      plan.Failed.push_back({operand, "no such file"});
    } else if (kind == TFileKind::Directory && spec.Recursive) {
      std::vector<std::string> files;
      for (const auto& entry : fs::recursive_directory_iterator(operand)) {
        if (entry.is_symlink()) {
          plan.Skipped.push_back({entry.path().string(), "is a symbolic link"});
        } else if (entry.is_regular_file()) {
          files.push_back(entry.path().string());
        }
      }
      std::sort(files.begin(), files.end());
      for (const std::string& file : files) {
        const std::string relative =
            spec.OutputDir ? fs::path(file).lexically_relative(operand).string() : file;
        AddFile(spec, plan, file, relative, true);
      }
    } else if (kind != TFileKind::Regular) {
      plan.Failed.push_back({operand, "is not a regular file"});
    } else {
      AddFile(spec, plan, operand, spec.OutputDir ? FileNamePart(operand) : operand, false);
    }
  }
  std::map<std::string, std::string> byTarget;
  for (const TBatchItem& item : plan.Items) {
    auto [it, added] = byTarget.emplace(item.Target, item.Source);
    if (!added) {
      plan.Conflicts.push_back(it->second + " and " + item.Source + " would both be written to " +
                               item.Target);
    }
  }
  return plan;
}
