// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "win32app/Controls.h"

// A list of rows in columns with headers (a report list view), whole rows
// selected, several at once. Texts are UTF-8.
class TListView final : public TControlBase {
 public:
  struct TColumn {
    std::string Caption;
    int Width = 0;  // pixels at 96 dpi
    bool RightAligned = false;
  };

  void Create(HWND parent, int id, const std::vector<TColumn>& columns);
  // The columns' widths for dpi.
  void ScaleColumns(UINT dpi);
  void SetRows(const std::vector<std::vector<std::string>>& rows);
  void SetCell(std::size_t row, int column, const std::string& text);
  std::string Cell(std::size_t row, int column) const;
  std::size_t Count() const;
  std::vector<std::size_t> SelectedRows() const;
  void Select(std::size_t row, bool selected);

 private:
  std::vector<TColumn> FColumns;
};
