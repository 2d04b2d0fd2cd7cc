// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32app/FileDialog.h"

#include <algorithm>
#include <cwchar>
#include <vector>

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

  const int length = static_cast<int>(std::wcslen(name.data()));
  const int size =
      ::WideCharToMultiByte(CP_UTF8, 0, name.data(), length, nullptr, 0, nullptr, nullptr);
  std::string chosen(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, name.data(), length, chosen.data(), size, nullptr, nullptr);
  chosen = WithDefaultExtension(chosen);
  FLastChosen = WideText(chosen);
  return chosen;
}
