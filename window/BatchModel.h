// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "job/CryptRequest.h"
#include "window/BatchRunner.h"
#include "window/BatchView.h"

class IUserPrompt;

enum class TRowState { Ready, Running, Done, Skipped, Failed };

// One file of the list and what became of it.
struct TBatchRow {
  std::string Source;
  std::string Target;  // empty for a file the plan left out
  std::uint64_t Size = 0;
  bool Planned = false;  // a file to process, not a note
  bool TargetExists = false;
  TRowState State = TRowState::Ready;
  TBatchCause Cause = TBatchCause::None;  // why a note was left out
  std::string Reason;                     // Skipped, Failed: worded
};

// The batch window's rules, without a toolkit: the list (what is added,
// what removed, what each file becomes), the direction preset from the
// files, the checks before a run, the question about existing targets, the
// run's progress and statuses, and the summary. The Qt and the Win32 batch
// window are views over it. A run goes on exactly while btnStart reads
// "Abbrechen".
class TBatchModel {
 public:
  using TClock = std::function<std::chrono::steady_clock::time_point()>;

  TBatchModel(IBatchView& view, IUserPrompt& prompt, IBatchRunner& runner,
              TClock clock = std::chrono::steady_clock::now);

  bool Running() const;
  bool AcceptsDrops() const { return !Running(); }
  const std::vector<TBatchRow>& Rows() const { return FRows; }

  // Files and folders from a drop, "Hinzufügen..." or the command line.
  // A path already listed is not listed again.
  void AddPaths(const std::vector<std::string>& paths);
  // The direction named at start-up: the files no longer preset it.
  void FixDirection(TDirection direction);
  // Entf on the list; not while a run goes on.
  void RemoveRows(const std::vector<std::size_t>& rows);
  // A direction, output or mode control changed (by the user or the model).
  void SettingsChanged();
  // The folder chosen with "...".
  void TakeOutputFolder(const std::string& folder);

  // Starts a run when the checks pass, or stops the one going on.
  void btnStartClick();
  // While a run goes on, about ten times a second: takes the runner's news.
  void Poll();
  // Any request to close. True when the window may close; a run going on is
  // stopped first, after the user agreed.
  bool FormCloseQuery();

 private:
  TDirection Direction() const;
  std::optional<std::string> OutputDir() const;
  void Replan();
  void PresetDirection();
  void ShowRows();
  void SetStatus(std::size_t row, TRowState state, std::string reason = {});
  // A file of a run ended without being done.
  void EndedShort(std::size_t row, TRowState state, std::string reason);
  void UpdateControls();
  void EnableControls(bool enable);
  void ClearPasswords();

  void StartRun();
  bool RefusedByConflicts();
  // Which of the rows that run may replace their targets; nothing when the
  // user closed a question.
  std::optional<std::vector<bool>> AskAboutTargets(const std::vector<std::size_t>& rows);
  void Apply(const TBatchNews& news);
  void StopRun(bool summary);
  void FinishRun(bool stopped, bool summary);

  IBatchView& FView;
  IUserPrompt& FPrompt;
  IBatchRunner& FRunner;
  TClock FClock;

  std::vector<std::string> FPaths;  // as added, absolute
  std::set<std::string> FRemoved;   // files of listed folders the user removed
  // Files done, with the target they went to: not run again for it.
  std::set<std::pair<std::string, std::string>> FDone;
  // Why files of the last run were skipped or failed: the list keeps every
  // reason until the next start runs them again.
  std::map<std::pair<std::string, std::string>, std::pair<TRowState, std::string>> FEnded;
  std::vector<TBatchRow> FRows;
  std::vector<TBatchConflict> FConflicts;
  bool FDirectionFixed = false;
  bool FUpdating = false;

  // The run going on.
  std::vector<std::size_t> FLaunched;  // row of each launched item
  std::size_t FStarted = 0;
  std::size_t FEndedCount = 0;
  std::chrono::steady_clock::time_point FStartTime;
};
