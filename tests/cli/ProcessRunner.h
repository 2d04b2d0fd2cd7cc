// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// Runs the built `tolvane` for the tests: with files as standard streams,
// or on a pseudo terminal to answer its questions.

struct TExit {
  int Code = -1;   // exit status when it exited
  int Signal = 0;  // the signal when one ended it
};

struct TRunResult {
  TExit Exit;
  std::string Out;
  std::string Err;
};

struct TRunOptions {
  std::optional<std::string> Stdin;  // /dev/null when not given
  std::optional<std::string> Fd3;    // text readable on descriptor 3
  std::vector<std::pair<std::string, std::string>> Env;  // set in the child
  // Standard input and output through pipes rather than the files, as in
  // a shell pipeline.
  bool Pipes = false;
  // Files (FIFOs, say) opened as standard input or output instead.
  std::optional<std::string> StdinPath;
  std::optional<std::string> StdoutPath;
  // Descriptors closed just before the command starts, as `2>&-` does.
  std::vector<int> Closed;
};

inline TRunOptions WithStdin(std::string text) {
  TRunOptions options;
  options.Stdin = std::move(text);
  return options;
}
inline TRunOptions WithFd3(std::string text) {
  TRunOptions options;
  options.Fd3 = std::move(text);
  return options;
}
inline TRunOptions WithEnv(std::string name, std::string value) {
  TRunOptions options;
  options.Env.emplace_back(std::move(name), std::move(value));
  return options;
}

// A child with its standard output and error in files of `dir`, and no
// controlling terminal.
class TChild {
 public:
  TChild(const std::string& dir, const std::vector<std::string>& args,
         const TRunOptions& options = {});
  pid_t Pid() const { return FPid; }
  TRunResult Wait();

 private:
  pid_t FPid = -1;
  std::string FOutName;
  std::string FErrName;
};

TRunResult RunTolvane(const std::string& dir, const std::vector<std::string>& args,
                      const TRunOptions& options = {});

// A child on a pseudo terminal: standard input, output and error are the
// terminal, as for a user typing.
class TTerminalChild {
 public:
  explicit TTerminalChild(const std::vector<std::string>& args,
                          const std::vector<std::pair<std::string, std::string>>& env = {});
  ~TTerminalChild();
  // Waits until the output so far contains the text; false on timeout or end.
  bool Expect(const std::string& text,
              std::chrono::milliseconds timeout = std::chrono::seconds(20));
  void Send(const std::string& text);
  // Reads the rest of the output and waits for the end.
  TExit Wait();
  const std::string& Output() const { return FOutput; }
  int Master() const { return FMaster; }
  pid_t Pid() const { return FPid; }

 private:
  bool ReadSome(int timeoutMs);
  pid_t FPid = -1;
  int FMaster = -1;
  std::string FOutput;
  bool FEnded = false;
};
