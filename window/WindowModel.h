// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "job/CryptRequest.h"
#include "window/WindowView.h"

class IJobRunner;
class IUserPrompt;

// Where a source file name came from; each is taken alike, but a drop with
// automatic naming off forgets the old target.
enum class TSourceOrigin { Pick, Drop, StartUp };

// The window's rules, without a toolkit: the checks before a run in their
// order, the Idle/Running switch and what the end of a run empties, the
// password rules, the target proposed for a source, and the question before
// closing during a run. The Qt window and the Win32 window are views over
// it: they report what the user did and show what it sets, and decide
// nothing themselves. A run is going on exactly while btnStart reads
// "Abbrechen".
class TWindowModel {
 public:
  // How long the pointer rests before a hint shows, and how long it stays.
  static constexpr int HintPauseMs = 400;
  static constexpr int HintHideMs = 6000;

  TWindowModel(IWindowView& view, IUserPrompt& prompt, IJobRunner& runner)
      : FView(view), FPrompt(prompt), FRunner(runner) {}

  bool Running() const;

  // btnStart: starts a run when the checks pass, or cancels the one going on.
  void btnStartClick();
  // A direction button was checked (by a click, a key or the model itself):
  // the start button and, with automatic naming, the proposed target follow.
  void DirectionChanged();
  // A source chosen with "...", dropped on the window or named at start-up.
  // A ".tvn" file is set up for decryption, unless the start-up named the
  // direction.
  void TakeSourceFile(const std::string& name, TSourceOrigin origin,
                      std::optional<TDirection> direction = std::nullopt);
  // The name chosen with the target's "...".
  void TakeTargetFile(const std::string& name);
  void btnAboutClick();
  // Any request to close the window. True when it may close; a run going on
  // is stopped first, after the user agreed.
  bool FormCloseQuery();
  // The end of a run that was not cancelled, on the GUI thread.
  void JobFinished();
  // Files are taken from a drop only while no run holds the names.
  bool AcceptsDrops() const { return !Running(); }
  // Switches the input controls off (a run starts) or on again, and the
  // hourglass with them.
  void EnableControls(bool enable);

 private:
  void StartJob();
  bool CancelJob();
  void ClearPasswords();
  void ProposeTarget();
  void SelectDirection(TDirection direction);
  std::string DirectionCaption() const;
  int Tell(const char* text, const char* caption, unsigned flags);

  IWindowView& FView;
  IUserPrompt& FPrompt;
  IJobRunner& FRunner;
  // The target the model proposed last: only that one follows a change of
  // direction, never a name the user typed or chose.
  std::string FProposedTarget;
  // The user agreed to close while the run could no longer be stopped.
  bool FCloseAfterRun = false;
};

// The file dialog's default extension: "txt" goes onto a chosen name that
// names no file as it is and has no dot in its file-name part.
std::string WithDefaultExtension(const std::string& chosen);
