// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "cli/CommandLine.h"
#include "util/Secret.h"

class TTerminal;

// The password for a run: obtained with ObtainPassword and held to the
// command's rule on empty passwords. Says itself what is wrong and stores
// the exit status in status when there is none to run with. Ends the process
// by a stop signal received at the prompt. unprotected: the warning when an
// empty password encrypts, with the names (made printable).
std::optional<TSecret> PasswordForRun(const TCliOptions& options, TTerminal* terminal,
                                      const std::string& unprotected, int& status);
