// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "win32app/Controls.h"
#include "win32app/Win32Gui.h"

// What both windows need to lay themselves out at the monitor's DPI and to
// treat their keys alike.

// The fixed dialog frame: a caption with the system menu and a minimise box.
constexpr DWORD DialogWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// Registers a window's class once: the arrow pointer, the dialog face as
// background, as the controls on it expect.
ATOM RegisterFormClass(const wchar_t* name, WNDPROC procedure);

// The monitor's DPI where Windows tells it per window (10, 1607 on), the
// screen's otherwise.
UINT DpiOf(HWND window);
// The outer size of a DialogWindowStyle window whose client area is
// width x height pixels at 96 dpi, at dpi.
SIZE OuterSize(int width, int height, UINT dpi);
// Arial at points for dpi, from points rather than from the pixels at 96
// dpi: 8 pt is 11 pixels there, but 16 (not 17) at 144 dpi, where the
// labels' widths leave no room for a larger font.
HFONT ArialFont(int points, bool bold, UINT dpi);
RECT Scaled(const TBounds& bounds, UINT dpi);
bool IsPushButton(HWND control);
// Shows window centred on the work area of its monitor, at the outer size.
void ShowCentred(HWND window, SIZE size);
// The program's first icon, in the sizes of the title bar and of Alt+Tab.
void SetProgramIcon(HWND window);
// WM_ACTIVATE: the focus leaves with the form and comes back to where it
// was (lastFocus). True when the focus was set, and the message is done.
bool KeepFocusAcrossActivation(HWND form, WPARAM wParam, HWND& lastFocus);
// WM_DPICHANGED: moves the form to the rectangle Windows suggests.
void MoveToSuggestedRect(HWND form, LPARAM lParam);
// Return with no Ctrl, Alt or Shift held.
bool IsPlainReturn(const MSG& msg);
// The keys of a message meant for form or one of its controls, as in a
// dialog: Return presses a focused button, elsewhere start, but never while
// running, so that a stray key cannot cancel a run; Tab and the rest go to
// IsDialogMessage. True when the message was taken.
bool PreTranslateFormKeys(HWND form, MSG& msg, TButton& start, bool running);
