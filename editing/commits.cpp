#include <string>

#include "sheet/main_window.h"
#include "sheet/sheet_columns.h"

namespace quorvane {
void MainWindow::CommitTextEdit(SheetGrid& grid, std::string_view text) {
  // Only the name and tag text cells take text; the bookkeeping cells never do.
  if (grid.Row() < 1 || grid.Col() < colFileName || grid.Col() > colComment) return;
  if (grid.Text() == text) return;
  noteEdited(grid.Row(), grid.Col());
  blnChanged = true;
  grid.setText(text);
  grid.setRow(grid.Row());
  grid.setCol(colState);
  markRowChanged(grid);
}

void MainWindow::CommitGenreEdit(SheetGrid& grid, const ComboList& list) {
  if (grid.Row() < 1 || grid.Col() != colGenre) return;
  const int index = list.ListIndex();
  const std::string chosen = list.List(index);
  if (grid.Text() == chosen) return;
  // No choice over a named genre: storing it would leave the name and number apart.
  if (index < 0) return;
  noteEdited(grid.Row(), colGenre);
  blnChanged = true;
  grid.setText(chosen);
  grid.setRow(grid.Row());
  grid.setCol(colGenreNo);
  grid.setText(std::to_string(std::int64_t{list.ItemData(index)} - 1));
  grid.setRow(grid.Row());
  grid.setCol(colState);
  markRowChanged(grid);
}

}  // namespace quorvane
