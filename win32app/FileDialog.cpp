// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32app/FileDialog.h"

#include <algorithm>
#include <vector>

#include "platform/win32/WideText.h"
#include "window/Messages.h"
#include "window/WindowModel.h"

std::optional<std::string> TFileDialog::Choose(HWND owner) {
  // Room for the longest name the system takes.
  std::vector<wchar_t> name(32768, L'\0');
  FLastChosen.copy(name.data(), std::min(FLastChosen.size(), name.size() - 1));
  const std::wstring title = WideText(msg::OpenDialogTitle);
  std::wstring filter = WideText(msg::OpenDialogFilter);
  filter += L'\0';
  filter += L"*.*";
  filter += L'\0';

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();  // the string's own terminator ends the list
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrTitle = title.c_str();
  // Not in the recent documents, and the current folder stays where it was.
  // The dialog still records the folders it showed in the system's lists
  // under ComDlg32 in the registry; no flag turns that off.
  dialog.Flags = OFN_DONTADDTORECENT | OFN_NOCHANGEDIR | OFN_EXPLORER | OFN_HIDEREADONLY;
  if (!::GetOpenFileNameW(&dialog)) return std::nullopt;

  const std::string chosen = WithDefaultExtension(Utf8FromWide(name.data()));
  FLastChosen = WideText(chosen);
  return chosen;
}
