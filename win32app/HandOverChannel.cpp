// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32app/HandOverChannel.h"

#include <string>
#include <vector>

#include "win32app/Win32Gui.h"
#include "window/HandOver.h"

namespace {

constexpr wchar_t ClassName[] = L"TolvaneCrypter.HandOver";
// Explorer issues its starts within a few milliseconds of each other; a
// half second also covers a slow start of a loaded machine.
constexpr UINT QuietMs = 500;
constexpr UINT_PTR QuietTimer = 1;
// A collector that has not shown its window yet, at the latest after this.
constexpr DWORD WaitForCollectorMs = 3000;
constexpr DWORD HandOverTimeoutMs = 5000;
// Marks the data of WM_COPYDATA as a hand-over ("TCH").
constexpr ULONG_PTR CopyDataKind = 0x544348;

struct TCollector {
  std::optional<TDirection> Direction;
  std::vector<THandOver> Received;
  bool Collecting = true;
};

LRESULT CALLBACK CollectorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* collector = reinterpret_cast<TCollector*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (collector && message == WM_COPYDATA) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (!collector->Collecting || data->dwData != CopyDataKind || !data->lpData) return FALSE;
    std::optional<THandOver> handOver =
        DecodeHandOver(std::string_view(static_cast<const char*>(data->lpData), data->cbData));
    if (!handOver || handOver->Direction != collector->Direction) return FALSE;
    collector->Received.push_back(std::move(*handOver));
    // Half a second from the last hand-over, not from the first start.
    ::SetTimer(window, QuietTimer, QuietMs, nullptr);
    return TRUE;
  }
  if (collector && message == WM_TIMER && wParam == QuietTimer) {
    ::KillTimer(window, QuietTimer);
    collector->Collecting = false;
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

std::wstring ChannelName(std::optional<TDirection> direction) {
  const std::string key = HandOverKey(direction);
  return std::wstring(ClassName) + L"." + std::wstring(key.begin(), key.end());
}

// Collects with the mutex held; releases it when done.
TStartArguments Collect(const TStartArguments& start, const std::wstring& name, HANDLE mutex) {
  static const ATOM windowClass = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = CollectorProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = ClassName;
    return ::RegisterClassExW(&wc);
  }();
  (void)windowClass;
  TCollector collector;
  collector.Direction = start.Direction;
  const HWND window = ::CreateWindowExW(0, ClassName, name.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE,
                                        nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (window) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&collector));
    ::SetTimer(window, QuietTimer, QuietMs, nullptr);
    MSG msg;
    while (collector.Collecting && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    // From here a start that comes late finds no collector and opens its
    // own window, or collects itself.
    ::DestroyWindow(window);
  }
  ::ReleaseMutex(mutex);
  ::CloseHandle(mutex);
  return WithHandOvers(start, collector.Received);
}

bool HandOverTo(HWND collector, const THandOver& handOver) {
  const std::string bytes = EncodeHandOver(handOver);
  COPYDATASTRUCT data{};
  data.dwData = CopyDataKind;
  data.cbData = static_cast<DWORD>(bytes.size());
  data.lpData = const_cast<char*>(bytes.data());
  DWORD_PTR taken = FALSE;
  return ::SendMessageTimeoutW(collector, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG, HandOverTimeoutMs, &taken) != 0 &&
         taken == TRUE;
}

}  // namespace

std::optional<TStartArguments> CollectOrHandOver(const TStartArguments& start) {
  const std::optional<THandOver> handOver = HandOverOf(start);
  if (!handOver) return start;
  const std::wstring name = ChannelName(start.Direction);
  const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, (L"Local\\" + name).c_str());
  if (!mutex) return start;
  const ULONGLONG deadline = ::GetTickCount64() + WaitForCollectorMs;
  for (;;) {
    const DWORD wait = ::WaitForSingleObject(mutex, 0);
    // Abandoned: a collector ended without letting go; this start takes over.
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) return Collect(start, name, mutex);
    // Another start collects; its window may still be in the making.
    if (const HWND collector = ::FindWindowExW(HWND_MESSAGE, nullptr, ClassName, name.c_str())) {
      const bool taken = HandOverTo(collector, *handOver);
      ::CloseHandle(mutex);
      if (taken) return std::nullopt;
      return start;
    }
    if (::GetTickCount64() > deadline) break;
    ::Sleep(10);
  }
  ::CloseHandle(mutex);
  return start;
}
