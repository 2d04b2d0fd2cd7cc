// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/FileChooser.h"
#include "job/CryptRequest.h"
#include "window/JobRunner.h"
#include "window/UserPrompt.h"
#include "window/WindowModel.h"
#include "window/WindowView.h"

namespace Ui {
class TfrmMain;
}
class TCryptThread;
class TMessageBoxPrompt;

// The main window on Qt: a view over TWindowModel, which holds the rules. It
// maps the form's widgets to the model's controls, shows the messages the
// model asks for, runs each request the model hands over on a TCryptThread,
// and reports the user's actions back. A job runs exactly while btnStart
// reads "Abbrechen".
class TfrmMain final : public QWidget,
                       private IWindowView,
                       private IJobRunner,
                       private IUserPrompt {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  TOpenDialog& OpenDialog() { return *FOpenDialog; }

  // The most recent job; only meaningful while a job runs.
  QPointer<TCryptThread> CurrentJob;
  bool Running() const { return FModel.Running(); }

  // Seams, null restores the default. The window's own messages (message
  // boxes); the job's messages (message boxes shown while the worker waits);
  // the file choice of both browse buttons (OpenDialog).
  void SetPrompt(IUserPrompt* prompt);
  void SetJobPrompt(IUserPrompt* prompt);
  void SetFileChooser(IFileChooser* chooser);
  // Sees every job's request and the job itself before its worker starts, so
  // that its signals can be connected. Key material: for tests only.
  void SetJobObserver(std::function<void(const TCryptRequest&, TCryptThread&)> observer);

  // A file chosen as the source, as "..." takes it.
  void TakeSourceFile(const QString& name);
  // The file the program was started with (its name's bytes), set up for the
  // direction given, or for decryption when it is a ".tvn" file.
  void StartWithFile(const std::string& name, std::optional<TDirection> direction = std::nullopt);

 public slots:
  void btnStartClick();
  void rbEnCryptClick(QObject* sender);
  void btnBrowseSourceClick();
  void btnBrowseTargetClick();
  void btnAboutClick();
  void btnQuitClick();
  void JobFinished(QObject* sender);
  void EnableControls(bool enable);

 signals:
  // The window is Idle again after a job, whatever its outcome; once per job.
  void JobEnded(QObject* sender);

 protected:
  void closeEvent(QCloseEvent* event) override;  // asks the model's FormCloseQuery
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void FormCreate();
  IUserPrompt& Prompt();
  IFileChooser& Chooser();
  QWidget& Widget(TControl control) const;

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
  void RunEnded() override;
  void CloseWindow() override;

  // IJobRunner
  void Launch(TCryptRequest request) override;
  bool Cancel() override;
  void WaitForStopped() override;

  // IUserPrompt: the window's own messages, through the seam.
  int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override;

  std::unique_ptr<Ui::TfrmMain> ui;
  std::unique_ptr<TMessageBoxPrompt> FOwnPrompt;
  std::unique_ptr<TOpenDialog> FOpenDialog;
  IUserPrompt* FPrompt = nullptr;
  IUserPrompt* FJobPrompt = nullptr;
  IFileChooser* FFileChooser = nullptr;
  std::function<void(const TCryptRequest&, TCryptThread&)> FJobObserver;
  bool FCentred = false;
  TWindowModel FModel{*this, *this, *this};
};
