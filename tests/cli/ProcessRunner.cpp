// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProcessRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/support/FileBytes.h"

namespace {

std::vector<char*> Argv(const std::vector<std::string>& args) {
  static std::string program = TOLVANE_BINARY;
  std::vector<char*> argv{program.data()};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  return argv;
}

TExit Decode(int status) {
  TExit exit;
  if (WIFEXITED(status)) exit.Code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) exit.Signal = WTERMSIG(status);
  return exit;
}

TExit WaitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return Decode(status);
}

// Runs in the child between fork and exec: only async-signal-safe calls.
void Redirect(int fd, const char* name, int flags) {
  const int opened = open(name, flags, 0600);
  if (opened < 0) _exit(127);
  // Opened right on the wanted number (a free descriptor 3): closing it
  // would take the redirection back.
  if (opened == fd) return;
  dup2(opened, fd);
  close(opened);
}

// Copies from one descriptor to the other until the end; async-signal-safe.
void Pump(int from, int to) {
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(from, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;
    for (ssize_t put = 0; put < got;) {
      const ssize_t n = write(to, buffer + put, static_cast<std::size_t>(got - put));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;
      put += n;
    }
  }
}

// In the child: standard input and output become pipes, fed from and drained
// into the files they were. The drainer stays this process and ends as the
// command did, so that the test sees its status.
void ThroughPipes() {
  int in[2];
  int out[2];
  if (pipe(in) != 0 || pipe(out) != 0) _exit(127);
  if (fork() == 0) {
    close(in[0]);
    Pump(STDIN_FILENO, in[1]);
    _exit(0);
  }
  close(in[1]);
  dup2(in[0], STDIN_FILENO);
  close(in[0]);
  const pid_t command = fork();
  if (command > 0) {
    close(out[1]);
    Pump(out[0], STDOUT_FILENO);
    int status = 0;
    while (waitpid(command, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
      signal(WTERMSIG(status), SIG_DFL);
      kill(getpid(), WTERMSIG(status));
    }
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 127);
  }
  close(out[0]);
  dup2(out[1], STDOUT_FILENO);
  close(out[1]);
}

}  // namespace

TChild::TChild(const std::string& dir, const std::vector<std::string>& args,
               const TRunOptions& options)
    : FOutName(dir + "/.stdout"), FErrName(dir + "/.stderr") {
  std::string stdinName = "/dev/null";
  if (options.Stdin) {
    stdinName = dir + "/.stdin";
    WriteFileBytes(stdinName, *options.Stdin);
  }
  std::string fd3Name;
  if (options.Fd3) {
    fd3Name = dir + "/.fd3";
    WriteFileBytes(fd3Name, *options.Fd3);
  }
  std::vector<char*> argv = Argv(args);
  FPid = fork();
  if (FPid < 0) throw std::runtime_error("fork failed");
  if (FPid == 0) {
    // A developer's terminal must not answer for the command.
    setsid();
    Redirect(STDIN_FILENO, options.StdinPath ? options.StdinPath->c_str() : stdinName.c_str(),
             O_RDONLY);
    Redirect(STDOUT_FILENO, options.StdoutPath ? options.StdoutPath->c_str() : FOutName.c_str(),
             O_WRONLY | O_CREAT | O_TRUNC);
    Redirect(STDERR_FILENO, FErrName.c_str(), O_WRONLY | O_CREAT | O_TRUNC);
    if (!fd3Name.empty()) Redirect(3, fd3Name.c_str(), O_RDONLY);
    for (const auto& [name, value] : options.Env) setenv(name.c_str(), value.c_str(), 1);
    if (options.Pipes) ThroughPipes();
    for (const int fd : options.Closed) close(fd);
    execv(argv[0], argv.data());
    _exit(127);
  }
}

TRunResult TChild::Wait() {
  TRunResult result;
  result.Exit = WaitFor(FPid);
  // Not there when the output went to a file of the test's choosing.
  if (access(FOutName.c_str(), F_OK) == 0) result.Out = ReadFileBytes(FOutName);
  result.Err = ReadFileBytes(FErrName);
  unlink(FOutName.c_str());
  unlink(FErrName.c_str());
  return result;
}

TRunResult RunTolvane(const std::string& dir, const std::vector<std::string>& args,
                      const TRunOptions& options) {
  TChild child(dir, args, options);
  return child.Wait();
}

TTerminalChild::TTerminalChild(const std::vector<std::string>& args,
                               const std::vector<std::pair<std::string, std::string>>& env) {
  std::vector<char*> argv = Argv(args);
  winsize size{};
  size.ws_row = 24;
  size.ws_col = 100;
  FPid = forkpty(&FMaster, nullptr, nullptr, &size);
  if (FPid < 0) throw std::runtime_error("forkpty failed");
  if (FPid == 0) {
    for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
}

TTerminalChild::~TTerminalChild() {
  if (!FEnded) {
    kill(FPid, SIGKILL);
    WaitFor(FPid);
  }
  if (FMaster >= 0) close(FMaster);
}

bool TTerminalChild::ReadSome(int timeoutMs) {
  pollfd waiting{FMaster, POLLIN, 0};
  if (poll(&waiting, 1, timeoutMs) <= 0) return false;
  char buffer[4096];
  const ssize_t n = read(FMaster, buffer, sizeof buffer);
  if (n <= 0) return false;  // EIO once the child has closed the terminal
  FOutput.append(buffer, static_cast<std::size_t>(n));
  return true;
}

bool TTerminalChild::Expect(const std::string& text, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (FOutput.find(text) == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd waiting{FMaster, POLLIN, 0};
    if (poll(&waiting, 1, static_cast<int>(left.count())) <= 0) return false;
    if (!ReadSome(0)) return false;
  }
  return true;
}

void TTerminalChild::Send(const std::string& text) {
  if (write(FMaster, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    throw std::runtime_error("cannot write to the terminal");
  }
}

TExit TTerminalChild::Wait() {
  while (ReadSome(20000)) {
  }
  FEnded = true;
  return WaitFor(FPid);
}
