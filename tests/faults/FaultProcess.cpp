// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/faults/FaultProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <stdexcept>
#include <thread>

#include "tests/support/FileBytes.h"

namespace {

// Between fork and exec: only async-signal-safe calls, and _exit on failure.
void Redirect(int fd, const char* name, int flags) {
  const int opened = ::open(name, flags, 0600);
  if (opened < 0) ::_exit(127);
  ::dup2(opened, fd);
  ::close(opened);
}

}  // namespace

TTolvaneProcess::TTolvaneProcess(const std::string& logDir, const std::vector<std::string>& args,
                                 const TChildSetup& setup) {
  static std::atomic<int> counter{0};
  FErrName = logDir + "/.stderr-" + std::to_string(counter.fetch_add(1));
  std::string program = TOLVANE_BINARY;
  std::vector<char*> argv{program.data()};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  FPid = ::fork();
  if (FPid < 0) throw std::runtime_error("fork failed");
  if (FPid != 0) return;
  if (::chdir(logDir.c_str()) != 0) ::_exit(127);
  Redirect(STDIN_FILENO, "/dev/null", O_RDONLY);
  Redirect(STDOUT_FILENO, "/dev/null", O_WRONLY);
  Redirect(STDERR_FILENO, FErrName.c_str(), O_WRONLY | O_CREAT | O_TRUNC);
  ::umask(setup.Umask);
  struct sigaction action {};
  action.sa_handler = setup.IgnoreFileSizeSignal ? SIG_IGN : SIG_DFL;
  ::sigaction(SIGXFSZ, &action, nullptr);
  if (setup.FileSizeLimit) {
    const rlimit limit{*setup.FileSizeLimit, *setup.FileSizeLimit};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(127);
  }
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

TTolvaneProcess::~TTolvaneProcess() {
  if (FPid > 0 && !FReaped) {
    ::kill(FPid, SIGKILL);
    while (::waitpid(FPid, &FStatus, 0) < 0 && errno == EINTR) {
    }
  }
  ::unlink(FErrName.c_str());
}

bool TTolvaneProcess::Ended() {
  if (FReaped) return true;
  const pid_t done = ::waitpid(FPid, &FStatus, WNOHANG);
  if (done == FPid) FReaped = true;
  return FReaped;
}

void TTolvaneProcess::Kill(int signal) {
  if (!FReaped) ::kill(FPid, signal);
}

TFaultRun TTolvaneProcess::Wait(std::chrono::milliseconds timeout) {
  TFaultRun run;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!Ended()) {
    if (std::chrono::steady_clock::now() > deadline) {
      run.TimedOut = true;
      ::kill(FPid, SIGKILL);
      while (::waitpid(FPid, &FStatus, 0) < 0 && errno == EINTR) {
      }
      FReaped = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (WIFEXITED(FStatus)) run.Code = WEXITSTATUS(FStatus);
  if (WIFSIGNALED(FStatus) && !run.TimedOut) run.Signal = WTERMSIG(FStatus);
  try {
    run.Err = ReadFileBytes(FErrName);
  } catch (const std::exception&) {
    // exec failed before the redirection: the status tells
  }
  return run;
}

TFaultRun RunTolvaneIn(const std::string& logDir, const std::vector<std::string>& args,
                       const TChildSetup& setup, std::chrono::milliseconds timeout) {
  TTolvaneProcess child(logDir, args, setup);
  return child.Wait(timeout);
}
