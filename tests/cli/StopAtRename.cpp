// SPDX-License-Identifier: GPL-3.0-or-later
// Preloaded into the command by the tests: sends the process the stop signal
// that TOLVANE_TEST_SIGNAL_AT_RENAME names (INT or TERM) as the result is
// renamed into place, that is just after the point of no return. Once only,
// on the first rename, which is the result's.
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
// Declares both: the definitions below must match the library's.
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

std::atomic<bool> Sent{false};

// To the process, not to this thread: the worker that renames blocks the
// stop signals, so that they reach the main thread that watches for them.
void SignalOnce() {
  const char* name = std::getenv("TOLVANE_TEST_SIGNAL_AT_RENAME");
  if (name == nullptr || Sent.exchange(true)) return;
  const std::string_view wanted = name;
  if (wanted == "INT") kill(getpid(), SIGINT);
  if (wanted == "TERM") kill(getpid(), SIGTERM);
}

template <typename TFunction>
TFunction* Next(const char* name) {
  return reinterpret_cast<TFunction*>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int rename(const char* from, const char* to) noexcept {
  SignalOnce();
  static auto* const next = Next<int(const char*, const char*)>("rename");
  return next(from, to);
}

extern "C" int renameat2(int fromFolder, const char* from, int toFolder, const char* to,
                         unsigned int flags) noexcept {
  SignalOnce();
  static auto* const next =
      Next<int(int, const char*, int, const char*, unsigned int)>("renameat2");
  return next(fromFolder, from, toFolder, to, flags);
}
