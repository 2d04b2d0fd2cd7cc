// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "util/Secret.h"

// The window's controls, named as in the form. The order of the first
// sixteen is the order in which EnableControls switches them.
enum class TControl {
  btnQuit,
  btnAbout,
  edSource,
  edTarget,
  edPassword1,
  edPassword2,
  rbEnCrypt,
  rbDeCrypt,
  rbECBCipher,
  rbCBCCipher,
  cbOverwriteTarget,
  cbSearchNewFileName,
  btnBrowseSource,
  btnBrowseTarget,
  lbEnterPassword,
  lbRepeatPassword,
  // Not switched by EnableControls.
  cbUseHashes,
  btnStart,
};

// What a window shows, as the window model reads and sets it. A view maps
// each control to its widget and decides nothing; texts are UTF-8.
class IWindowView {
 public:
  virtual ~IWindowView() = default;

  // The text of an edit or the caption of a button.
  virtual std::string Text(TControl control) const = 0;
  virtual void SetText(TControl control, const std::string& text) = 0;
  // The text of a password edit, in a copy that wipes itself.
  virtual TSecret Password(TControl edit) const = 0;
  // Radio buttons and check boxes. Checking one radio button unchecks its
  // partner, as the platform's radio groups do.
  virtual bool Checked(TControl control) const = 0;
  virtual void SetChecked(TControl control, bool checked) = 0;
  virtual void SetEnabled(TControl control, bool enabled) = 0;
  // The hourglass over the window and its group boxes (busy), or the
  // default cursor; the start button keeps the default cursor either way.
  virtual void SetBusyCursor(bool busy) = 0;
  // The progress bar: shown at 0 when a run starts, hidden when it ends.
  virtual void SetProgressVisible(bool visible) = 0;
  // Draws the window now, before a long step.
  virtual void Repaint() = 0;
  // The window is Idle again after a run, whatever its outcome; once per run.
  virtual void RunEnded() {}
  // Closes the window, as the user asked during a run that could no longer
  // be stopped and has ended now. After the current event.
  virtual void CloseWindow() = 0;
};
