// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Process.h"

#include "platform/win32/Win32.h"

namespace {

// Ends the process at once: the system's default handling of a crash is a
// Windows Error Reporting run, which may save a dump of the memory, key
// included, and show a box that halts the process until someone answers.
LONG WINAPI EndQuietly(EXCEPTION_POINTERS* exception) {
  const DWORD code = exception != nullptr && exception->ExceptionRecord != nullptr
                         ? exception->ExceptionRecord->ExceptionCode
                         : 1;
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(code));
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

// Windows writes no core files; its counterpart is the crash report with a
// memory dump. A crash ends the process before the report starts, and the
// error mode keeps the system's own boxes (crash, no disk in the drive) from
// showing at all.
void DisableCoreDumps() noexcept {
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  ::SetUnhandledExceptionFilter(EndQuietly);
}
