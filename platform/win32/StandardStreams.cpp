// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/StandardStreams.h"

#include <atomic>

#include "platform/win32/Win32.h"

namespace {

std::atomic<bool> WasClosed[3];

constexpr DWORD HandleIds[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};

}  // namespace

// Windows never hands an invalid standard handle's place to a new file, but
// "-" on one must still be refused, and writes to it must go somewhere.
void SecureStandardStreams() noexcept {
  for (int stream = 0; stream < 3; ++stream) {
    const HANDLE handle = ::GetStdHandle(HandleIds[stream]);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) continue;
    WasClosed[stream].store(true);
    const HANDLE null =
        ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (null != INVALID_HANDLE_VALUE) ::SetStdHandle(HandleIds[stream], null);
  }
}

bool StandardStreamWasClosed(TStandardStream stream) noexcept {
  return WasClosed[static_cast<int>(stream)].load();
}
