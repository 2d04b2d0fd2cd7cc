// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "win32app/Win32Gui.h"

// The batch window's file choices: several files for "Hinzufügen...", one
// folder for the results. Nothing when the user cancels. Names are UTF-8.
class IBatchChooser {
 public:
  virtual ~IBatchChooser() = default;
  virtual std::vector<std::string> ChooseFiles(HWND owner) = 0;
  virtual std::optional<std::string> ChooseFolder(HWND owner) = 0;
};

// The system's dialogs: the file-open dialog with several files selectable,
// and the folder browser.
class TBatchDialogs final : public IBatchChooser {
 public:
  std::vector<std::string> ChooseFiles(HWND owner) override;
  std::optional<std::string> ChooseFolder(HWND owner) override;
};

// The names a multiple-selection file dialog returns in its buffer: the
// folder, then each chosen name, each ended by a NUL and the list by a
// second one; or, for one file, its whole name alone.
std::vector<std::wstring> SelectedNames(const wchar_t* buffer);
