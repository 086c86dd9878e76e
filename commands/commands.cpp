#include <unordered_map>

#include "commands/save_rows.h"
#include "sheet/main_window.h"
#include "sheet/sheet_columns.h"

namespace quorvane {
namespace {

constexpr int kKeptCols[] = {colFileName, colTitle, colArtist, colAlbum,
                             colYear,     colComment, colGenre, colGenreNo};

bool genreCell(int col) {
  return col == colGenre || col == colGenreNo;
}

}  // namespace

void MainWindow::commitPendingEditor() {
  returnToShownEditor();
  const int r = grid_.Row(), c = grid_.Col();
  if (c_.EditText.Visible()) {
    CommitTextEdit(grid_, c_.EditText.Text());
  } else if (c_.Combo1.Visible()) {
    CommitGenreEdit(grid_, c_.Combo1);
  } else {
    commitHiddenEditor();
  }
  // A commit leaves another column current; an open editor stays over this cell.
  grid_.setRow(r);
  grid_.setCol(c);
}

void MainWindow::commitHiddenEditor() {
  if (!pendingEditorDiffers()) return;
  // Hidden by a scroll or a double click with the user's change in it: stored as the next
  // click would store it, so that it is saved or asked about, never dropped.
  grid_.setRow(lngPrevRow);
  grid_.setCol(lngPrevCol);
  if (lngPrevCol == colGenre) {
    CommitGenreEdit(grid_, c_.Combo1);
  } else {
    CommitTextEdit(grid_, c_.EditText.Text());
  }
}

void MainWindow::cmdSave_Click() {
  commitPendingEditor();
  if (!blnChanged) return;
  if (c_.messages.show(question("保存します。", MessageAnswer::Yes)) != MessageAnswer::Yes) return;
  c_.window.setBusy(true);
  // Files are written: what the history would take back is no longer only in the sheet.
  history_.clear();
  const std::vector<SavedRow> saved =
      saveChangedRows(grid_, c_.Dir1.Path(), c_.messages, c_.files,
                      [this](int row, const std::string&) { return loadedStateOfRow(row); });
  std::vector<KeptRow> kept = keptRows(saved);
  // Show the folder as it now is on disk, renamed files under their new names.
  c_.File1.Refresh();
  if (c_.File1.readOk()) {
    SerchMP3File(c_.File1.Path());
    restoreKeptRows(kept);
  } else {
    // The folder has gone (a stick pulled, a share dropped): an empty sheet would drop
    // every edit that was not written, so the sheet stays.
    keepSheetAfterSave(saved);
  }
  c_.window.setBusy(false);
}

std::vector<MainWindow::KeptRow> MainWindow::keptRows(const std::vector<SavedRow>& saved) const {
  std::vector<KeptRow> kept;
  for (const SavedRow& row : saved) {
    if (row.record.written) continue;
    KeptRow k;
    k.name = nameInFolder(row.record.path, c_.files);
    for (int c = 0; c < kSheetCols; ++c) k.cells.push_back(grid_.TextMatrix(row.row, c));
    const auto edited = editedCells_.find(grid_.RowData(row.row));
    k.edited = edited != editedCells_.end() ? edited->second : 0;
    k.state = row.record.state;
    kept.push_back(std::move(k));
  }
  return kept;
}

void MainWindow::restoreKeptRows(const std::vector<KeptRow>& rows) {
  if (rows.empty()) return;
  std::unordered_map<std::string, int> rowOf;
  for (int r = grid_.Rows() - 1; r >= 1; --r) rowOf[grid_.TextMatrix(r, colOrigName)] = r;
  const int r0 = grid_.Row(), c0 = grid_.Col();
  grid_.setRedraw(false);
  for (const KeptRow& kept : rows) {
    int r = 0;
    if (const auto found = rowOf.find(kept.name); found != rowOf.end()) {
      r = found->second;
      // Only what the user typed goes back, over the file as it now is: a cell that merely
      // came from the load must not write an old or unread value over it.
      for (int c : kKeptCols) {
        if (kept.edited & (1u << (genreCell(c) ? colGenre : c))) {
          grid_.setTextMatrix(r, c, kept.cells[static_cast<std::size_t>(c)]);
        }
      }
    } else {
      // Gone from the folder, or unreadable now: the row stays as the user left it, so
      // that nothing typed is dropped without a question.
      std::vector<std::string_view> cells(kept.cells.begin(), kept.cells.end());
      cells[colOrigName] = kept.name;
      cells[colState] = kStateLoaded;
      grid_.AddItemCells(cells);
      r = grid_.Rows() - 1;
      grid_.setRowData(r, addLoadedState(kept.state));
    }
    editedCells_[grid_.RowData(r)] = kept.edited;
    grid_.setRow(r);
    grid_.setCol(colState);
    markRowChanged(grid_);
    blnChanged = true;
  }
  grid_.setRow(r0);
  grid_.setCol(c0);
  grid_.setRedraw(true);
}

void MainWindow::keepSheetAfterSave(const std::vector<SavedRow>& saved) {
  // The editors close as after a reload, so that the status bar can say why the folder
  // was not read; what they held was stored before the writing began.
  c_.EditText.setVisible(false);
  c_.Combo1.setVisible(false);
  lngPrevRow = 0;
  lngPrevCol = 1;
  const int r0 = grid_.Row(), c0 = grid_.Col();
  grid_.setRedraw(false);
  for (const SavedRow& row : saved) {
    const int r = row.row;
    const std::string name = nameInFolder(row.record.path, c_.files);
    const std::int64_t index = grid_.RowData(r);
    if (row.record.state.size >= 0 && index >= 0 &&
        static_cast<std::size_t>(index) < loadedStates_.size()) {
      // What a later Save must find: the file as this one left it.
      loadedStates_[static_cast<std::size_t>(index)] = row.record.state;
    }
    grid_.setTextMatrix(r, colOrigName, name);
    if (!row.record.written) continue;
    grid_.setTextMatrix(r, colFileName, name);
    showTagAsWritten(r);
    grid_.setRow(r);
    grid_.setCol(colState);
    markRowLoaded(grid_);
    editedCells_.erase(index);
  }
  blnChanged = false;
  for (int r = 1; r < grid_.Rows(); ++r) {
    if (grid_.TextMatrix(r, colState) == kStateChanged) blnChanged = true;
  }
  grid_.setRow(r0);
  grid_.setCol(c0);
  grid_.setRedraw(true);
  noteLoadProblems();
}

bool MainWindow::confirmQuit() {
  commitPendingEditor();
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
