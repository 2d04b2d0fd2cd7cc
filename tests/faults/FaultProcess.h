// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// The built `tolvane` as a child process under conditions a test sets up:
// a file-size limit, a signal ignored, a umask. Standard input and output are
// /dev/null; standard error is kept. Nothing here ever waits without end: a
// child that outlives its time is killed and reported as such.

struct TChildSetup {
  std::optional<rlim_t> FileSizeLimit;  // RLIMIT_FSIZE in bytes
  bool IgnoreFileSizeSignal = false;    // SIGXFSZ ignored (else its default)
  mode_t Umask = 022;
};

struct TFaultRun {
  int Code = -1;          // exit status when it exited
  int Signal = 0;         // the signal that ended it
  bool TimedOut = false;  // killed by the waiter
  std::string Err;
  bool Exited(int code) const { return Signal == 0 && !TimedOut && Code == code; }
};

class TTolvaneProcess {
 public:
  // The child works in logDir, where its standard error goes as well.
  TTolvaneProcess(const std::string& logDir, const std::vector<std::string>& args,
                  const TChildSetup& setup = {});
  TTolvaneProcess(const TTolvaneProcess&) = delete;
  TTolvaneProcess& operator=(const TTolvaneProcess&) = delete;
  ~TTolvaneProcess();  // kills and reaps a child still running

  pid_t Pid() const { return FPid; }
  // Whether the child has ended, without waiting.
  bool Ended();
  void Kill(int signal);
  // Waits for the end; after the timeout the child is killed with SIGKILL.
  TFaultRun Wait(std::chrono::milliseconds timeout = std::chrono::seconds(120));

 private:
  pid_t FPid = -1;
  bool FReaped = false;
  int FStatus = 0;
  std::string FErrName;
};

// Starts and waits.
TFaultRun RunTolvaneIn(const std::string& logDir, const std::vector<std::string>& args,
                       const TChildSetup& setup = {},
                       std::chrono::milliseconds timeout = std::chrono::seconds(120));
