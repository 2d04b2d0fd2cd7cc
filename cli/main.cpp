// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>
#include <vector>

#include "cli/Tolvane.h"

int main(int argc, char** argv) {
  return RunTolvane(std::vector<std::string>(argv + 1, argv + argc));
}
