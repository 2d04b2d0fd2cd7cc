// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "win32app/Win32Gui.h"

// The file-open dialog both "..." buttons share. Each opening starts with
// the name chosen last; the chosen file need not exist, and a name typed
// without an extension gets ".txt" when it names no file as it is.
class TFileDialog {
 public:
  std::optional<std::string> Choose(HWND owner);

 private:
  std::wstring FLastChosen;
};
