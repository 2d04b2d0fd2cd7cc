// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32app/WorkerPrompt.h"

#include "win32app/TaskDialogPrompt.h"

// Shared by the run and the messages on their way, which may outlive it.
struct TWorkerPrompt::TState {
  std::mutex Mutex;
  std::condition_variable AnsweredOrAborted;
  bool Aborted = false;
};

struct TWorkerPrompt::TCall {
  std::shared_ptr<TState> State;
  std::string Text;
  std::string Caption;
  unsigned Flags = 0;
  bool Waited = true;  // false: shown after a stop, nobody waits
  bool Answered = false;
  int Result = idOK;
};

TWorkerPrompt::TWorkerPrompt(HWND window) : FWindow(window), FState(std::make_shared<TState>()) {}

TWorkerPrompt::~TWorkerPrompt() { Abort(); }

int TWorkerPrompt::ShowMessage(const std::string& text, const std::string& caption,
                               unsigned flags) {
  auto call = std::make_shared<TCall>();
  call->State = FState;
  call->Text = text;
  call->Caption = caption;
  call->Flags = flags;
  const bool question = (flags & mb::ButtonMask) == mb::YESNO;
  {
    std::lock_guard lock(FState->Mutex);
    if (FState->Aborted) {
      if (question) return UnansweredResult(flags);
      call->Waited = false;
    }
  }
  auto* posted = new std::shared_ptr<TCall>(call);
  if (!::PostMessageW(FWindow, Message, 0, reinterpret_cast<LPARAM>(posted))) {
    delete posted;  // the window is gone: nobody can answer
    return UnansweredResult(flags);
  }
  if (!call->Waited) return UnansweredResult(flags);
  std::unique_lock lock(FState->Mutex);
  FState->AnsweredOrAborted.wait(lock, [&] { return call->Answered || FState->Aborted; });
  return call->Answered ? call->Result : UnansweredResult(flags);
}

void TWorkerPrompt::Abort() {
  {
    std::lock_guard lock(FState->Mutex);
    FState->Aborted = true;
  }
  FState->AnsweredOrAborted.notify_all();
}

void TWorkerPrompt::ShowPosted(LPARAM posted, IUserPrompt& shown) {
  const std::unique_ptr<std::shared_ptr<TCall>> owned(
      reinterpret_cast<std::shared_ptr<TCall>*>(posted));
  const std::shared_ptr<TCall> call = *owned;
  if (call->Waited) {
    std::lock_guard lock(call->State->Mutex);
    if (call->State->Aborted) return;  // stopped before it could be shown
  }
  const int result = shown.ShowMessage(call->Text, call->Caption, call->Flags);
  {
    std::lock_guard lock(call->State->Mutex);
    call->Answered = true;
    call->Result = result;
  }
  call->State->AnsweredOrAborted.notify_all();
}
