// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RunPassword.h"

#include "cli/PasswordInput.h"
#include "cli/Say.h"
#include "cli/StopSignals.h"
#include "cli/Tolvane.h"

std::optional<TSecret> PasswordForRun(const TCliOptions& options, TTerminal* terminal,
                                      const std::string& unprotected, int& status) {
  TPasswordResult password = ObtainPassword(options, terminal);
  DieIfStopSignalled();
  switch (password.Status) {
    case TPasswordStatus::Ok: break;
    case TPasswordStatus::Usage:
      Say(password.Message);
      status = ExitUsage;
      return std::nullopt;
    case TPasswordStatus::Refused:
    case TPasswordStatus::Stopped:
      Say(password.Message);
      status = ExitNotDone;
      return std::nullopt;
  }
  // Typed on a terminal, an empty password was confirmed at the prompt. One
  // read from a file or descriptor is most likely a mistake (an empty file, a
  // wrong descriptor) and would give the built-in key, which protects nothing.
  const bool passwordGiven = options.PasswordFile || options.PasswordFd;
  if (password.Password.empty() && passwordGiven && !options.AllowEmptyPassword) {
    Say("the password read is empty: the built-in key would be used, which protects nothing; "
        "give --allow-empty-password to use it anyway; nothing was done");
    status = ExitUsage;
    return std::nullopt;
  }
  const bool encrypt = options.Command == TCliCommand::Encrypt;
  if (password.Password.empty() && encrypt && (passwordGiven || terminal == nullptr)) {
    Say("warning: empty password: " + unprotected);
  }
  return std::move(password.Password);
}
