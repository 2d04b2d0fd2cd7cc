// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/StopSignals.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "platform/win32/Win32.h"

// Ctrl-C, Ctrl-Break and closing the console window reach the process as
// console control events, each on a thread of its own. The handler records
// the event under the number of the matching signal (SIGINT, SIGBREAK,
// SIGTERM), so that the rest of the command treats them as on POSIX.

namespace {

std::atomic<int> Received{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free store");

BOOL WINAPI OnControlEvent(DWORD event) {
  int signal = 0;
  switch (event) {
    case CTRL_C_EVENT: signal = SIGINT; break;
    case CTRL_BREAK_EVENT: signal = SIGBREAK; break;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: signal = SIGTERM; break;
    default: return FALSE;
  }
  int expected = 0;
  Received.compare_exchange_strong(expected, signal);
  if (signal == SIGTERM) {
    // The system ends the process as soon as this returns (or after a few
    // seconds at most): waiting here gives the job that time to restore or
    // remove what it was writing. The process ends with the command.
    ::Sleep(INFINITE);
  }
  return TRUE;
}

}  // namespace

void InstallStopSignals() { ::SetConsoleCtrlHandler(OnControlEvent, TRUE); }

int ReceivedStopSignal() noexcept { return Received.load(); }

// Control events never interrupt a thread; they arrive on one of their own.
void BlockStopSignalsInThisThread() {}
void UnblockStopSignalsInThisThread() {}

void DieOfSignal(int /*signal*/) {
  // What the system's own handler does on Ctrl-C: the exit status tells a
  // calling batch file or shell that the command was interrupted.
  std::fflush(nullptr);
  ::ExitProcess(STATUS_CONTROL_C_EXIT);
}
