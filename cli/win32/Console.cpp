// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/win32/Console.h"

#include <iterator>

#include "cli/StopSignals.h"
#include "cli/Terminal.h"
#include "platform/win32/WideText.h"
#include "util/SecureWipe.h"

namespace {

// Longest line taken from the console, as on a POSIX terminal.
constexpr std::size_t MaxLineLength = 4096;

// The console's input mode stays changed exactly as long as this lives.
class TConsoleMode {
 public:
  TConsoleMode(HANDLE input, bool echo) : FInput(input) {
    if (!::GetConsoleMode(input, &FSaved)) return;
    // Line input with the console's own editing; Ctrl-C goes to the control
    // handler instead of into the line.
    DWORD mode = FSaved | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT;
    mode = echo ? (mode | ENABLE_ECHO_INPUT) : (mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    FActive = ::SetConsoleMode(input, mode) != 0;
  }
  TConsoleMode(const TConsoleMode&) = delete;
  TConsoleMode& operator=(const TConsoleMode&) = delete;
  ~TConsoleMode() {
    if (FActive) ::SetConsoleMode(FInput, FSaved);
  }

 private:
  HANDLE FInput;
  DWORD FSaved = 0;
  bool FActive = false;
};

// Ctrl-C ends a console read at once, while its handler runs on a thread of
// its own a moment later: give it that moment before the read counts as
// ended by something else.
void AwaitStopSignal() {
  for (int i = 0; i < 20 && ReceivedStopSignal() == 0; ++i) ::Sleep(10);
}

}  // namespace

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         ::GetConsoleMode(handle, &mode) != 0;
}

std::optional<TSecret> ReadConsoleLine(HANDLE input, const std::string& prompt, bool hidden) {
  // Echo goes off before the prompt shows, so that nothing typed after the
  // prompt can appear.
  const TConsoleMode mode(input, !hidden);
  WriteStderr(prompt);

  // Reserved once: a growing string would leave copies of a password behind
  // in freed memory.
  std::wstring line;
  line.reserve(MaxLineLength);
  wchar_t chunk[256];
  const auto wipeAll = [&] {
    SecureWipe(chunk, sizeof chunk);
    line.resize(line.capacity());
    SecureWipe(line.data(), line.size() * sizeof(wchar_t));
    line.clear();
  };

  bool complete = false;
  while (!complete) {
    if (ReceivedStopSignal() != 0) {
      wipeAll();
      return std::nullopt;
    }
    DWORD got = 0;
    if (!::ReadConsoleW(input, chunk, static_cast<DWORD>(std::size(chunk)), &got, nullptr) ||
        got == 0) {
      AwaitStopSignal();
      wipeAll();
      return std::nullopt;
    }
    for (DWORD i = 0; i < got; ++i) {
      if (chunk[i] == L'\n') {
        complete = true;
        break;
      }
      if (line.size() < MaxLineLength) line.push_back(chunk[i]);
    }
  }
  if (!line.empty() && line.back() == L'\r') line.pop_back();
  // Ctrl-Z at the start of a line is the console's end of input.
  if (!line.empty() && line.front() == L'\x1a') {
    wipeAll();
    return std::nullopt;
  }
  // The Enter key ends the line visibly even without echo.
  if (hidden) WriteStderr("\n");
  std::string utf8 = Utf8FromWide(line);
  wipeAll();
  return TSecret::Take(utf8);
}
