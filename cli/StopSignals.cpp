// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/StopSignals.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<int> Received{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free store");

constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnStopSignal(int signal) {
  int expected = 0;
  Received.compare_exchange_strong(expected, signal);
}

sigset_t StopSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (const int s : StopSignals) sigaddset(&set, s);
  return set;
}

}  // namespace

void InstallStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a blocking read of the terminal returns with EINTR, so
  // that a password prompt notices Ctrl-C at once.
  action.sa_flags = 0;
  for (const int s : StopSignals) sigaction(s, &action, nullptr);
}

int ReceivedStopSignal() noexcept { return Received.load(); }

void BlockStopSignalsInThisThread() {
  const sigset_t set = StopSignalSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void UnblockStopSignalsInThisThread() {
  const sigset_t set = StopSignalSet();
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void DieOfSignal(int signal) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  UnblockStopSignalsInThisThread();
  raise(signal);
  // Only reached if the default action does not end the process.
  std::_Exit(128 + signal);
}
