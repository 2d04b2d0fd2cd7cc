// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>
#include <vector>

#include "cli/Tolvane.h"
#include "platform/StandardStreams.h"
#include "platform/win32/WideText.h"

// The arguments as the system holds them, in UTF-16, so that file names
// outside the ANSI code page arrive intact.
int wmain(int argc, wchar_t** argv) {
  SecureStandardStreams();
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Utf8FromWide(argv[i]));
  return RunTolvane(args);
}
