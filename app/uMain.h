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

namespace Ui {
class TfrmMain;
}
class IUserPrompt;
class TCryptThread;
class TMessageBoxPrompt;

// The main window: collects the inputs, checks them, builds the request,
// starts one job at a time and returns to Idle when it ends. A job runs
// exactly while btnStart reads "Abbrechen".
class TfrmMain final : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  TOpenDialog& OpenDialog() { return *FOpenDialog; }

  // The most recent job; only meaningful while a job runs.
  QPointer<TCryptThread> CurrentJob;
  bool Running() const;

  // Seams, null restores the default. The window's own messages (message
  // boxes); the job's messages (message boxes shown while the worker waits);
  // the file choice of both browse buttons (OpenDialog).
  void SetPrompt(IUserPrompt* prompt);
  void SetJobPrompt(IUserPrompt* prompt);
  void SetFileChooser(IFileChooser* chooser);
  // Sees every job's request and the job itself before its worker starts, so
  // that its signals can be connected. Key material: for tests only.
  void SetJobObserver(std::function<void(const TCryptRequest&, TCryptThread&)> observer);

  // A file chosen as the source, from the dialog or elsewhere: it goes into
  // edSource, and with automatic naming on the target is proposed for it
  // (otherwise edTarget keeps its text).
  void TakeSourceFile(const QString& name);
  // The file the program was started with: taken as TakeSourceFile takes
  // it; an encrypted one (".tvn") is set up for decryption.
  void StartWithFile(const QString& name);

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
  void closeEvent(QCloseEvent* event) override;  // FormCloseQuery
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;  // WMDropFiles
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void FormCreate();
  void StartJob();
  void CancelJob();
  void WaitForStoppedJob();
  void SetStartCaption(const QString& caption);
  int Tell(const char* text, const char* caption, unsigned flags);
  IUserPrompt& Prompt();
  IFileChooser& Chooser();
  void ClearPasswords();
  std::optional<TCryptRequest> ValidatedRequest();
  void SwitchToRunning();
  void Launch(TCryptRequest request);

  std::unique_ptr<Ui::TfrmMain> ui;
  std::unique_ptr<TMessageBoxPrompt> FOwnPrompt;
  std::unique_ptr<TOpenDialog> FOpenDialog;
  IUserPrompt* FPrompt = nullptr;
  IUserPrompt* FJobPrompt = nullptr;
  IFileChooser* FFileChooser = nullptr;
  std::function<void(const TCryptRequest&, TCryptThread&)> FJobObserver;
  bool FCentred = false;
};
