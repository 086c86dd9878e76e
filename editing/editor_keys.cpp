#include "sheet/main_window.h"
#include "sheet/sheet_columns.h"

namespace quorvane {
namespace {

// Enter moves along the row and wraps to the next one; Shift alone moves back.
void moveForEnter(SheetGrid& grid, std::int16_t shift) {
  if (shift == kShiftMask) {
    if (grid.Col() > colFileName) {
      grid.setCol(grid.Col() - 1);
      grid.setRow(grid.Row());
    } else if (grid.Row() > 1) {
      grid.setCol(kLastEditableCol);
      grid.setRow(grid.Row() - 1);
    }
  } else {
    if (grid.Col() < kLastEditableCol) {
      grid.setCol(grid.Col() + 1);
      grid.setRow(grid.Row());
    } else if (grid.Row() < grid.Rows() - 1) {
      grid.setLeftCol(0);
      grid.setCol(colFileName);
      grid.setRow(grid.Row() + 1);
    }
  }
}

void moveVertically(SheetGrid& grid, std::int16_t keyCode) {
  if (keyCode == kKeyUp && grid.Row() > 1) {
    grid.setRow(grid.Row() - 1);
    grid.setCol(grid.Col());
  } else if (keyCode == kKeyDown && grid.Row() < grid.Rows() - 1) {
    grid.setRow(grid.Row() + 1);
    grid.setCol(grid.Col());
  }
}

bool isNavigationKey(std::int16_t keyCode) {
  return keyCode == kKeyReturn || keyCode == kKeyUp || keyCode == kKeyDown;
}

}  // namespace

bool MainWindow::sheetShortcut(std::int16_t& KeyCode, std::int16_t Shift, bool textBox) {
  const bool ctrl = Shift == kCtrlMask, ctrlShift = Shift == (kCtrlMask | kShiftMask);
  if ((ctrl && KeyCode == kKeyY) || (ctrlShift && KeyCode == kKeyZ)) {
    // Typing not yet stored has the text box's own redo.
    if (textBox && pendingEditorDiffers()) return true;
    Redo();
  } else if (ctrl && KeyCode == kKeyZ) {
    // Typing not yet stored is the text box's to take back; a genre choice goes back here.
    if (pendingEditorDiffers()) {
      if (textBox) return true;
      syncPendingEditor();
    } else {
      Undo();
    }
  } else if (ctrl && KeyCode == kKeyV && textBox) {
    if (!PasteFill(c_.clipboard.text())) return true;  // one line: the text box pastes it
  } else if (KeyCode == kKeyApps || (Shift == kShiftMask && KeyCode == kKeyF10)) {
    returnToShownEditor();
    MSFlexGrid1_ContextMenu();
  } else {
    return false;
  }
  KeyCode = 0;
  return true;
}

void MainWindow::EditText_KeyDown(std::int16_t& KeyCode, std::int16_t Shift) {
  if (sheetShortcut(KeyCode, Shift, true)) return;
  if (!isNavigationKey(KeyCode)) return;
  returnToShownEditor();
  if (!keyHasCell()) return;
  if (KeyCode == kKeyReturn) {
    const int r0 = grid_.Row(), c0 = grid_.Col();
    if (c_.EditText.Visible()) {
      CommitTextEdit(grid_, c_.EditText.Text());
    } else if (c_.Combo1.Visible()) {
      CommitGenreEdit(grid_, c_.Combo1);
    } else {
      // Enter in an editor that a scroll hid stores what was typed, as Enter always does.
      commitHiddenEditor();
    }
    grid_.setRow(r0);
    grid_.setCol(c0);
    moveForEnter(grid_, Shift);
  } else {
    moveVertically(grid_, KeyCode);
  }
  openEditorAfterKey(KeyCode);
}

void MainWindow::Combo1_KeyDown(std::int16_t& KeyCode, std::int16_t Shift) {
  if (sheetShortcut(KeyCode, Shift, false)) return;
  if (!isNavigationKey(KeyCode)) return;
  returnToShownEditor();
  if (!keyHasCell()) return;
  if (KeyCode == kKeyReturn) {
    const int r0 = grid_.Row(), c0 = grid_.Col();
    // The list stores only its own choice, never what waits in the text editor.
    if (c_.Combo1.Visible()) {
      CommitGenreEdit(grid_, c_.Combo1);
    } else if (lngPrevCol == colGenre) {
      commitHiddenEditor();
    }
    grid_.setRow(r0);
    grid_.setCol(c0);
    moveForEnter(grid_, Shift);
  } else {
    moveVertically(grid_, KeyCode);
  }
  openEditorAfterKey(KeyCode);
}

bool MainWindow::keyHasCell() const {
  // Without data rows a key has nowhere to go and is left to the editor.
  return grid_.Rows() > 1 && grid_.Col() >= colFileName && grid_.Col() <= kLastEditableCol;
}

void MainWindow::returnToShownEditor() {
  const bool shown = c_.EditText.Visible() || c_.Combo1.Visible();
  if (!shown || lngPrevRow < 1 || lngPrevRow >= grid_.Rows()) return;
  if (grid_.Row() != lngPrevRow || grid_.Col() != lngPrevCol) {
    grid_.setRow(lngPrevRow);
    grid_.setCol(lngPrevCol);
  }
}

void MainWindow::openEditorAfterKey(std::int16_t& KeyCode) {
  // From the header row (a reload or a header click left it current while the editor
  // was hidden) the editor opens on the first row: never over a header cell.
  if (grid_.Row() < 1) {
    grid_.setRow(1);
    grid_.setCol(grid_.Col());
  }
  if (!grid_.ColIsVisible(grid_.Col())) grid_.setLeftCol(grid_.Col());
  if (!grid_.RowIsVisible(grid_.Row())) grid_.setTopRow(grid_.Row());
  if (grid_.Col() == colGenre) {
    c_.EditText.setVisible(false);
    ShowGenreEditor();
  } else {
    c_.Combo1.setVisible(false);
    ShowTextEditor();
    // A grid too small to show the cell leaves the editor hidden with the last cell's
    // text, which would then count as a change waiting for this cell.
    if (!c_.EditText.Visible()) c_.EditText.setText(grid_.Text());
    c_.EditText.SetFocus();
  }
  lngPrevRow = grid_.Row();
  lngPrevCol = grid_.Col();
  c_.StatusBar1.setPanelText(1, grid_.TextMatrix(grid_.Row(), colOrigName));
  c_.Label1.setCaption(grid_.TextMatrix(grid_.Row(), colOrigName));
  showByteCount();
  KeyCode = 0;
}

}  // namespace quorvane
