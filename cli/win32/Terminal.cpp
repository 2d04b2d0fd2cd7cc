// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Terminal.h"

#include "cli/win32/Console.h"
#include "platform/win32/WideText.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace {

HANDLE StdinHandle() { return ::GetStdHandle(STD_INPUT_HANDLE); }
HANDLE StderrHandle() { return ::GetStdHandle(STD_ERROR_HANDLE); }

void WriteBytes(HANDLE handle, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    DWORD put = 0;
    if (!::WriteFile(handle, text.data() + written, static_cast<DWORD>(text.size() - written), &put,
                     nullptr) ||
        put == 0) {
      return;
    }
    written += put;
  }
}

}  // namespace

bool TTerminal::StdinIsTerminal() { return IsConsole(StdinHandle()); }

bool TTerminal::StderrIsTerminal() { return IsConsole(StderrHandle()); }

void WriteStderr(const std::string& text) {
  const HANDLE handle = StderrHandle();
  if (!IsConsole(handle)) {
    // Files and pipes get UTF-8, as on the other systems.
    WriteBytes(handle, text);
    return;
  }
  // A console shows UTF-16 as it is, whatever its code page.
  const std::optional<std::wstring> wide = WideFromUtf8(text);
  if (!wide) {
    WriteBytes(handle, text);
    return;
  }
  std::size_t written = 0;
  while (written < wide->size()) {
    DWORD put = 0;
    if (!::WriteConsoleW(handle, wide->data() + written, static_cast<DWORD>(wide->size() - written),
                         &put, nullptr) ||
        put == 0) {
      return;
    }
    written += put;
  }
}

int StderrColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (::GetConsoleScreenBufferInfo(StderrHandle(), &info)) {
    const int width = info.srWindow.Right - info.srWindow.Left + 1;
    if (width > 0) return width;
  }
  return 80;
}

bool StderrTakesEscapes() {
  const HANDLE handle = StderrHandle();
  DWORD mode = 0;
  if (!::GetConsoleMode(handle, &mode)) return false;
  if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return true;
  // Consoles before Windows 10 refuse the mode.
  return ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

std::optional<TSecret> TTerminal::ReadLine(const std::string& prompt, bool hidden) {
  return ReadConsoleLine(StdinHandle(), prompt, hidden);
}
