// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32app/ThreadJobRunner.h"

#include <thread>
#include <utility>

#include "job/CryptJob.h"
#include "job/CryptRequest.h"
#include "win32app/WorkerPrompt.h"
#include "window/JobMessageBoxes.h"

struct TThreadJobRunner::TRun {
  TRun(HWND window, TCryptRequest request)
      : Prompt(window), Listener(Prompt), Job(Listener, std::move(request)) {}
  std::uint64_t Serial = 0;
  bool Cancelled = false;
  TWorkerPrompt Prompt;
  TJobMessageBoxes Listener;
  TCryptJob Job;
  std::thread Thread;
};

TThreadJobRunner::TThreadJobRunner(std::function<void()> closeQuestion)
    : FCloseQuestion(std::move(closeQuestion)) {}

TThreadJobRunner::~TThreadJobRunner() {
  // The worker posts to a window that is going away: stop it and wait.
  Stop();
  Join();
}

void TThreadJobRunner::Launch(TCryptRequest request) {
  Join();  // a cancelled run the model already waited for
  FRun = std::make_unique<TRun>(FWindow, std::move(request));
  TRun& run = *FRun;
  run.Serial = ++FSerial;
  const HWND window = FWindow;
  const auto serial = static_cast<WPARAM>(run.Serial);
  run.Job.SetProgress([window, serial, last = -1](std::uint64_t done, std::uint64_t total) mutable {
    const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    if (percent == last) return;
    last = percent;
    ::PostMessageW(window, ProgressMessage, serial, percent);
  });
  run.Thread = std::thread([&run, window, serial] {
    run.Job.RunJob();
    ::PostMessageW(window, EndedMessage, serial, 0);
  });
}

bool TThreadJobRunner::Cancel() {
  if (!FRun || FRun->Cancelled) return true;
  // Past its point of no return the run ends and reports as any other.
  if (!FRun->Job.RequestStop()) return false;
  FRun->Cancelled = true;
  AbortQuestions();
  return true;
}

void TThreadJobRunner::Stop() {
  if (!FRun) return;
  FRun->Job.RequestStop();
  AbortQuestions();
}

void TThreadJobRunner::AbortQuestions() {
  FRun->Prompt.Abort();
  if (FCloseQuestion) FCloseQuestion();
}

void TThreadJobRunner::WaitForStopped() {
  if (FRun && FRun->Cancelled) Join();
}

void TThreadJobRunner::Join() {
  if (!FRun) return;
  if (FRun->Thread.joinable()) FRun->Thread.join();
  FRun.reset();
}

bool TThreadJobRunner::IsCurrent(WPARAM run) const {
  return FRun && !FRun->Cancelled && static_cast<WPARAM>(FRun->Serial) == run;
}

bool TThreadJobRunner::Ended(WPARAM run) {
  if (!FRun || static_cast<WPARAM>(FRun->Serial) != run) return false;
  const bool report = !FRun->Cancelled;
  Join();
  return report;
}
