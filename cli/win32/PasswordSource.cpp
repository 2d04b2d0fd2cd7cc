// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/PasswordSource.h"

#include <fcntl.h>
#include <io.h>

#include "cli/PasswordInput.h"
#include "cli/StopSignals.h"
#include "cli/win32/Console.h"

namespace {

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

}  // namespace

int OpenPasswordFile(const std::string& name, int& fd) {
  fd = -1;
  const std::optional<std::wstring> systemName = SystemName(name);
  if (!systemName) return ERROR_NO_UNICODE_TRANSLATION;
  const HANDLE handle =
      ::CreateFileW(systemName->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  // A C runtime descriptor, binary: the file is read through the same
  // descriptor path as --password-fd.
  fd = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(handle);
    return ERROR_TOO_MANY_OPEN_FILES;
  }
  return 0;
}

void ClosePasswordFile(int fd) { ::_close(fd); }

int ReadPasswordLine(int fd, TSecret& line) {
  const HANDLE handle = HandleOf(fd);
  if (handle == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
  if (!IsConsole(handle)) return ReadFirstLine(fd, line);
  // --password-fd 0 on a console: typed without echo, as UTF-16.
  std::optional<TSecret> typed = ReadConsoleLine(handle, "", true);
  line.clear();
  if (!typed) return ReceivedStopSignal() != 0 ? ERROR_OPERATION_ABORTED : 0;
  line = std::move(*typed);
  return 0;
}

int ReadFirstLine(int fd, TSecret& line) {
  line.clear();
  line.reserve(MaxPasswordLength);
  const HANDLE handle = HandleOf(fd);
  if (handle == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
  // Byte by byte through the handle, never through the C runtime's text
  // mode, and no further than the line.
  for (;;) {
    char c = 0;
    DWORD got = 0;
    if (!::ReadFile(handle, &c, 1, &got, nullptr)) {
      const int error = LastError();
      if (error == ERROR_BROKEN_PIPE) break;  // the writer closed the pipe
      return error;
    }
    if (got == 0 || c == '\n') break;
    if (line.size() == MaxPasswordLength) return ERROR_FILE_TOO_LARGE;
    line.push_back(c);
  }
  if (!line.empty() && line.view().back() == '\r') line.pop_back();
  return 0;
}
