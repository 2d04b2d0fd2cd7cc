// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "cli/StopSignals.h"

namespace {

// Longest line taken from the terminal; the terminal's own line editor
// holds no more.
constexpr std::size_t MaxLineLength = 4096;

}  // namespace

TEchoOff::TEchoOff(int fd) : FFd(fd) {
  if (tcgetattr(fd, &FSaved) != 0) return;
  termios quiet = FSaved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  quiet.c_lflag |= ECHONL;  // the Enter key still ends the line visibly
  // TCSANOW, not TCSAFLUSH: input typed ahead is kept, not thrown away.
  FActive = tcsetattr(fd, TCSANOW, &quiet) == 0;
}

TEchoOff::~TEchoOff() {
  if (FActive) tcsetattr(FFd, TCSANOW, &FSaved);
}

bool TTerminal::StdinIsTerminal() { return isatty(STDIN_FILENO) == 1; }

bool TTerminal::StdoutIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

bool TTerminal::StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

TTerminal::~TTerminal() {
  if (FInput >= 0) close(static_cast<int>(FInput));
}

bool TTerminal::UseControllingTerminal() {
  const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  if (FInput >= 0) close(static_cast<int>(FInput));
  FInput = fd;
  return true;
}

int StderrColumns() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

bool StderrTakesEscapes() { return true; }

void WriteStderr(const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(STDERR_FILENO, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    written += static_cast<std::size_t>(n);
  }
}

std::optional<TSecret> TTerminal::ReadLine(const std::string& prompt, bool hidden) {
  const int input = FInput >= 0 ? static_cast<int>(FInput) : STDIN_FILENO;
  // Echo goes off before the prompt shows, so that nothing typed after the
  // prompt can appear.
  std::optional<TEchoOff> echoOff;
  if (hidden) echoOff.emplace(input);
  WriteStderr(prompt);

  // Reserved once: a growing string would leave copies of a password behind
  // in freed memory.
  TSecret line;
  line.reserve(MaxLineLength);
  const auto giveUp = []() -> std::optional<TSecret> { return std::nullopt; };

  // Byte by byte, so that nothing after the line is taken from the terminal,
  // and with a timeout, so that a stop signal is noticed on any thread.
  for (;;) {
    if (ReceivedStopSignal() != 0) return giveUp();
    pollfd waiting{input, POLLIN, 0};
    const int ready = poll(&waiting, 1, 100);
    if (ready < 0 && errno != EINTR) return giveUp();
    if (ready <= 0) continue;
    char c = 0;
    const ssize_t n = read(input, &c, 1);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return giveUp();
    if (c == '\n') break;
    if (line.size() < MaxLineLength) line.push_back(c);
    c = 0;
  }
  if (!line.empty() && line.view().back() == '\r') line.pop_back();
  return line;
}
