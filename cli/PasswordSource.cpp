// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/PasswordSource.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "cli/PasswordInput.h"
#include "cli/StopSignals.h"
#include "cli/Terminal.h"

int OpenPasswordFile(const std::string& name, int& fd) {
  fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  return fd < 0 ? errno : 0;
}

void ClosePasswordFile(int fd) { close(fd); }

int ReadPasswordLine(int fd, TSecret& line) {
  // --password-fd 0 on a terminal: the password must not show as it is typed.
  std::optional<TEchoOff> echoOff;
  if (isatty(fd) == 1) echoOff.emplace(fd);
  return ReadFirstLine(fd, line);
}

int ReadFirstLine(int fd, TSecret& line) {
  line.clear();
  line.reserve(MaxPasswordLength);
  for (;;) {
    char c = 0;
    const ssize_t n = read(fd, &c, 1);
    if (n < 0 && errno == EINTR && ReceivedStopSignal() == 0) continue;
    if (n < 0) return errno;
    if (n == 0 || c == '\n') break;
    if (line.size() == MaxPasswordLength) return EFBIG;
    line.push_back(c);
  }
  if (!line.empty() && line.view().back() == '\r') line.pop_back();
  return 0;
}
