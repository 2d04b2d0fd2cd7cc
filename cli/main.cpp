// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>
#include <vector>

#include "cli/Tolvane.h"
#include "platform/StandardStreams.h"

int main(int argc, char** argv) {
  SecureStandardStreams();
  return RunTolvane(std::vector<std::string>(argv + 1, argv + argc));
}
