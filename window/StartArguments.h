// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "job/CryptRequest.h"

// The window's command line: nothing, or one file to start with, optionally
// with the direction to set it up for (the file manager's "encrypt with" and
// "decrypt with" entries). A toolkit's own options (-platform, -style ...)
// are not among them: the window is the same however it is started.
struct TStartArguments {
  enum class TAction { Run, Help, Refuse };
  TAction Action = TAction::Run;
  std::string File;                     // UTF-8, absolute; empty when none was given
  std::optional<TDirection> Direction;  // --encrypt or --decrypt
  std::string Problem;                  // why the arguments were refused
};

// arguments: the command line without the program name, UTF-8. A name that
// begins with "-" follows "--".
TStartArguments ParseStartArguments(const std::vector<std::string>& arguments);

std::string StartUsageText();
