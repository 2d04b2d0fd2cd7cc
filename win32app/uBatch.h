// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "win32app/BatchDialogs.h"
#include "win32app/Controls.h"
#include "win32app/ListView.h"
#include "win32app/TaskDialogPrompt.h"
#include "win32app/Win32Gui.h"
#include "window/BatchModel.h"
#include "window/BatchRunner.h"
#include "window/BatchView.h"

// The window for many files on Win32: native controls at the Qt form's
// pixel bounds, scaled to the monitor's DPI, over TBatchModel, which holds
// the rules. The runner works on threads of its own; a timer looks at it
// while a run goes on, so the window stays responsive. A run goes on
// exactly while btnStart reads "Abbrechen".
class TfrmBatch final : public IBatchView {
 public:
  using TReplaceAsker = std::function<TReplaceAnswer(const std::string& question)>;

  // prompt: shows the window's messages; null shows task dialogs. The window
  // is created hidden; Show shows it.
  explicit TfrmBatch(IBatchRunner& runner, IUserPrompt* prompt = nullptr);
  ~TfrmBatch() override;
  TfrmBatch(const TfrmBatch&) = delete;
  TfrmBatch& operator=(const TfrmBatch&) = delete;

  HWND Handle() const { return FHandle; }
  TBatchModel& Model() { return *FModel; }
  // The files and folders the program was started with, and the direction
  // it was told; without one the files preset it.
  void StartWithFiles(const std::vector<std::string>& names, std::optional<TDirection> direction);
  // Centred on the screen, with the focus in the first password field.
  void Show();
  // Ends the message loop when the window is gone (the program's window).
  void QuitOnDestroy() { FQuitOnDestroy = true; }
  // Return presses the focused button or starts, but never cancels; Tab and
  // the arrows move the focus. True when msg was handled. Call it for every
  // message of the loop.
  bool PreTranslate(MSG& msg);

  // Seams, null restores the default: the question about existing targets,
  // the file and folder choices.
  void SetReplaceAsker(TReplaceAsker asker) { FReplaceAsker = std::move(asker); }
  void SetChooser(IBatchChooser* chooser) { FChooser = chooser; }

  // The native control behind a control of the model.
  HWND ControlHandle(TBatchControl control) const;
  const TListView& List() const { return twFiles; }
  HWND ProgressHandle() const { return FProgress.Handle(); }

  // IBatchView
  std::string Text(TBatchControl control) const override;
  void SetText(TBatchControl control, const std::string& text) override;
  TSecret Password(TBatchControl edit) const override;
  bool Checked(TBatchControl control) const override;
  void SetChecked(TBatchControl control, bool checked) override;
  void SetEnabled(TBatchControl control, bool enabled) override;
  void SetCaption(const std::string& caption) override;
  void SetRows(const std::vector<TBatchRowText>& rows) override;
  void SetRowStatus(std::size_t row, const std::string& status) override;
  void SetProgress(int percent) override;
  void SetProgressVisible(bool visible) override;
  TReplaceAnswer AskReplace(const std::string& question) override;
  void RunEnded() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void ApplyDpi(UINT dpi);
  void ConnectHandlers();
  void AddHints();
  TControlBase& Control(TBatchControl control) const;
  void OnDropFiles(HDROP drop);
  void btnStartClick();
  void btnAddClick();
  void btnBrowseFolderClick();
  void RemoveSelectedRows();

  TTaskDialogPrompt FOwnPrompt{nullptr};
  IUserPrompt& FPrompt;
  IBatchRunner& FRunner;
  TBatchDialogs FDialogs;
  IBatchChooser* FChooser = nullptr;
  TReplaceAsker FReplaceAsker;
  HWND FHandle = nullptr;
  UINT FDpi = 96;
  HFONT FFont = nullptr;
  HWND FLastFocus = nullptr;
  bool FBusy = false;
  bool FQuitOnDestroy = false;

  TGroupBox gbFiles, gbSettings, gbPassword;
  TListView twFiles;
  TButton btnAdd, btnBrowseFolder, btnStart, btnQuit;
  TCheckBox rbEnCrypt, rbDeCrypt, rbCBCCipher, rbECBCipher, rbBesideSource, rbIntoFolder;
  TCheckBox cbOverwriteTarget, cbUseHashes;
  TEdit edFolder, edPassword1, edPassword2;
  TLabel lbEnterPassword, lbRepeatPassword, lbProgress;
  TProgressBar FProgress;
  TTooltip FHints;

  // Made once the controls are: the model sets them up at once.
  std::unique_ptr<TBatchModel> FModel;
};
