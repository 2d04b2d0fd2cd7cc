// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32app/WindowMetrics.h"

#include <utility>

namespace {

using TGetDpiForWindow = UINT(WINAPI*)(HWND);
using TAdjustForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

template <typename T>
T User32(const char* name) {
  return reinterpret_cast<T>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

UINT DpiOf(HWND window) {
  static const auto getDpiForWindow = User32<TGetDpiForWindow>("GetDpiForWindow");
  if (getDpiForWindow) return getDpiForWindow(window);
  const HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return static_cast<UINT>(dpi);
}

SIZE OuterSize(int width, int height, UINT dpi) {
  const int scale = static_cast<int>(dpi);
  RECT rect = {0, 0, ::MulDiv(width, scale, 96), ::MulDiv(height, scale, 96)};
  static const auto adjustForDpi = User32<TAdjustForDpi>("AdjustWindowRectExForDpi");
  if (adjustForDpi)
    adjustForDpi(&rect, DialogWindowStyle, FALSE, 0, dpi);
  else
    ::AdjustWindowRectEx(&rect, DialogWindowStyle, FALSE, 0);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

HFONT ArialFont(int points, bool bold, UINT dpi) {
  LOGFONTW font{};
  font.lfHeight = -::MulDiv(points, static_cast<int>(dpi), 72);
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  // Not ANSI_CHARSET: file names may hold any script, which the system then
  // shows from a linked font.
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = CLEARTYPE_QUALITY;
  wcscpy_s(font.lfFaceName, L"Arial");
  return ::CreateFontIndirectW(&font);
}

RECT Scaled(const TBounds& bounds, UINT dpi) {
  const int scale = static_cast<int>(dpi);
  const int left = ::MulDiv(bounds.Left, scale, 96);
  const int top = ::MulDiv(bounds.Top, scale, 96);
  return {left, top, left + ::MulDiv(bounds.Width, scale, 96),
          top + ::MulDiv(bounds.Height, scale, 96)};
}

bool IsPushButton(HWND control) {
  wchar_t className[16] = {};
  ::GetClassNameW(control, className, 16);
  if (::lstrcmpiW(className, WC_BUTTONW) != 0) return false;
  const auto type = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_STYLE)) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

void ShowCentred(HWND window, SIZE size) {
  const HMONITOR monitor = ::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  ::GetMonitorInfoW(monitor, &info);
  const RECT& work = info.rcWork;
  ::SetWindowPos(window, nullptr, work.left + (work.right - work.left - size.cx) / 2,
                 work.top + (work.bottom - work.top - size.cy) / 2, size.cx, size.cy, SWP_NOZORDER);
  ::ShowWindow(window, SW_SHOW);
  ::UpdateWindow(window);
  ::SetForegroundWindow(window);
}

void SetProgramIcon(HWND window) {
  for (const auto& [kind, size] : {std::pair{ICON_SMALL, SM_CXSMICON}, {ICON_BIG, SM_CXICON}}) {
    const int pixels = ::GetSystemMetrics(size);
    if (const HANDLE icon = ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1),
                                         IMAGE_ICON, pixels, pixels, LR_SHARED))
      ::SendMessageW(window, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
  }
}

bool IsPlainReturn(const MSG& msg) {
  return msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && ::GetKeyState(VK_CONTROL) >= 0 &&
         ::GetKeyState(VK_MENU) >= 0 && ::GetKeyState(VK_SHIFT) >= 0;
}

ATOM RegisterFormClass(const wchar_t* name, WNDPROC procedure) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = procedure;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  return ::RegisterClassExW(&wc);
}

bool PreTranslateFormKeys(HWND form, MSG& msg, TButton& start, bool running) {
  if (msg.hwnd != form && !::IsChild(form, msg.hwnd)) return false;
  if (IsPlainReturn(msg)) {
    const HWND focus = ::GetFocus();
    if (focus && ::IsChild(form, focus) && IsPushButton(focus)) {
      if (::IsWindowEnabled(focus)) ::SendMessageW(focus, BM_CLICK, 0, 0);
    } else if (!running) {
      start.Click();
    }
    return true;
  }
  return ::IsDialogMessageW(form, &msg) != 0;
}

bool KeepFocusAcrossActivation(HWND form, WPARAM wParam, HWND& lastFocus) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    const HWND focus = ::GetFocus();
    if (focus && ::IsChild(form, focus)) lastFocus = focus;
    return false;
  }
  if (!lastFocus || !::IsWindowEnabled(lastFocus)) return false;
  ::SetFocus(lastFocus);
  return true;
}

void MoveToSuggestedRect(HWND form, LPARAM lParam) {
  const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
  ::SetWindowPos(form, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}
