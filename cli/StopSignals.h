// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Ctrl-C (and SIGTERM, SIGHUP) ask the running work to stop instead of
// killing the process, so that the job can clean up after itself. The
// handler only records the signal; the main thread polls for it.
void InstallStopSignals();

// The signal received since installation, or 0.
int ReceivedStopSignal() noexcept;

// Threads started after this ignore the stop signals, so that they always
// reach the main thread, which polls for them.
void BlockStopSignalsInThisThread();
void UnblockStopSignalsInThisThread();

// Ends the process by the received signal with its default action, so that a
// calling shell sees the interruption (a loop over files stops too).
[[noreturn]] void DieOfSignal(int signal);

// Ends the process by the received stop signal, if there was one.
inline void DieIfStopSignalled() {
  if (const int signal = ReceivedStopSignal()) DieOfSignal(signal);
}
