// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/BatchModel.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>

#include "job/TargetName.h"
#include "platform/FileSystem.h"
#include "window/AbsoluteName.h"
#include "window/BatchTexts.h"
#include "window/JobMessageBoxes.h"
#include "window/JobMessages.h"
#include "window/Messages.h"
#include "window/PasswordCheck.h"
#include "window/UserPrompt.h"

namespace {

// Switched off while a run goes on; btnStart is then the cancel button.
constexpr TBatchControl SwitchedControls[] = {
    TBatchControl::btnAdd,          TBatchControl::rbEnCrypt,
    TBatchControl::rbDeCrypt,       TBatchControl::rbCBCCipher,
    TBatchControl::rbECBCipher,     TBatchControl::rbBesideSource,
    TBatchControl::rbIntoFolder,    TBatchControl::edFolder,
    TBatchControl::btnBrowseFolder, TBatchControl::cbOverwriteTarget,
    TBatchControl::lbEnterPassword, TBatchControl::lbRepeatPassword,
    TBatchControl::edPassword1,     TBatchControl::edPassword2,
    TBatchControl::cbUseHashes,     TBatchControl::btnQuit,
};

std::string StatusText(const TBatchRow& row) {
  switch (row.State) {
    case TRowState::Ready: return BatchText::StatusReady;
    case TRowState::Running: return BatchText::StatusRunning;
    case TRowState::Done: return BatchText::StatusDone;
    case TRowState::Skipped: return BatchText::StatusSkipped + row.Reason;
    case TRowState::Failed: return BatchText::StatusFailed + row.Reason;
  }
  return {};
}

bool Listed(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& listed) { return SameFileName(listed, name); });
}

// Notes that name a file by what the direction makes of it: they take part
// in the direction preset like the files that are processed.
bool NamesDirection(TBatchCause cause) {
  return cause == TBatchCause::AlreadyEncrypted || cause == TBatchCause::NotEncrypted ||
         cause == TBatchCause::NoPlainName;
}

}  // namespace

TBatchModel::TBatchModel(IBatchView& view, IUserPrompt& prompt, IBatchRunner& runner, TClock clock)
    : FView(view), FPrompt(prompt), FRunner(runner), FClock(std::move(clock)) {
  FView.SetCaption(BatchCaption(0));
  UpdateControls();
}

bool TBatchModel::Running() const { return FView.Text(TBatchControl::btnStart) == msg::Cancel; }

TDirection TBatchModel::Direction() const {
  return FView.Checked(TBatchControl::rbDeCrypt) ? TDirection::Decrypt : TDirection::Encrypt;
}

std::optional<std::string> TBatchModel::OutputDir() const {
  if (!FView.Checked(TBatchControl::rbIntoFolder)) return std::nullopt;
  const std::string folder = FView.Text(TBatchControl::edFolder);
  if (folder.empty()) return std::nullopt;
  return AbsoluteName(folder);
}

void TBatchModel::AddPaths(const std::vector<std::string>& paths) {
  if (Running()) return;
  for (const std::string& path : paths) {
    if (path.empty()) continue;
    const std::string name = AbsoluteName(path);
    // A file the user removed comes back when added again.
    std::erase_if(FRemoved, [&](const std::string& r) { return SameFileName(r, name); });
    const bool inList = std::any_of(FRows.begin(), FRows.end(), [&](const TBatchRow& row) {
      return SameFileName(row.Source, name);
    });
    if (inList || Listed(FPaths, name)) continue;
    FPaths.push_back(name);
  }
  Replan();
  PresetDirection();
}

void TBatchModel::FixDirection(TDirection direction) {
  FDirectionFixed = true;
  FView.SetChecked(
      direction == TDirection::Encrypt ? TBatchControl::rbEnCrypt : TBatchControl::rbDeCrypt, true);
  SettingsChanged();
}

void TBatchModel::PresetDirection() {
  if (FDirectionFixed) return;
  bool any = false;
  bool allEncrypted = true;
  for (const TBatchRow& row : FRows) {
    if (!row.Planned && !NamesDirection(row.Cause)) continue;
    any = true;
    allEncrypted = allEncrypted && HasEncryptedExtension(row.Source);
  }
  if (!any) return;
  const TDirection preset = allEncrypted ? TDirection::Decrypt : TDirection::Encrypt;
  if (preset == Direction()) return;
  FView.SetChecked(
      preset == TDirection::Encrypt ? TBatchControl::rbEnCrypt : TBatchControl::rbDeCrypt, true);
  SettingsChanged();
}

void TBatchModel::RemoveRows(const std::vector<std::size_t>& rows) {
  if (Running() || rows.empty()) return;
  for (const std::size_t index : rows) {
    if (index >= FRows.size()) continue;
    const std::string& source = FRows[index].Source;
    std::erase_if(FPaths, [&](const std::string& path) { return SameFileName(path, source); });
    // A listed folder would bring it back otherwise.
    FRemoved.insert(source);
  }
  Replan();
}

void TBatchModel::SettingsChanged() {
  // The model's own changes of the controls come back through the view.
  if (FUpdating || Running()) return;
  FUpdating = true;
  UpdateControls();
  Replan();
  FUpdating = false;
}

void TBatchModel::TakeOutputFolder(const std::string& folder) {
  FView.SetText(TBatchControl::edFolder, folder);
  FView.SetChecked(TBatchControl::rbIntoFolder, true);
  SettingsChanged();
}

void TBatchModel::Replan() {
  TBatchListOrder order;
  order.Direction = Direction();
  order.Paths = FPaths;
  order.OutputDir = OutputDir();
  TBatchListing listing = FRunner.Plan(order);

  std::set<std::string> doneTargets;
  for (const auto& [source, target] : FDone) doneTargets.insert(target);
  // A file named and also found in a listed folder is one row.
  std::unordered_map<std::string, std::vector<std::string>> listed;  // by FileNameKey
  const auto take = [&](const std::string& name) {
    if (FRemoved.count(name) != 0) return false;
    std::vector<std::string>& alike = listed[FileNameKey(name)];
    if (Listed(alike, name)) return false;
    alike.push_back(name);
    return true;
  };
  FRows.clear();
  for (TBatchListItem& item : listing.Items) {
    if (!take(item.Source)) continue;
    TBatchRow row;
    row.Planned = true;
    row.TargetExists = item.TargetExists;
    row.Size = item.Size;
    if (FDone.count({item.Source, item.Target}) != 0) row.State = TRowState::Done;
    if (const auto ended = FEnded.find({item.Source, item.Target}); ended != FEnded.end())
      std::tie(row.State, row.Reason) = ended->second;
    row.Source = std::move(item.Source);
    row.Target = std::move(item.Target);
    FRows.push_back(std::move(row));
  }
  const auto addNotes = [&](std::vector<TBatchListNote>& notes, TRowState state) {
    for (TBatchListNote& note : notes) {
      // The results of an earlier run, found again in a listed folder.
      if (doneTargets.count(note.Name) != 0 || !take(note.Name)) continue;
      TBatchRow row;
      row.State = state;
      row.Cause = note.Cause;
      row.Reason = BatchCauseText(note.Cause, note.SystemText);
      row.Source = std::move(note.Name);
      FRows.push_back(std::move(row));
    }
  };
  addNotes(listing.Skipped, TRowState::Skipped);
  addNotes(listing.Failed, TRowState::Failed);
  FConflicts = std::move(listing.Conflicts);
  ShowRows();
}

void TBatchModel::ShowRows() {
  std::vector<TBatchRowText> texts;
  texts.reserve(FRows.size());
  for (const TBatchRow& row : FRows)
    texts.push_back({row.Source, row.Target, row.Planned ? SizeText(row.Size) : std::string(),
                     StatusText(row)});
  FView.SetRows(texts);
  FView.SetCaption(BatchCaption(FRows.size()));
}

void TBatchModel::EndedShort(std::size_t row, TRowState state, std::string reason) {
  FEnded[{FRows[row].Source, FRows[row].Target}] = {state, reason};
  SetStatus(row, state, std::move(reason));
}

void TBatchModel::SetStatus(std::size_t row, TRowState state, std::string reason) {
  FRows[row].State = state;
  FRows[row].Reason = std::move(reason);
  FView.SetRowStatus(row, StatusText(FRows[row]));
}

// The controls that depend on others: the repeat only when encrypting, the
// folder only for "In Ordner:", and the start button's caption.
void TBatchModel::UpdateControls() {
  const bool encrypt = Direction() == TDirection::Encrypt;
  if (!encrypt) FView.SetText(TBatchControl::edPassword2, "");
  FView.SetEnabled(TBatchControl::edPassword2, encrypt);
  FView.SetEnabled(TBatchControl::lbRepeatPassword, encrypt);
  const bool folder = FView.Checked(TBatchControl::rbIntoFolder);
  FView.SetEnabled(TBatchControl::edFolder, folder);
  FView.SetEnabled(TBatchControl::btnBrowseFolder, folder);
  FView.SetText(TBatchControl::btnStart,
                FView.Text(encrypt ? TBatchControl::rbEnCrypt : TBatchControl::rbDeCrypt));
}

void TBatchModel::EnableControls(bool enable) {
  for (const TBatchControl control : SwitchedControls) FView.SetEnabled(control, enable);
  if (enable) UpdateControls();
}

void TBatchModel::ClearPasswords() {
  FView.SetText(TBatchControl::edPassword1, "");
  FView.SetText(TBatchControl::edPassword2, "");
}

void TBatchModel::btnStartClick() {
  if (Running())
    StopRun(true);
  else
    StartRun();
}

void TBatchModel::StartRun() {
  const bool encrypt = Direction() == TDirection::Encrypt;
  const TSecret repeated = FView.Password(TBatchControl::edPassword2);
  TPasswordCheck password = CheckTypedPassword(FView.Password(TBatchControl::edPassword1),
                                               encrypt ? &repeated : nullptr, FPrompt);
  if (!password.Bytes) {
    if (password.ClearFields) ClearPasswords();
    return;
  }
  if (FView.Checked(TBatchControl::rbIntoFolder) && !OutputDir()) {
    FPrompt.ShowMessage(BatchText::NoOutputFolder, msg::CaptionError, mb::ICONERROR);
    return;
  }
  // The files may have changed since they were listed; what failed or was
  // skipped last time is tried again.
  FEnded.clear();
  Replan();
  std::vector<std::size_t> rows;
  for (std::size_t i = 0; i < FRows.size(); ++i)
    if (FRows[i].Planned && FRows[i].State != TRowState::Done) rows.push_back(i);
  if (rows.empty()) {
    FPrompt.ShowMessage(BatchText::NothingToDo, msg::CaptionError, mb::ICONERROR);
    return;
  }
  if (RefusedByConflicts()) return;
  const std::optional<std::vector<bool>> replace = AskAboutTargets(rows);
  if (!replace) return;

  std::vector<TBatchRunItem> items;
  FLaunched.clear();
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const TBatchRow& row = FRows[rows[k]];
    if (row.TargetExists && !(*replace)[k]) {
      EndedShort(rows[k], TRowState::Skipped, BatchCauseText(TBatchCause::TargetExists));
      continue;
    }
    items.push_back({row.Source, row.Target, row.Size, (*replace)[k]});
    FLaunched.push_back(rows[k]);
  }
  if (items.empty()) {
    FinishRun(false, true);
    return;
  }
  TBatchSettings settings;
  settings.Direction = Direction();
  settings.Mode = FView.Checked(TBatchControl::rbECBCipher) ? TChainMode::ECB : TChainMode::CBC;
  settings.Hashing = FView.Checked(TBatchControl::cbUseHashes) ? TPasswordHashing::UseHashes
                                                               : TPasswordHashing::Plain;
  settings.CreateFolders = OutputDir().has_value();

  // A stopped run may still be closing its files.
  FRunner.WaitForStopped();
  EnableControls(false);
  FView.SetText(TBatchControl::btnStart, msg::Cancel);
  FView.SetProgress(0);
  FView.SetProgressVisible(true);
  FView.SetText(TBatchControl::lbProgress, ProgressText(1, items.size(), 0, 0));
  FStarted = 0;
  FEndedCount = 0;
  FStartTime = FClock();
  FRunner.Launch(std::move(items), settings, std::move(*password.Bytes));
}

bool TBatchModel::RefusedByConflicts() {
  std::string lines;
  for (const TBatchConflict& conflict : FConflicts) lines += "\r\n" + BatchConflictText(conflict);
  // A file that would be written over itself refuses the batch as well:
  // the user meant it to be processed, and the list would not show why not.
  for (const TBatchRow& row : FRows)
    if (row.Cause == TBatchCause::OwnTarget) lines += "\r\n" + BatchOwnTargetText(row.Source);
  if (lines.empty()) return false;
  FPrompt.ShowMessage(BatchText::ConflictsIntro + lines, msg::CaptionError, mb::ICONERROR);
  return true;
}

std::optional<std::vector<bool>> TBatchModel::AskAboutTargets(
    const std::vector<std::size_t>& rows) {
  const bool overwrite = FView.Checked(TBatchControl::cbOverwriteTarget);
  std::vector<bool> replace(rows.size(), overwrite);
  std::optional<bool> rest;  // "Alle" or "Keine" answered for the rest
  for (std::size_t k = 0; k < rows.size() && !overwrite; ++k) {
    const TBatchRow& row = FRows[rows[k]];
    if (!row.TargetExists) continue;
    if (rest) {
      replace[k] = *rest;
      continue;
    }
    switch (FView.AskReplace(OverwriteQuestion(row.Target))) {
      case TReplaceAnswer::Yes: replace[k] = true; break;
      case TReplaceAnswer::No: replace[k] = false; break;
      case TReplaceAnswer::All: rest = replace[k] = true; break;
      case TReplaceAnswer::None: rest = replace[k] = false; break;
      case TReplaceAnswer::Cancel: return std::nullopt;
    }
  }
  return replace;
}

void TBatchModel::Poll() {
  if (!Running()) return;
  const TBatchNews news = FRunner.TakeNews();
  Apply(news);
  if (news.Finished) FinishRun(false, true);
}

void TBatchModel::Apply(const TBatchNews& news) {
  for (const std::size_t index : news.Started) {
    if (index >= FLaunched.size()) continue;
    ++FStarted;
    SetStatus(FLaunched[index], TRowState::Running);
  }
  for (const TBatchItemEnd& end : news.Ended) {
    if (end.Index >= FLaunched.size()) continue;
    ++FEndedCount;
    const std::size_t row = FLaunched[end.Index];
    switch (end.Outcome) {
      case TBatchOutcome::Done:
        FDone.insert({FRows[row].Source, FRows[row].Target});
        SetStatus(row, TRowState::Done);
        break;
      case TBatchOutcome::Skipped: EndedShort(row, TRowState::Skipped, BatchEndText(end)); break;
      case TBatchOutcome::Failed: EndedShort(row, TRowState::Failed, BatchEndText(end)); break;
      // Not done: a new start runs it again.
      case TBatchOutcome::Cancelled: SetStatus(row, TRowState::Ready); break;
    }
  }
  const std::uint64_t total = news.TotalBytes;
  const std::uint64_t done = std::min(news.DoneBytes, total);
  // Empty files carry no bytes: then the files count.
  if (total > 0)
    FView.SetProgress(static_cast<int>(done * 100 / total));
  else if (!FLaunched.empty())
    FView.SetProgress(static_cast<int>(FEndedCount * 100 / FLaunched.size()));
  const double seconds = std::chrono::duration<double>(FClock() - FStartTime).count();
  // The first second's rate says little: the caches are still cold.
  const double rate = seconds >= 1 ? static_cast<double>(done) / seconds : 0;
  FView.SetText(TBatchControl::lbProgress, ProgressText(std::max<std::size_t>(FStarted, 1),
                                                        FLaunched.size(), rate, total - done));
}

void TBatchModel::StopRun(bool summary) {
  FRunner.Cancel();
  // The running files stop at their next chunk; their ends still come.
  FRunner.WaitForStopped();
  Apply(FRunner.TakeNews());
  FinishRun(true, summary);
}

void TBatchModel::FinishRun(bool stopped, bool summary) {
  // A file whose end never came did not finish.
  for (std::size_t row = 0; row < FRows.size(); ++row)
    if (FRows[row].State == TRowState::Running) SetStatus(row, TRowState::Ready);
  EnableControls(true);
  ClearPasswords();
  FView.SetProgressVisible(false);
  FView.SetText(TBatchControl::lbProgress, "");
  FLaunched.clear();
  if (summary) {
    std::size_t done = 0, skipped = 0, failed = 0;
    for (const TBatchRow& row : FRows) {
      done += row.State == TRowState::Done;
      skipped += row.State == TRowState::Skipped;
      failed += row.State == TRowState::Failed;
    }
    std::string text = BatchSummary(done, skipped, failed);
    if (stopped) text = std::string(BatchText::Stopped) + "\r\n" + text;
    // A failure never hides among successes.
    if (failed > 0)
      FPrompt.ShowMessage(text, msg::CaptionError, mb::ICONERROR);
    else
      FPrompt.ShowMessage(text, JobText::SuccessCaption, mb::ICONINFORMATION);
  }
  FView.RunEnded();
}

bool TBatchModel::FormCloseQuery() {
  if (!Running()) return true;
  if (FPrompt.ShowMessage(BatchText::StopAndQuit, msg::CaptionWarning,
                          mb::YESNO | mb::ICONWARNING) != idYes)
    return false;
  if (Running()) StopRun(false);
  return true;
}
