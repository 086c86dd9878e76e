#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/form_controls.h"
#include "sheet/flex_grid.h"
#include "sheet/sheet_history.h"
#include "tagcodec/file_state.h"

namespace quorvane {

struct SavedRow;  // what Save did with one row (commands/save_rows.h)

// Where a path dropped on the window or named on its command line leads: a folder, or an
// MP3 file (a name ending in .mp3 in any letter case) in a folder, with its name.
struct PathToOpen {
  std::string folder;
  std::string fileName;  // empty for a folder
};
std::optional<PathToOpen> pathToOpen(const std::string& path, FileService& files);

// The one window object: its fields, its controls (as interfaces, so that the same code
// runs on Qt widgets and on in-memory ones) and its event handlers. Handlers are named
// control_event and run one at a time, each to completion.
class MainWindow {
 public:
  // Places the controls as the window is designed and ties the list controls' events
  // to the handlers. The window system raises Form_Load next.
  explicit MainWindow(const FormControls& controls);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  FlexGrid& MSFlexGrid1() { return grid_; }
  const FlexGrid& MSFlexGrid1() const { return grid_; }

  void Form_Load();
  void Form_Resize();
  // The window system's close command: Cancel set non-zero keeps the window open.
  void Form_QueryUnload(std::int16_t& Cancel);
  void Drive1_Change();
  void Dir1_Change();
  void File1_PathChange();

  // The grid view raises these after making the clicked cell current, or after the
  // visible part of the grid moved.
  void MSFlexGrid1_Click();
  void MSFlexGrid1_DblClick();
  void MSFlexGrid1_Scroll();

  // Raised for every key press in the editors before the editor acts on it; setting
  // KeyCode to 0 consumes the key.
  void EditText_KeyDown(std::int16_t& KeyCode, std::int16_t Shift);
  // The text editor's text changed (typing, or an editor opening over a cell).
  void EditText_Change();
  void Combo1_KeyDown(std::int16_t& KeyCode, std::int16_t Shift);

  void cmdSave_Click();
  void cmdEnd_Click();
  void Command1_Click();

  // Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z: take back the last change to the sheet since it was
  // loaded (a commit, a paste, a fill by a pattern), or make it again. Cells, marks,
  // colours and blnChanged come back as they were; the current cell, and a shown editor,
  // move to the first cell the change touched, scrolled into view.
  void Undo();
  void Redo();
  bool canUndo() const { return history_.canUndo(); }
  bool canRedo() const { return history_.canRedo(); }
  // Ctrl+V of text with several lines in an editor: the lines fill its column downward
  // from its cell, TAB-separated parts the cells to the right (a genre cell takes a genre
  // name), as one change. False, doing nothing, for a single line: the text box's own.
  bool PasteFill(const std::string& text);
  // Ctrl+T and the context menu: tags from the file names, or file names from the tags,
  // by a pattern the user gives in the dialog; one change, written by Save.
  void TagsFromNames();
  void NamesFromTags();
  // A right click on a cell, or the Menu key in an editor: the sheet's commands for the
  // current cell.
  void MSFlexGrid1_ContextMenu();

  // F5: the current folder read again, asking first when that would drop unsaved edits.
  void ReloadFolder();
  // A path dropped on the window or named on the command line: a folder opens, an MP3 file
  // opens its folder, both as a folder change (asking first when that would drop unsaved
  // edits), and the file's row becomes current, scrolled into view, its title cell open
  // for editing. Anything else is ignored: false.
  bool OpenDroppedPath(const std::string& path);

  // Files of the last load that could not become rows: their names hold a tab, CR or LF,
  // which would shift the row's cells.
  const std::vector<std::string>& unlistedNames() const { return unlistedNames_; }
  // Files of the last load that could not be read, with the system's reason: they are
  // left out, since a row of cells that were never read could only write blanks.
  struct UnreadFile {
    std::string name;
    FileFailure failure;
  };
  const std::vector<UnreadFile>& unreadFiles() const { return unreadFiles_; }
  // Whether quitting or loading another sheet now would drop something the user typed:
  // edits in the sheet, or an editor (shown or hidden) holding a change for its cell.
  bool hasUnsavedEdits() const { return blnChanged || pendingEditorDiffers(); }
  // The state in which the last load found the file of data row `row` (its length and the
  // hash of its tag's bytes), wherever sorting has moved the row; null outside the data
  // rows. Save writes a file only while it is still in this state.
  const FileState* loadedStateOfRow(int row) const;

  bool blnChanged = false;      // the sheet holds edits not yet written
  std::int32_t lngPrevRow = 0;  // the cell of the editor opened last; row 0: none
  std::int32_t lngPrevCol = 1;

 private:
  void InitSheet();
  bool SerchMP3File(const std::string& strPath);
  // What the status bar's second panel says after a load when it shows no byte count:
  // files left out of the sheet, or why the folder could not be listed.
  void noteLoadProblems();
  // Before a drive or folder change (or F5) replaces the sheet: asks `question` when it
  // holds unsaved edits. True when the sheet may go.
  bool mayReplaceSheet(const char* question = kFolderChangeQuestion);
  static constexpr const char* kFolderChangeQuestion =
      "内容が保存されていません。保存せずにフォルダを切り替えますか？";
  // The loaded file named `name` becomes the current row, scrolled into view, with its title
  // open for editing as a click opens it.
  void showFileRow(const std::string& name);
  // The drive and folder lists show the folder the sheet holds again.
  void showSheetFolder();
  // The editor opened last, shown or hidden, holds text or a choice that differs from
  // its cell (the pending cell lngPrevRow, lngPrevCol).
  bool pendingEditorDiffers() const;
  // A changed row that Save could not write wholly, as the user left it.
  struct KeptRow {
    std::string name;                 // where its file now is
    std::vector<std::string> cells;  // as the user left them
    std::uint32_t edited = 0;        // the columns the user stored into, one bit each
    FileState state;                 // the file's state as Save last saw it
  };
  std::vector<KeptRow> keptRows(const std::vector<SavedRow>& saved) const;
  // After Save's reload: the rows whose file could not be written wholly get back the
  // cells the user changed, over the row as read again, marked changed, so that another
  // Save can write them; a file the reload did not find keeps its row as it was.
  void restoreKeptRows(const std::vector<KeptRow>& rows);
  // After a Save whose folder could not be read again: the sheet stays; rows written
  // wholly show their files as they now are, the others keep their edits.
  void keepSheetAfterSave(const std::vector<SavedRow>& saved);
  // A commit stored into the cell: what Save cannot write is put back cell by cell, only
  // where the user typed.
  void noteEdited(int row, int col);
  std::int64_t addLoadedState(const FileState& state);
  // A row whose tag was just written shows it as a load of the file would: cut to its
  // fields, title, artist and album without surrounding spaces.
  void showTagAsWritten(int row);
  static MessageBoxRequest question(const char* text, MessageAnswer defaultButton);

  void ShowTextEditor();
  void ShowGenreEditor();
  void CommitTextEdit(SheetGrid& grid, std::string_view text);
  void CommitGenreEdit(SheetGrid& grid, const ComboList& list);
  // The status bar's second panel: how many bytes the open text editor's text takes in
  // its tag field, red when the field cannot hold it. Empty for names and genres.
  void showByteCount();
  // The grid's layout changed (a resize, a new frame, a reload): the shown editor moves
  // with its cell, or hides as a scroll hides it when the cell is out of view, so that it
  // never lies over another cell.
  void keepEditorOverItsCell();
  // While an editor is shown it lies over the pending cell; a click on the header row
  // moves the current cell away from it, so handlers acting for the editor move it back.
  void returnToShownEditor();
  // A key in an editor acts on the current cell; the header row (current after a reload
  // or a header click, with the editor hidden) is no cell to edit.
  bool keyHasCell() const;
  // Stores the editor opened last into its cell when it is shown, or hidden holding a
  // change (as the next click would store it), and puts the current cell back.
  void commitPendingEditor();
  // Stores what a hidden editor holds into its pending cell, when it differs from it; the
  // current cell is left elsewhere.
  void commitHiddenEditor();
  // The quit question, when there are unsaved edits; true when the program may end.
  bool confirmQuit();
  // The sheet's own keys in an editor: Ctrl+Z, Ctrl+Y, Ctrl+Shift+Z, Ctrl+V of several
  // lines, the Menu key and Shift+F10. True when the key is one of them (KeyCode 0 when
  // acted on here, kept when it is the text box's own).
  bool sheetShortcut(std::int16_t& KeyCode, std::int16_t Shift, bool textBox);
  // The closing steps of every key the editors act on: scroll the current cell into
  // view, open its editor, record it, show its file name, consume the key.
  void openEditorAfterKey(std::int16_t& KeyCode);

  // ---- changes, for undo ----
  // Opens a change that every store up to the scope's end joins; nested scopes join the
  // outermost. A change that wrote no cell leaves no trace in the history.
  class ChangeScope {
   public:
    explicit ChangeScope(MainWindow& window);
    ~ChangeScope();
    ChangeScope(const ChangeScope&) = delete;
    ChangeScope& operator=(const ChangeScope&) = delete;

   private:
    MainWindow& window_;
  };
  // The cell (row, col) about to take `after` by the user's hand, and its row's mark.
  void recordCell(int row, int col, std::string_view after);
  // Stores `text` into the cell as a commit does (the row marked, blnChanged set), leaving
  // the current cell where the commit leaves it. Nothing when the cell holds it already.
  void storeText(int row, int col, std::string_view text);
  // The same for a genre: its name into colGenre, its number into colGenreNo.
  void storeGenre(int row, const std::string& name, std::int32_t number);
  void applyChange(const SheetChange& change, bool forward);
  // After an undo or redo: the change's first cell current and in view, the editor over
  // it when one is shown.
  void showChangedCell(const SheetChange& change);
  // Fills from (row, col): lines downward, TAB-separated parts to the right.
  void pasteAt(int row, int col, const std::string& text);
  // After a change made otherwise than by the editor: the editor opened last shows its
  // cell again, so that it holds no stale text that would count as an edit.
  void syncPendingEditor();
  // Where a batch command acts: the editor's cell, else the current data cell; 0 for none.
  bool batchCell(int& row, int& col) const;
  // The plan of a fill by a pattern, for the preview and for OK.
  struct PlannedRow {
    int row;
    std::vector<std::pair<int, std::string>> cells;  // column, new text (genre: its name)
  };
  PatternPreview planFill(const std::string& pattern, bool names, std::vector<PlannedRow>& plan);
  void fillByPattern(bool names);
  // The genre list's position of the genre named `name`, or -1.
  int genreIndexNamed(std::string_view name) const;

  FormControls c_;
  FlexGrid grid_;
  SheetHistory history_;
  std::optional<SheetChange> change_;  // the change being made, inside a ChangeScope
  std::vector<int> changeRows_;        // the grid rows of change_->rows
  int changeDepth_ = 0;
  std::string tagPattern_ = "%artist% - %title%", namePattern_ = "%artist% - %title%";
  std::vector<std::string> folderNames_;  // while the pattern dialog is open
  std::vector<std::string> unlistedNames_;
  std::vector<UnreadFile> unreadFiles_;
  // The columns the user stored into, of each changed row, by the row's data (its load
  // index).
  std::unordered_map<std::int64_t, std::uint32_t> editedCells_;
  std::vector<FileState> loadedStates_;  // by the order of the load; rows keep their index
  std::string loadNotice_, loadNoticeDetail_;
  std::string sheetDrive_;           // the drive list's drive when the sheet's folder was picked
  bool sheetReplaceAgreed_ = false;  // a drive change asked already; its folder change follows
  std::uint64_t loads_ = 0;          // sheets loaded so far
};

}  // namespace quorvane
