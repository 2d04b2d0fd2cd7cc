// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "window/UserPrompt.h"

class QMessageBox;
class QWidget;

// Shows a modal message box for text, caption and message-box flags, with
// German buttons, and returns idYes, idNo or idOK. GUI thread only.
int ExecMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned flags,
                   QPointer<QMessageBox>* openBox = nullptr);

// The answer given when nobody answered: No for a question, OK otherwise.
int UnansweredResult(unsigned flags) noexcept;

// IUserPrompt through message boxes. On the GUI thread the box is shown at
// once. From a worker the message is handed to the GUI thread and the worker
// waits for the answer; Abort wakes it as well, so a worker stopped while a
// question is open can never hold up whoever waits for that worker.
class TMessageBoxPrompt final : public QObject, public IUserPrompt {
  Q_OBJECT

 public:
  // Lives on the GUI thread; owner parents (and centres) the boxes.
  explicit TMessageBoxPrompt(QWidget* owner);
  ~TMessageBoxPrompt() override;

  int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override;

  // Any thread. Wakes a waiting worker with UnansweredResult and closes a box
  // shown for it. Later questions are answered No at once; later plain
  // messages are still shown, but the worker does not wait for them.
  void Abort();
  bool Aborted() const;

 private:
  struct TRequest;
  void Present(const std::shared_ptr<TRequest>& request);
  void CloseOpenBox();

  QPointer<QWidget> FOwner;
  mutable std::mutex FMutex;
  std::condition_variable FAnsweredOrAborted;
  bool FAborted = false;
  QPointer<QMessageBox> FOpenBox;  // GUI thread only
};
