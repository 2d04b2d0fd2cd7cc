// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "win32app/Win32Gui.h"
#include "window/JobRunner.h"

class IUserPrompt;

// Runs each job on a std::thread of its own. The worker reaches the window
// only through posted messages: its questions (TWorkerPrompt), its progress
// in whole percent, and its end. The window passes them back here on the GUI
// thread. At most one run is current; a cancelled run is forgotten by the
// window at once and joined before the next starts, or when this is
// destroyed.
class TThreadJobRunner final : public IJobRunner {
 public:
  static constexpr UINT ProgressMessage = WM_APP + 2;  // wParam: run, lParam: percent
  static constexpr UINT EndedMessage = WM_APP + 3;     // wParam: run

  // closeQuestion: closes a question the window shows for a worker, when
  // that worker is stopped.
  explicit TThreadJobRunner(std::function<void()> closeQuestion);
  ~TThreadJobRunner() override;
  TThreadJobRunner(const TThreadJobRunner&) = delete;
  TThreadJobRunner& operator=(const TThreadJobRunner&) = delete;

  // The window that receives the messages; before the first Launch.
  void SetWindow(HWND window) { FWindow = window; }

  void Launch(TCryptRequest request) override;
  bool Cancel() override;
  void WaitForStopped() override;

  // GUI thread. The percent reported for run, when it is the current one.
  bool IsCurrent(WPARAM run) const;
  // GUI thread, for EndedMessage: joins the worker; true when the window
  // still has to hear of the end (the run was not cancelled).
  bool Ended(WPARAM run);

 private:
  struct TRun;
  void Stop();
  void AbortQuestions();
  void Join();

  HWND FWindow = nullptr;
  std::function<void()> FCloseQuestion;
  std::unique_ptr<TRun> FRun;
  std::uint64_t FSerial = 0;
};
