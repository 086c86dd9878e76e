#include <charconv>

#include "sheet/main_window.h"
#include "sheet/sheet_columns.h"
#include "tagcodec/genre_table.h"

namespace quorvane {
namespace {

// Editors lie over the current cell; the grid measures in twips, the window in pixels.
// Top, then left, then width, in fractional pixels; the height is the caller's business.
void placeOverCell(Control& editor, const SheetGrid& grid, const ScreenMetrics& screen) {
  const auto x = static_cast<float>(screen.TwipsPerPixelX());
  const auto y = static_cast<float>(screen.TwipsPerPixelY());
  editor.setTop(grid.Top() + static_cast<float>(grid.CellTop()) / y - 2);
  editor.setLeft(grid.Left() + static_cast<float>(grid.CellLeft()) / x);
  editor.setWidth(static_cast<float>(grid.CellWidth()) / x);
}

float cellHeight(const SheetGrid& grid, const ScreenMetrics& screen) {
  return static_cast<float>(grid.CellHeight()) / static_cast<float>(screen.TwipsPerPixelY()) - 2;
}

}  // namespace

void MainWindow::MSFlexGrid1_Click() {
  if (grid_.Row() == 0) return;
  // The hidden bookkeeping columns are never edited.
  if (grid_.Col() > kLastEditableCol) return;
  if (lngPrevRow != 0 && lngPrevRow < grid_.Rows()) {
    const int r = grid_.Row(), c = grid_.Col();
    grid_.setRow(lngPrevRow);
    grid_.setCol(lngPrevCol);
    // Stored whether or not the editor is still shown: scrolling hides it, but what was
    // typed still belongs to that cell.
    if (grid_.Col() == colGenre) {
      CommitGenreEdit(grid_, c_.Combo1);
    } else {
      CommitTextEdit(grid_, c_.EditText.Text());
    }
    grid_.setRow(r);
    grid_.setCol(c);
  }

  if (grid_.Col() == colGenre) {
    c_.EditText.setVisible(false);
    ShowGenreEditor();
  } else {
    c_.Combo1.setVisible(false);
    c_.EditText.setText(grid_.Text());
    placeOverCell(c_.EditText, grid_, c_.screen);
    c_.EditText.setHeight(cellHeight(grid_, c_.screen));
    c_.EditText.ZOrder();
    c_.EditText.setVisible(true);
    c_.EditText.SetFocus();
  }
  lngPrevRow = grid_.Row();
  lngPrevCol = grid_.Col();

  grid_.setCol(colOrigName);
  grid_.setRow(lngPrevRow);
  c_.StatusBar1.setPanelText(1, grid_.Text());
  c_.Label1.setCaption(grid_.Text());
  grid_.setCol(lngPrevCol);
  grid_.setRow(lngPrevRow);
  showByteCount();
}

void MainWindow::MSFlexGrid1_DblClick() {
  MSFlexGrid1_Scroll();
  grid_.setSort(1);
  // The hidden editor's content still waits for its cell: follow that row to where the
  // sort put it, so the next click stores it into the same file's row.
  if (lngPrevRow != 0) lngPrevRow = grid_.rowAfterLastSort(lngPrevRow);
}

void MainWindow::MSFlexGrid1_Scroll() {
  if (c_.EditText.Visible()) {
    c_.EditText.setVisible(false);
  } else if (c_.Combo1.Visible()) {
    c_.Combo1.setVisible(false);
  }
  showByteCount();
}

void MainWindow::keepEditorOverItsCell() {
  Control* editor = nullptr;
  if (c_.EditText.Visible()) {
    editor = &c_.EditText;
  } else if (c_.Combo1.Visible()) {
    editor = &c_.Combo1;
  } else {
    return;
  }
  const bool inView = lngPrevRow >= 1 && lngPrevRow < grid_.Rows() &&
                      grid_.RowIsVisible(lngPrevRow) && grid_.ColIsVisible(lngPrevCol);
  if (!inView) {
    MSFlexGrid1_Scroll();
    return;
  }
  // Measured as the current cell, which a header click may have moved elsewhere.
  const int row = grid_.Row(), col = grid_.Col(), colSel = grid_.ColSel();
  grid_.setRow(lngPrevRow);
  grid_.setCol(lngPrevCol);
  placeOverCell(*editor, grid_, c_.screen);
  grid_.setRow(row);
  grid_.setCol(col);
  grid_.setColSel(colSel);
}

void MainWindow::ShowTextEditor() {
  if (grid_.ColIsVisible(grid_.Col()) && grid_.RowIsVisible(grid_.Row())) {
    c_.EditText.setVisible(true);
    c_.EditText.setText(grid_.Text());
    placeOverCell(c_.EditText, grid_, c_.screen);
  } else {
    c_.EditText.setVisible(false);
  }
}

void MainWindow::ShowGenreEditor() {
  if (!grid_.Text().empty()) {
    const std::string number = grid_.TextMatrix(grid_.Row(), colGenreNo);
    std::int32_t genre = -1;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), genre);
    if (error != std::errc() || end != number.data() + number.size()) genre = -1;
    c_.Combo1.setListIndex(Module1::FindGenreIndex(c_.Combo1, genre));
  } else {
    c_.Combo1.setListIndex(-1);
  }
  placeOverCell(c_.Combo1, grid_, c_.screen);
  c_.Combo1.ZOrder();
  c_.Combo1.setVisible(true);
  c_.Combo1.SetFocus();
}

}  // namespace quorvane
