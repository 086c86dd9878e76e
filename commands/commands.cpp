#include "commands/save_rows.h"
#include "sheet/main_window.h"
#include "sheet/sheet_columns.h"

namespace quorvane {
namespace {

MessageBoxRequest question(const char* text) {
  MessageBoxRequest box;
  box.text = text;
  box.title = "Quorvane";
  box.buttons = MessageButtons::YesNo;
  box.defaultButton = MessageAnswer::Yes;
  box.icon = MessageIcon::Question;
  return box;
}

}  // namespace

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
  if (c_.messages.show(question("保存します。")) != MessageAnswer::Yes) return;
  c_.window.setBusy(true);
  saveChangedRows(grid_, c_.Dir1.Path(), c_.messages);
  // Show the folder as it now is on disk, renamed files under their new names.
  c_.File1.Refresh();
  SerchMP3File(c_.File1.Path());
  c_.window.setBusy(false);
}

bool MainWindow::confirmQuit() {
  commitVisibleEditor();
  if (!blnChanged) return true;
  return c_.messages.show(question("内容が保存されていません終了しますか？")) == MessageAnswer::Yes;
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
