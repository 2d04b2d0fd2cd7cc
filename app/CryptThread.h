// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QThread>
#include <memory>
#include <string>

#include "job/CryptJob.h"
#include "window/JobMessageBoxes.h"

class IUserPrompt;
class QWidget;
class TMessageBoxPrompt;

// Runs one TCryptJob on a thread of its own. Lives on the GUI thread; its
// signals arrive there. After JobCompleted (or after a cancel, once the
// window has released it) it deletes itself as soon as the worker has ended.
class TCryptThread final : public QThread {
  Q_OBJECT

 public:
  // prompt: answers the job's messages; null shows message boxes over owner
  // on the GUI thread while the worker waits. Not started: connect first.
  TCryptThread(IUserPrompt* prompt, QWidget* owner, TCryptRequest request);
  ~TCryptThread() override;  // stops the worker and waits for it

  TCryptJob& Job() { return FJob; }
  const TCryptJob& Job() const { return FJob; }

  // GUI thread. Asks the worker to stop at its next chunk, wakes it if it is
  // waiting for an answer, and suppresses JobCompleted: the caller finishes
  // the job itself and then calls Release. The stopped job removes its
  // unfinished result itself; the target's name is never touched. False,
  // and nothing of that, when the job had passed its point of no return: it
  // ends and reports as if not cancelled.
  bool Cancel();
  bool Cancelled() const { return FCancelled; }

  // GUI thread, after Cancel. Hands the object back to itself: it is deleted
  // once the worker has ended (at once if it already has).
  void Release();

 signals:
  // GUI thread, exactly once after a job that was not cancelled.
  void JobCompleted(TCryptThread* sender);
  // Emitted from the worker whenever the whole percentage changes.
  void ProgressChanged(int percent);

 protected:
  void run() override;

 private:
  void HandleFinished();
  void ReportProgress(std::uint64_t done, std::uint64_t total);

  // Declared before the job: the job reports to them until its worker ends.
  std::unique_ptr<TMessageBoxPrompt> FOwnPrompt;
  TJobMessageBoxes FMessages;
  TCryptJob FJob;
  int FLastPercent = -1;  // worker only
  bool FCancelled = false;
  bool FReleased = true;
  bool FFinished = false;
};
