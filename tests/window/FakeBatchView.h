// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "job/TargetName.h"
#include "window/BatchRunner.h"
#include "window/BatchView.h"

// The batch window's controls as plain values, in the state a new window
// starts in.
class TFakeBatchView final : public IBatchView {
 public:
  TFakeBatchView() {
    Texts[TBatchControl::rbEnCrypt] = "Verschlüsseln";
    Texts[TBatchControl::rbDeCrypt] = "Entschlüsseln";
    for (TBatchControl c : {TBatchControl::rbEnCrypt, TBatchControl::rbCBCCipher,
                            TBatchControl::rbBesideSource, TBatchControl::cbUseHashes})
      Checks[c] = true;
  }

  std::string Text(TBatchControl control) const override {
    const auto it = Texts.find(control);
    return it == Texts.end() ? std::string() : it->second;
  }
  void SetText(TBatchControl control, const std::string& text) override { Texts[control] = text; }
  TSecret Password(TBatchControl edit) const override { return TSecret(Text(edit)); }
  bool Checked(TBatchControl control) const override {
    const auto it = Checks.find(control);
    return it != Checks.end() && it->second;
  }
  void SetChecked(TBatchControl control, bool checked) override {
    Checks[control] = checked;
    if (checked && Partners.count(control)) Checks[Partners.at(control)] = false;
  }
  void SetEnabled(TBatchControl control, bool enabled) override { Enabled[control] = enabled; }
  void SetCaption(const std::string& caption) override { Caption = caption; }
  void SetRows(const std::vector<TBatchRowText>& rows) override { Rows = rows; }
  void SetRowStatus(std::size_t row, const std::string& status) override {
    Rows.at(row).Status = status;
  }
  void SetProgress(int percent) override { Progress = percent; }
  void SetProgressVisible(bool visible) override { ProgressVisible = visible; }
  TReplaceAnswer AskReplace(const std::string& question) override {
    Questions.push_back(question);
    if (Answers.empty()) return TReplaceAnswer::No;
    const TReplaceAnswer answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  void RunEnded() override { ++RunsEnded; }

  std::vector<std::string> Statuses() const {
    std::vector<std::string> statuses;
    for (const TBatchRowText& row : Rows) statuses.push_back(row.Status);
    return statuses;
  }

  std::map<TBatchControl, std::string> Texts;
  std::map<TBatchControl, bool> Checks;
  std::map<TBatchControl, bool> Enabled;
  std::string Caption;
  std::vector<TBatchRowText> Rows;
  int Progress = 0;
  bool ProgressVisible = false;
  std::deque<TReplaceAnswer> Answers;
  std::vector<std::string> Questions;
  int RunsEnded = 0;

 private:
  const std::map<TBatchControl, TBatchControl> Partners = {
      {TBatchControl::rbEnCrypt, TBatchControl::rbDeCrypt},
      {TBatchControl::rbDeCrypt, TBatchControl::rbEnCrypt},
      {TBatchControl::rbCBCCipher, TBatchControl::rbECBCipher},
      {TBatchControl::rbECBCipher, TBatchControl::rbCBCCipher},
      {TBatchControl::rbBesideSource, TBatchControl::rbIntoFolder},
      {TBatchControl::rbIntoFolder, TBatchControl::rbBesideSource},
  };
};

// Plans from names alone, without the file system: a folder is what
// Folders lists, ".tvn" decides the direction's notes, a target exists when
// Existing holds it. Runs nothing: tests hand it news.
class TFakeBatchRunner final : public IBatchRunner {
 public:
  TBatchListing Plan(const TBatchListOrder& order) override {
    ++Plans;
    TBatchListing listing;
    for (const std::string& path : order.Paths) {
      const auto folder = Folders.find(path);
      if (folder == Folders.end()) {
        File(order, path, listing);
        continue;
      }
      for (const std::string& file : folder->second) File(order, path + "/" + file, listing);
    }
    listing.Conflicts = Conflicts;
    return listing;
  }
  void Launch(std::vector<TBatchRunItem> items, const TBatchSettings& settings,
              TSecret password) override {
    Launched.push_back({std::move(items), settings, std::move(password)});
  }
  TBatchNews TakeNews() override { return std::exchange(News, {}); }
  void Cancel() override { ++Cancels; }
  void WaitForStopped() override { ++Waits; }

  struct TLaunch {
    std::vector<TBatchRunItem> Items;
    TBatchSettings Settings;
    TSecret Password;
  };
  std::map<std::string, std::vector<std::string>> Folders;
  std::set<std::string> Existing;
  std::set<std::string> OwnTargets;
  std::vector<TBatchConflict> Conflicts;
  std::vector<TLaunch> Launched;
  TBatchNews News;
  int Plans = 0, Cancels = 0, Waits = 0;

 private:
  void File(const TBatchListOrder& order, const std::string& source, TBatchListing& listing) {
    if (OwnTargets.count(source) != 0) {
      listing.Failed.push_back({source, TBatchCause::OwnTarget, {}});
      return;
    }
    const bool encrypted = HasEncryptedExtension(source);
    if (order.Direction == TDirection::Encrypt && encrypted) {
      listing.Skipped.push_back({source, TBatchCause::AlreadyEncrypted, {}});
      return;
    }
    if (order.Direction == TDirection::Decrypt && !encrypted) {
      listing.Skipped.push_back({source, TBatchCause::NotEncrypted, {}});
      return;
    }
    std::string target = order.Direction == TDirection::Encrypt
                             ? ReplaceExtension(source)
                             : DecryptedTargetName(source).value_or(source);
    if (order.OutputDir) target = *order.OutputDir + target;
    const bool exists = Existing.count(target) != 0;
    listing.Items.push_back({source, std::move(target), 1000, exists});
  }
};
