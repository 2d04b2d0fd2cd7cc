// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "win32app/Win32Gui.h"
#include "window/UserPrompt.h"

// The answer given when nobody answered: No for a question, OK otherwise.
int UnansweredResult(unsigned flags) noexcept;

// Message boxes as task dialogs with buttons of our own: MessageBoxW names
// its buttons in the system's language, and the window speaks German
// everywhere ("Ja", "Nein", "OK"). GUI thread only; owner may be null.
class TTaskDialogPrompt final : public IUserPrompt {
 public:
  explicit TTaskDialogPrompt(HWND owner) : FOwner(owner) {}
  void SetOwner(HWND owner) { FOwner = owner; }

  int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override;

  // Closes every dialog this prompt has open, as unanswered.
  void CloseOpen();

 private:
  static HRESULT CALLBACK Callback(HWND dialog, UINT notification, WPARAM, LPARAM, LONG_PTR self);

  HWND FOwner;
  std::vector<HWND> FOpen;
};
