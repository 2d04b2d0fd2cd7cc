// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/PasswordInput.h"

#include <cstdio>
#include <optional>

#include "cli/PasswordSource.h"
#include "cli/Terminal.h"
#include "job/Windows1252.h"
#include "platform/SystemError.h"

namespace {

constexpr const char* EmptyPasswordWarning =
    "You have set no password. Without a password the encryption is not secure, because the "
    "security of your document depends on the password you choose.\n"
    "Do you really want to use no password?";

std::string CodePointText(char32_t c) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
  return text;
}

TPasswordResult Problem(TPasswordStatus status, std::string message) {
  TPasswordResult result;
  result.Status = status;
  result.Message = std::move(message);
  return result;
}

TPasswordResult Convert(const TSecret& utf8, const std::string& origin) {
  TWindows1252Result converted = Utf8ToWindows1252(utf8.view());
  if (!converted.Ok) {
    if (converted.Unrepresentable == U'\uFFFD') {
      return Problem(TPasswordStatus::Refused, "the password " + origin + " is not valid UTF-8");
    }
    return Problem(TPasswordStatus::Refused, "the password " + origin + " contains the character " +
                                                 CodePointText(converted.Unrepresentable) +
                                                 ", which Windows-1252 cannot represent");
  }
  TPasswordResult result;
  result.Password = std::move(converted.Bytes);
  return result;
}

TPasswordResult FromDescriptor(int fd, const std::string& what) {
  TSecret line;
  const int error = ReadPasswordLine(fd, line);
  if (error != 0) {
    return Problem(TPasswordStatus::Usage,
                   "cannot read the password from " + what + ": " + SystemErrorText(error));
  }
  return Convert(line, "in " + what);
}

TPasswordResult FromFile(const std::string& name) {
  int fd = -1;
  if (const int error = OpenPasswordFile(name, fd)) {
    return Problem(TPasswordStatus::Usage,
                   "cannot open the password file " + name + ": " + SystemErrorText(error));
  }
  TPasswordResult result = FromDescriptor(fd, "the file " + name);
  ClosePasswordFile(fd);
  return result;
}

TPasswordResult FromTerminal(TTerminal& terminal, bool encrypt) {
  const std::optional<TSecret> first = terminal.ReadLine("Password: ", true);
  if (!first) return Problem(TPasswordStatus::Stopped, "no password entered");
  if (encrypt) {
    const std::optional<TSecret> second = terminal.ReadLine("Repeat password: ", true);
    if (!second) return Problem(TPasswordStatus::Stopped, "no password entered");
    if (*first != *second) {
      return Problem(TPasswordStatus::Refused, "the two passwords differ; nothing was done");
    }
  }
  if (first->empty() && !terminal.AskYesNo(EmptyPasswordWarning)) {
    return Problem(TPasswordStatus::Refused, "no password set; nothing was done");
  }
  return Convert(*first, "typed");
}

}  // namespace

TPasswordResult ObtainPassword(const TCliOptions& options, TTerminal* terminal) {
  const bool encrypt = options.Command == TCliCommand::Encrypt;
  if (options.PasswordFile) return FromFile(*options.PasswordFile);
  if (options.PasswordFd) {
    return FromDescriptor(*options.PasswordFd, "descriptor " + std::to_string(*options.PasswordFd));
  }
  if (terminal != nullptr) return FromTerminal(*terminal, encrypt);
  return Problem(TPasswordStatus::Usage,
                 "no password given: use --password-file or --password-fd when not on a terminal");
}
