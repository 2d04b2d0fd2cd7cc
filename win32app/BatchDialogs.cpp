// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32app/BatchDialogs.h"

#include "platform/win32/WideText.h"
#include "window/BatchTexts.h"
#include "window/Messages.h"
// The folder browser; after the project's headers, whose names it would
// otherwise shadow (Folder, byte).
#include <shlobj.h>

std::vector<std::wstring> SelectedNames(const wchar_t* buffer) {
  std::vector<std::wstring> parts;
  for (const wchar_t* part = buffer; *part != L'\0'; part += parts.back().size() + 1)
    parts.emplace_back(part);
  if (parts.size() < 2) return parts;
  std::wstring folder = parts.front();
  // A drive's root ends in its separator already.
  if (folder.back() != L'\\') folder += L'\\';
  std::vector<std::wstring> names;
  for (std::size_t i = 1; i < parts.size(); ++i) names.push_back(folder + parts[i]);
  return names;
}

std::vector<std::string> TBatchDialogs::ChooseFiles(HWND owner) {
  // Room for many long names: the dialog fails on a selection that does not
  // fit rather than cutting it.
  std::vector<wchar_t> buffer(1 << 20, L'\0');
  const std::wstring title = WideText(BatchText::AddDialogTitle);
  std::wstring filter = WideText(msg::OpenDialogFilter);
  filter += L'\0';
  filter += L"*.*";
  filter += L'\0';

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrTitle = title.c_str();
  // As the main window's dialog: no recent documents, the current folder
  // stays; the files must exist, since they are to be processed.
  dialog.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_DONTADDTORECENT |
                 OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (!::GetOpenFileNameW(&dialog)) return {};
  std::vector<std::string> names;
  for (const std::wstring& name : SelectedNames(buffer.data())) names.push_back(Utf8FromWide(name));
  return names;
}

std::optional<std::string> TBatchDialogs::ChooseFolder(HWND owner) {
  const std::wstring title = WideText(BatchText::FolderDialogTitle);
  BROWSEINFOW browse{};
  browse.hwndOwner = owner;
  browse.lpszTitle = title.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&browse);
  if (!chosen) return std::nullopt;
  std::vector<wchar_t> path(32768, L'\0');
  const bool found = ::SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()),
                                             GPFIDL_DEFAULT) != 0;
  ::CoTaskMemFree(chosen);
  if (!found) return std::nullopt;
  return Utf8FromWide(path.data());
}
