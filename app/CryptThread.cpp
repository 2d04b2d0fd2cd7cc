// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CryptThread.h"

#include <utility>

#include "app/MessageBoxPrompt.h"

namespace {

IUserPrompt& PromptOf(IUserPrompt* given, const std::unique_ptr<TMessageBoxPrompt>& own) {
  if (given != nullptr) return *given;
  return *own;
}

}  // namespace

TCryptThread::TCryptThread(IUserPrompt* prompt, QWidget* owner, TCryptRequest request)
    : FOwnPrompt(prompt ? nullptr : std::make_unique<TMessageBoxPrompt>(owner)),
      FMessages(PromptOf(prompt, FOwnPrompt)),
      FJob(FMessages, std::move(request)) {
  FJob.SetProgress(
      [this](std::uint64_t done, std::uint64_t total) { ReportProgress(done, total); });
  // Queued: the worker never waits for the GUI thread, so the GUI thread may
  // wait for the worker (cancel, shutdown) without a deadlock.
  connect(this, &QThread::finished, this, &TCryptThread::HandleFinished, Qt::QueuedConnection);
}

TCryptThread::~TCryptThread() {
  if (isRunning()) {
    FJob.RequestStop();
    if (FOwnPrompt) FOwnPrompt->Abort();
  }
  wait();
}

void TCryptThread::run() { FJob.RunJob(); }

void TCryptThread::ReportProgress(std::uint64_t done, std::uint64_t total) {
  const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
  if (percent == FLastPercent) return;
  FLastPercent = percent;
  emit ProgressChanged(percent);
}

bool TCryptThread::Cancel() {
  if (!FJob.RequestStop()) return false;
  FCancelled = true;
  FReleased = false;
  if (FOwnPrompt) FOwnPrompt->Abort();
  return true;
}

void TCryptThread::Release() {
  FReleased = true;
  if (FFinished) deleteLater();
}

void TCryptThread::HandleFinished() {
  FFinished = true;
  if (!FCancelled) emit JobCompleted(this);
  if (FReleased) deleteLater();
}
