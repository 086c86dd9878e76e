#include <charconv>
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
  Module1::TagRecord record;
  record.Title = grid.TextMatrix(row, colTitle);
  record.Artist = grid.TextMatrix(row, colArtist);
  record.Album = grid.TextMatrix(row, colAlbum);
  record.Year = grid.TextMatrix(row, colYear);
  record.Comment = grid.TextMatrix(row, colComment);
  const std::string genre = grid.TextMatrix(row, colGenreNo);
  int value = -1;
  const auto [end, error] = std::from_chars(genre.data(), genre.data() + genre.size(), value);
  const bool valid =
      error == std::errc() && end == genre.data() + genre.size() && value >= 0 && value <= 255;
  record.Genre = static_cast<std::int16_t>(valid ? value : -1);
  return record;
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
