#include <string>

#include "sheet/main_window.h"
#include "sheet/sheet_columns.h"

namespace quorvane {
// Both commit into the sheet's own grid, the one `grid` names: storeText and storeGenre
// take the steps (text, then the row's mark) and record the change for undo.
void MainWindow::CommitTextEdit(SheetGrid& grid, std::string_view text) {
  // Only the name and tag text cells take text; the bookkeeping cells never do.
  if (grid.Row() < 1 || grid.Col() < colFileName || grid.Col() > colComment) return;
  storeText(grid.Row(), grid.Col(), text);
}

void MainWindow::CommitGenreEdit(SheetGrid& grid, const ComboList& list) {
  if (grid.Row() < 1 || grid.Col() != colGenre) return;
  const int index = list.ListIndex();
  const std::string chosen = list.List(index);
  if (grid.Text() == chosen) return;
  // No choice over a named genre: storing it would leave the name and number apart.
  if (index < 0) return;
  storeGenre(grid.Row(), chosen, list.ItemData(index) - 1);
}

}  // namespace quorvane
