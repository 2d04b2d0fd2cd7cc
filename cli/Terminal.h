// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "util/Secret.h"

#ifndef _WIN32
#include <termios.h>
#endif

// The user's terminal (a console on Windows): questions go to standard
// error, answers come from standard input, or from the controlling terminal
// when standard input carries the data. Only used when that is a terminal,
// so that a script never waits for an answer nobody will give.
class TTerminal {
 public:
  static bool StdinIsTerminal();
  static bool StdoutIsTerminal();
  static bool StderrIsTerminal();

  // The terminal on standard input.
  TTerminal() = default;
  TTerminal(const TTerminal&) = delete;
  TTerminal& operator=(const TTerminal&) = delete;
  ~TTerminal();
  // Answers come from the process's controlling terminal instead (/dev/tty;
  // the console's CONIN$ on Windows), for when standard input carries the
  // data. False when there is none.
  bool UseControllingTerminal();

  // Shows the prompt and reads one line without its line ending; the typed
  // characters are not echoed when hidden is set. Returns nothing on end of
  // input, on an error, or when a stop signal arrives meanwhile.
  std::optional<TSecret> ReadLine(const std::string& prompt, bool hidden);

  // A question answered with y/yes or n/no; anything else but an empty line
  // asks again. Empty answer, end of input and a stop signal count as No.
  bool AskYesNo(const std::string& question);

 private:
  // A descriptor on POSIX, a HANDLE's value on Windows; none: standard input.
  std::intptr_t FInput = -1;
};

#ifndef _WIN32
// Echo of a terminal descriptor stays off exactly as long as this object
// lives, whatever way the read ends. Does nothing for other descriptors.
class TEchoOff {
 public:
  explicit TEchoOff(int fd);
  TEchoOff(const TEchoOff&) = delete;
  TEchoOff& operator=(const TEchoOff&) = delete;
  ~TEchoOff();

 private:
  int FFd;
  termios FSaved{};
  bool FActive = false;
};
#endif

// Writes a whole text to standard error, retrying short writes.
void WriteStderr(const std::string& text);

// The width of the terminal on standard error in characters, 80 when it
// cannot be told.
int StderrColumns();

// Whether the terminal on standard error takes the escape that clears the
// rest of a line. A Windows console does once its VT mode is on, which this
// switches on where the console has one.
bool StderrTakesEscapes();
