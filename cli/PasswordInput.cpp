// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/PasswordInput.h"

#include <cstdio>
#include <optional>

#include "cli/PasswordSource.h"
#include "cli/Terminal.h"
#include "job/Windows1252.h"
#include "platform/SystemError.h"
#include "util/SecureWipe.h"

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

// Takes ownership of the typed or read UTF-8 text and wipes it.
TPasswordResult Convert(std::string& utf8, const std::string& origin) {
  TWindows1252Result converted = Utf8ToWindows1252(utf8);
  SecureWipeString(utf8);
  if (!converted.Ok) {
    if (converted.Unrepresentable == U'\uFFFD') {
      return Problem(TPasswordStatus::Refused, "the password " + origin + " is not valid UTF-8");
    }
    return Problem(TPasswordStatus::Refused, "the password " + origin + " contains the character " +
                                                 CodePointText(converted.Unrepresentable) +
                                                 ", which Windows-1252 cannot represent");
  }
  TPasswordResult result;
  result.Bytes.swap(converted.Bytes);
  return result;
}

TPasswordResult FromDescriptor(int fd, const std::string& what) {
  std::string line;
  const int error = ReadPasswordLine(fd, line);
  if (error != 0) {
    SecureWipeString(line);
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
  std::optional<std::string> first = terminal.ReadLine("Password: ", true);
  if (!first) return Problem(TPasswordStatus::Stopped, "no password entered");
  if (encrypt) {
    std::optional<std::string> second = terminal.ReadLine("Repeat password: ", true);
    if (!second) {
      SecureWipeString(*first);
      return Problem(TPasswordStatus::Stopped, "no password entered");
    }
    const bool same = *first == *second;
    SecureWipeString(*second);
    if (!same) {
      SecureWipeString(*first);
      return Problem(TPasswordStatus::Refused, "the two passwords differ; nothing was done");
    }
  }
  if (first->empty() && !terminal.AskYesNo(EmptyPasswordWarning)) {
    return Problem(TPasswordStatus::Refused, "no password set; nothing was done");
  }
  return Convert(*first, "typed");
}

}  // namespace

TPasswordResult::~TPasswordResult() { SecureWipeString(Bytes); }

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
