// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32app/ListView.h"

#include "platform/win32/WideText.h"

void TListView::Create(HWND parent, int id, const std::vector<TColumn>& columns) {
  TControlBase::Create(parent, id, WC_LISTVIEWW,
                       WS_TABSTOP | WS_GROUP | LVS_REPORT | LVS_SHOWSELALWAYS, "",
                       WS_EX_CLIENTEDGE);
  ::SendMessageW(Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
  FColumns = columns;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    std::wstring caption = WideText(columns[i].Caption);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = columns[i].RightAligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = columns[i].Width;
    column.pszText = caption.data();
    ::SendMessageW(Handle(), LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
}

void TListView::ScaleColumns(UINT dpi) {
  for (std::size_t i = 0; i < FColumns.size(); ++i)
    ::SendMessageW(Handle(), LVM_SETCOLUMNWIDTH, i,
                   ::MulDiv(FColumns[i].Width, static_cast<int>(dpi), 96));
}

void TListView::SetRows(const std::vector<std::vector<std::string>>& rows) {
  ::SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(Handle(), LVM_DELETEALLITEMS, 0, 0);
  for (std::size_t row = 0; row < rows.size(); ++row) {
    std::wstring first = rows[row].empty() ? std::wstring() : WideText(rows[row][0]);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(row);
    item.pszText = first.data();
    ::SendMessageW(Handle(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (std::size_t column = 1; column < rows[row].size(); ++column)
      SetCell(row, static_cast<int>(column), rows[row][column]);
  }
  ::SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

void TListView::SetCell(std::size_t row, int column, const std::string& text) {
  std::wstring wide = WideText(text);
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = wide.data();
  ::SendMessageW(Handle(), LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

std::string TListView::Cell(std::size_t row, int column) const {
  // Names up to the system's longest path.
  std::wstring text(32768, L'\0');
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text.data();
  item.cchTextMax = static_cast<int>(text.size());
  const auto length = static_cast<std::size_t>(
      ::SendMessageW(Handle(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
  return Utf8FromWide(std::wstring_view(text.data(), length));
}

std::size_t TListView::Count() const {
  return static_cast<std::size_t>(::SendMessageW(Handle(), LVM_GETITEMCOUNT, 0, 0));
}

std::vector<std::size_t> TListView::SelectedRows() const {
  std::vector<std::size_t> rows;
  int row = -1;
  while ((row = static_cast<int>(::SendMessageW(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                LVNI_SELECTED))) >= 0)
    rows.push_back(static_cast<std::size_t>(row));
  return rows;
}

void TListView::Select(std::size_t row, bool selected) {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED;
  item.state = selected ? LVIS_SELECTED : 0;
  ::SendMessageW(Handle(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}
