// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The window's part of the Win32 API: user32, gdi32, the common controls,
// the common dialogs and the shell's file drops.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: these build on its types.
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <string>

// UTF-8 to UTF-16 for texts shown in controls; a text that is no UTF-8
// shows with replacement characters rather than not at all.
std::wstring WideText(const std::string& utf8);
