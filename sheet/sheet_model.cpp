#include <cmath>

#include "sheet/main_window.h"
#include "sheet/sheet_columns.h"

namespace quorvane {

void markRowChanged(SheetGrid& grid) {
  if (grid.Text() != kStateLoaded) return;
  grid.setText(kStateChanged);
  grid.setRedraw(false);
  for (int i = colFileName; i <= colGenre; ++i) {
    grid.setRow(grid.Row());
    grid.setCol(i);
    grid.setCellBackColor(kChangedBackColor);
    grid.setCellForeColor(kChangedForeColor);
  }
  grid.setRedraw(true);
}

Module1::TagRecord tagRecordOfRow(const SheetGrid& grid, int row) {
  return tagRecordOfCells([&](int col) { return grid.TextMatrix(row, col); });
}

void markRowLoaded(SheetGrid& grid) {
  grid.setText(kStateLoaded);
  grid.setRedraw(false);
  for (int i = colFileName; i <= colGenre; ++i) {
    grid.setRow(grid.Row());
    grid.setCol(i);
    grid.setCellBackColor(FlexGrid::kDefaultBackColor);
    grid.setCellForeColor(FlexGrid::kDefaultForeColor);
  }
  grid.setRedraw(true);
}

void MainWindow::InitSheet() {
  grid_.Clear();
  grid_.setRows(1);
  grid_.setCols(kSheetCols);
  for (int i = 0; i < kSheetCols; ++i) {
    grid_.setRow(0);
    grid_.setCol(i);
    grid_.setText(kSheetColumns[i].header);
    grid_.setColWidth(i, static_cast<int>(std::lround(kSheetColumns[i].widthPixels *
                                                      c_.screen.TwipsPerPixelX())));
    grid_.setColAlignment(i, 0);
  }
  grid_.setRow(0);
  grid_.setCol(1);
  lngPrevRow = 0;
  lngPrevCol = 1;
  editedCells_.clear();
  history_.clear();
  // Whatever the editors hold is dropped: with lngPrevRow 0 no later click stores it.
  c_.EditText.setVisible(false);
  c_.Combo1.setVisible(false);
  showByteCount();
}

}  // namespace quorvane
