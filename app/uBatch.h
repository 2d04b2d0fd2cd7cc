// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/BatchFileChooser.h"
#include "job/CryptRequest.h"
#include "window/BatchModel.h"
#include "window/BatchRunner.h"
#include "window/BatchView.h"
#include "window/UserPrompt.h"

namespace Ui {
class TfrmBatch;
}
class TMessageBoxPrompt;

// The window for many files on Qt: a view over TBatchModel, which holds the
// rules. The runner does the work on threads of its own; the window polls
// it while a run goes on and so stays responsive. A run goes on exactly
// while btnStart reads "Abbrechen".
class TfrmBatch final : public QWidget, private IBatchView, private IUserPrompt {
  Q_OBJECT

 public:
  using TReplaceAsker = std::function<TReplaceAnswer(const std::string& question)>;

  explicit TfrmBatch(IBatchRunner& runner, QWidget* parent = nullptr);
  ~TfrmBatch() override;

  // The files and folders the program was started with, as the bytes of
  // their names (not every name is UTF-8), and the direction it was told;
  // without one the files preset it.
  void StartWithFiles(const std::vector<std::string>& names, std::optional<TDirection> direction);
  void AddFiles(const QStringList& names);
  bool Running() const { return FModel->Running(); }

  // Seams, null restores the default: the window's messages, the question
  // about existing targets, the file and folder choices.
  void SetPrompt(IUserPrompt* prompt);
  void SetReplaceAsker(TReplaceAsker asker);
  void SetChooser(IBatchChooser* chooser);

 public slots:
  void btnStartClick();
  void btnAddClick();
  void btnBrowseFolderClick();
  void RemoveSelectedRows();

 signals:
  // The window is Idle again after a run; once per run.
  void RunFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  QWidget& Widget(TBatchControl control) const;

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

  // IUserPrompt: the window's messages, through the seam.
  int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override;

  std::unique_ptr<Ui::TfrmBatch> ui;
  std::unique_ptr<TMessageBoxPrompt> FOwnPrompt;
  std::unique_ptr<TBatchDialogs> FDialogs;
  IUserPrompt* FPrompt = nullptr;
  IBatchChooser* FChooser = nullptr;
  TReplaceAsker FReplaceAsker;
  QTimer FPoll;
  bool FShown = false;
  IBatchRunner& FRunner;
  // Made once the form is: the model sets the controls up at once.
  std::unique_ptr<TBatchModel> FModel;
};
