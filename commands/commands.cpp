#include <unordered_map>

#include "commands/save_rows.h"
#include "sheet/main_window.h"
#include "sheet/sheet_columns.h"

namespace quorvane {
void MainWindow::commitVisibleEditor() {
  returnToShownEditor();
  const int r = grid_.Row(), c = grid_.Col();
  if (c_.EditText.Visible()) {
    CommitTextEdit(grid_, c_.EditText.Text());
  } else if (c_.Combo1.Visible()) {
    CommitGenreEdit(grid_, c_.Combo1);
  }
  // A commit leaves another column current; the editor stays over this cell.
  grid_.setRow(r);
  grid_.setCol(c);
}

void MainWindow::cmdSave_Click() {
  commitVisibleEditor();
  if (!blnChanged) return;
  if (c_.messages.show(question("保存します。", MessageAnswer::Yes)) != MessageAnswer::Yes) return;
  c_.window.setBusy(true);
  const std::vector<UnsavedRow> unsaved = unsavedRows(
      grid_,
      saveChangedRows(grid_, c_.Dir1.Path(), c_.messages, c_.files,
                      [this](int row, const std::string&) { return loadedStateOfRow(row); }));
  // Show the folder as it now is on disk, renamed files under their new names.
  c_.File1.Refresh();
  SerchMP3File(c_.File1.Path());
  restoreUnsavedRows(unsaved);
  c_.window.setBusy(false);
}

void MainWindow::restoreUnsavedRows(const std::vector<UnsavedRow>& rows) {
  if (rows.empty()) return;
  std::unordered_map<std::string, int> rowOf;
  for (int r = grid_.Rows() - 1; r >= 1; --r) rowOf[grid_.TextMatrix(r, colOrigName)] = r;
  const int r0 = grid_.Row(), c0 = grid_.Col();
  grid_.setRedraw(false);
  for (const UnsavedRow& kept : rows) {
    const auto found = rowOf.find(kept.loadedName);
    if (found == rowOf.end()) continue;  // the file has left the folder
    const int r = found->second;
    if (kept.outcome == Module1::WriteOutcome::NotWritten) {
      for (int c : {colFileName, colTitle, colArtist, colAlbum, colYear, colComment, colGenre,
                    colGenreNo}) {
        grid_.setTextMatrix(r, c, kept.cells[static_cast<std::size_t>(c)]);
      }
    } else {
      // The tag is on disk and the row shows it; only the new name still waits.
      grid_.setTextMatrix(r, colFileName, kept.cells[colFileName]);
    }
    grid_.setRow(r);
    grid_.setCol(colState);
    markRowChanged(grid_);
    blnChanged = true;
  }
  grid_.setRow(r0);
  grid_.setCol(c0);
  grid_.setRedraw(true);
}

bool MainWindow::confirmQuit() {
  commitVisibleEditor();
  if (!blnChanged) return true;
  return c_.messages.show(question("内容が保存されていません終了しますか？", MessageAnswer::Yes)) ==
         MessageAnswer::Yes;
}

void MainWindow::cmdEnd_Click() {
  if (confirmQuit()) c_.window.endProgram();
}

void MainWindow::Form_QueryUnload(std::int16_t& Cancel) {
  // Closing the window must not drop unsaved edits without asking, as Quit does.
  Cancel = confirmQuit() ? 0 : 1;
}

void MainWindow::Command1_Click() {
  if (c_.StatusBar1.PanelText(1).empty()) return;
  c_.shell.open(c_.File1.Path(), c_.StatusBar1.PanelText(1));
}

}  // namespace quorvane
