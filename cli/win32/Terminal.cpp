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

bool TTerminal::StdoutIsTerminal() { return IsConsole(::GetStdHandle(STD_OUTPUT_HANDLE)); }

bool TTerminal::StderrIsTerminal() { return IsConsole(StderrHandle()); }

TTerminal::~TTerminal() {
  if (FInput >= 0) ::CloseHandle(reinterpret_cast<HANDLE>(FInput));
}

bool TTerminal::UseControllingTerminal() {
  const HANDLE console =
      ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return false;
  if (!IsConsole(console)) {
    ::CloseHandle(console);
    return false;
  }
  if (FInput >= 0) ::CloseHandle(reinterpret_cast<HANDLE>(FInput));
  FInput = reinterpret_cast<std::intptr_t>(console);
  return true;
}

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
  const HANDLE input = FInput >= 0 ? reinterpret_cast<HANDLE>(FInput) : StdinHandle();
  return ReadConsoleLine(input, prompt, hidden);
}
