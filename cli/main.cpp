// SPDX-License-Identifier: GPL-3.0-or-later
#include <csignal>
#include <string>
#include <vector>

#include "cli/Tolvane.h"
#include "platform/StandardStreams.h"

int main(int argc, char** argv) {
  SecureStandardStreams();
  // A result beyond the file-size limit fails with EFBIG, that file alone.
  std::signal(SIGXFSZ, SIG_IGN);
  return RunTolvane(std::vector<std::string>(argv + 1, argv + argc));
}
