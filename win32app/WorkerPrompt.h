// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "win32app/Win32Gui.h"
#include "window/UserPrompt.h"

// The worker's way to the user: a message goes to the GUI thread as a posted
// window message and is shown there through the window's prompt while the
// worker waits for the answer. One per run. Abort wakes the waiting worker,
// so that a run stopped while a question is open never holds up whoever
// waits for it; afterwards questions are answered No at once, and plain
// messages are still shown without the worker waiting.
class TWorkerPrompt final : public IUserPrompt {
 public:
  // The message the window hands to ShowPosted.
  static constexpr UINT Message = WM_APP + 1;

  explicit TWorkerPrompt(HWND window);
  ~TWorkerPrompt() override;

  // Worker thread.
  int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override;
  // Any thread.
  void Abort();

  // GUI thread, for Message: shows the message through shown unless the run
  // was stopped first, and hands the answer back.
  static void ShowPosted(LPARAM posted, IUserPrompt& shown);

 private:
  struct TState;
  struct TCall;
  HWND FWindow;
  std::shared_ptr<TState> FState;
};
