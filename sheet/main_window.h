#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/form_controls.h"
#include "sheet/flex_grid.h"
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
  // The closing steps of every key the editors act on: scroll the current cell into
  // view, open its editor, record it, show its file name, consume the key.
  void openEditorAfterKey(std::int16_t& KeyCode);

  FormControls c_;
  FlexGrid grid_;
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
