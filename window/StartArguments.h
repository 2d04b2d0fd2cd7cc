// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "job/CryptRequest.h"

// Which window a start opens: the main window for nothing or one file, the
// batch window for several files, a folder, or --batch.
enum class TStartWindow { Main, Batch };

// The window's command line: nothing, one file to start with, or the files
// and folders for the batch window, optionally with the direction to set
// them up for (the file manager's "encrypt with" and "decrypt with"
// entries). A toolkit's own options (-platform, -style ...) are not among
// them: the window is the same however it is started.
struct TStartArguments {
  enum class TAction { Run, Help, Refuse };
  TAction Action = TAction::Run;
  TStartWindow Window = TStartWindow::Main;
  std::string File;                     // main window: UTF-8, absolute; empty when none was given
  std::vector<std::string> Files;       // batch window: UTF-8, absolute, as given
  std::optional<TDirection> Direction;  // --encrypt or --decrypt
  std::string Problem;                  // why the arguments were refused
};

// arguments: the command line without the program name, UTF-8. A name that
// begins with "-" follows "--".
TStartArguments ParseStartArguments(const std::vector<std::string>& arguments);

std::string StartUsageText();
