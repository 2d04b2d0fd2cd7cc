// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "cli/CommandLine.h"
#include "util/Secret.h"

class TTerminal;

enum class TPasswordStatus {
  Ok,
  Usage,    // no way to get a password, or its file or descriptor failed
  Refused,  // mismatch, unrepresentable character, empty password declined
  Stopped,  // end of input or a stop signal at the prompt
};

struct TPasswordResult {
  TPasswordStatus Status = TPasswordStatus::Ok;
  TSecret Password;     // as Windows-1252 bytes when Ok
  std::string Message;  // one line for the user when not Ok
};

// The first line of an open descriptor without its line ending. Reads no
// further than that line, so a descriptor shared with other data keeps the
// rest. Returns 0 or the OS error code.
int ReadFirstLine(int fd, TSecret& line);

// The password from --password-file, --password-fd or, on a terminal, typed
// without echo (twice when encrypting), converted to Windows-1252. terminal
// is null when standard input is not a terminal.
TPasswordResult ObtainPassword(const TCliOptions& options, TTerminal* terminal);
