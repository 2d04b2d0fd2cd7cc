// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string>

#include "win32app/Controls.h"
#include "win32app/FileDialog.h"
#include "win32app/TaskDialogPrompt.h"
#include "win32app/ThreadJobRunner.h"
#include "win32app/Win32Gui.h"
#include "window/WindowModel.h"
#include "window/WindowView.h"

// The main window on Win32: native controls at the form's pixel bounds,
// scaled to the monitor's DPI. A view of TWindowModel: it shows what the
// model sets, reports what the user did, and decides nothing.
class TfrmMain final : public IWindowView {
 public:
  // prompt: shows the window's and the jobs' messages on the GUI thread;
  // null shows task dialogs. The window is created hidden; Show shows it.
  explicit TfrmMain(IUserPrompt* prompt = nullptr);
  ~TfrmMain() override;
  TfrmMain(const TfrmMain&) = delete;
  TfrmMain& operator=(const TfrmMain&) = delete;

  HWND Handle() const { return FHandle; }
  TWindowModel& Model() { return FModel; }
  // Centred on the screen, with the focus in edSource.
  void Show();
  // Ends the message loop when the window is gone (the program's window).
  void QuitOnDestroy() { FQuitOnDestroy = true; }
  // The window's keys before the dialog manager sees them: Return presses
  // the focused button or starts, Tab and the arrows move the focus. True
  // when msg was handled. Call it for every message of the loop.
  bool PreTranslate(MSG& msg);

  // The native control behind a control of the model.
  HWND ControlHandle(TControl control) const;
  HWND ProgressHandle() const { return FProgress.Handle(); }
  UINT Dpi() const { return FDpi; }

  // IWindowView
  std::string Text(TControl control) const override;
  void SetText(TControl control, const std::string& text) override;
  TSecret Password(TControl edit) const override;
  bool Checked(TControl control) const override;
  void SetChecked(TControl control, bool checked) override;
  void SetEnabled(TControl control, bool enabled) override;
  void SetBusyCursor(bool busy) override;
  void SetProgressVisible(bool visible) override;
  void Repaint() override;
  void CloseWindow() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void ApplyDpi(UINT dpi);
  void ConnectHandlers();
  void AddHints();
  TControlBase& Control(TControl control) const;
  TCheckBox& Box(TControl control) const;
  void OnDropFiles(HDROP drop);
  bool OnSetCursor(HWND over);
  // WM_QUERYENDSESSION (ending false) and WM_ENDSESSION for a session that
  // ends: stops a run without asking; ending: waits until its worker is gone.
  void OnSessionEnd(bool ending);
  void btnBrowseSourceClick();
  void btnBrowseTargetClick();

  TTaskDialogPrompt FOwnPrompt{nullptr};
  IUserPrompt& FPrompt;
  HWND FHandle = nullptr;
  UINT FDpi = 96;
  HFONT FFont = nullptr;
  HFONT FCaptionFont = nullptr;
  HWND FLastFocus = nullptr;
  bool FBusy = false;
  bool FQuitOnDestroy = false;

  TLabel lbCaption, lbCopyright, lbEnterPassword, lbRepeatPassword;
  TGroupBox gbSource, gbTarget, gbSettings, gbPassword;
  TEdit edSource, edTarget, edPassword1, edPassword2;
  TButton btnBrowseSource, btnBrowseTarget, btnStart, btnAbout, btnQuit;
  TCheckBox rbEnCrypt, rbDeCrypt, rbCBCCipher, rbECBCipher;
  TCheckBox cbOverwriteTarget, cbSearchNewFileName, cbUseHashes;
  TProgressBar FProgress;
  TTooltip FHints;
  TFileDialog FOpenDialog;

  // Declared last: destroyed first, it stops and joins a worker that still
  // posts to this window and asks through FPrompt.
  TThreadJobRunner FRunner;
  TWindowModel FModel;
};
