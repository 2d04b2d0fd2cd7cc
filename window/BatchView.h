// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "util/Secret.h"

// The batch window's controls. All but the last two are switched off while
// a run goes on.
enum class TBatchControl {
  btnAdd,
  rbEnCrypt,
  rbDeCrypt,
  rbCBCCipher,
  rbECBCipher,
  rbBesideSource,
  rbIntoFolder,
  edFolder,
  btnBrowseFolder,
  cbOverwriteTarget,
  lbEnterPassword,
  lbRepeatPassword,
  edPassword1,
  edPassword2,
  cbUseHashes,
  btnQuit,
  // Not switched.
  btnStart,
  lbProgress,
};

// One line of the list, as shown.
struct TBatchRowText {
  std::string Source;
  std::string Target;
  std::string Size;
  std::string Status;
};

enum class TReplaceAnswer { Yes, No, All, None, Cancel };

// What the batch window shows, as its model reads and sets it. A view maps
// each control to its widget and decides nothing; texts are UTF-8.
class IBatchView {
 public:
  virtual ~IBatchView() = default;

  virtual std::string Text(TBatchControl control) const = 0;
  virtual void SetText(TBatchControl control, const std::string& text) = 0;
  // The text of a password edit, in a copy that wipes itself.
  virtual TSecret Password(TBatchControl edit) const = 0;
  // Checking one radio button unchecks its partner.
  virtual bool Checked(TBatchControl control) const = 0;
  virtual void SetChecked(TBatchControl control, bool checked) = 0;
  virtual void SetEnabled(TBatchControl control, bool enabled) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // The whole list anew, or one row's status.
  virtual void SetRows(const std::vector<TBatchRowText>& rows) = 0;
  virtual void SetRowStatus(std::size_t row, const std::string& status) = 0;
  // The progress of the whole run in percent; hidden while none goes on.
  virtual void SetProgress(int percent) = 0;
  virtual void SetProgressVisible(bool visible) = 0;
  // "Ja", "Nein", "Alle", "Keine" about one existing target; Cancel when
  // the question was closed without an answer.
  virtual TReplaceAnswer AskReplace(const std::string& question) = 0;
  // The window is Idle again after a run; once per run.
  virtual void RunEnded() {}
};
