#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "sheet/main_window.h"
#include "sheet/sheet_columns.h"
#include "tagcodec/file_ends.h"
#include "tagcodec/file_state.h"
#include "tagcodec/genre_table.h"
#include "tagcodec/tag_block.h"
#include "tagcodec/tag_file.h"

namespace quorvane {
namespace {

// "0" to "255", the genre number cell of every possible genre byte.
const std::array<std::string, 256> kGenreNumbers = [] {
  std::array<std::string, 256> numbers;
  for (std::size_t i = 0; i < numbers.size(); ++i) numbers[i] = std::to_string(i);
  return numbers;
}();

char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool breaksRow(char c) {
  return c == '\t' || c == '\r' || c == '\n';
}

// Tag text goes into a tab-separated row: a tab, CR or LF in it would shift the cells
// that follow, so each becomes one space (and is trimmed like one). Title, artist and
// album lose their surrounding spaces; year and comment stay as read.
void cleanForRow(Module1::TagRecord& tag) {
  for (std::string* text : {&tag.Title, &tag.Artist, &tag.Album, &tag.Year, &tag.Comment}) {
    for (char& c : *text) c = breaksRow(c) ? ' ' : c;
  }
  for (std::string* text : {&tag.Title, &tag.Artist, &tag.Album}) {
    const std::size_t first = text->find_first_not_of(' ');
    if (first == std::string::npos) {
      text->clear();
      continue;
    }
    text->erase(text->find_last_not_of(' ') + 1);
    text->erase(0, first);
  }
}

}  // namespace

void MainWindow::Drive1_Change() {
  if (!mayReplaceSheet()) {
    showSheetFolder();
    return;
  }
  // The folder list's change event follows at once and must not ask again.
  sheetReplaceAgreed_ = true;
  const bool changed = c_.Dir1.setPath(c_.Drive1.Drive());
  sheetReplaceAgreed_ = false;
  if (!changed) showSheetFolder();
}

void MainWindow::Dir1_Change() {
  if (!std::exchange(sheetReplaceAgreed_, false) && !mayReplaceSheet()) {
    showSheetFolder();
    return;
  }
  sheetDrive_ = c_.Drive1.Drive();
  c_.File1.setPath(c_.Dir1.Path());
}

void MainWindow::ReloadFolder() {
  if (!mayReplaceSheet("内容が保存されていません。保存せずに読み直しますか？")) return;
  c_.File1.setPath(c_.File1.Path());
}

std::optional<PathToOpen> pathToOpen(const std::string& path, FileService& files) {
  if (files.isFolder(path)) return PathToOpen{path, ""};
  std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
  for (char& c : tail) c = asciiLower(c);
  std::size_t separator = path.size();
  while (separator > 0 && !files.isSeparator(path[separator - 1])) --separator;
  if (tail != ".mp3" || separator == 0) return std::nullopt;
  // A root ("/", "C:\\") keeps its separator; any other folder loses it.
  std::string folder = path.substr(0, separator - 1);
  if (folder.empty() || folder.back() == ':') folder = path.substr(0, separator);
  if (!files.isFolder(folder)) return std::nullopt;
  return PathToOpen{std::move(folder), path.substr(separator)};
}

bool MainWindow::OpenDroppedPath(const std::string& path) {
  const std::optional<PathToOpen> open = pathToOpen(path, c_.files);
  if (!open) return false;
  const std::uint64_t loadsBefore = loads_;
  if (!c_.Dir1.setPath(open->folder)) return false;
  // Only in a sheet just loaded from that folder: answered No, the old sheet stays as it was.
  if (!open->fileName.empty() && loads_ != loadsBefore) showFileRow(open->fileName);
  return true;
}

void MainWindow::showFileRow(const std::string& name) {
  const auto sameIgnoringCase = [](std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return asciiLower(x) == asciiLower(y); });
  };
  int row = 0;
  for (int r = 1; r < grid_.Rows() && row == 0; ++r) {
    if (grid_.textAt(r, colOrigName) == name) row = r;
  }
  // Windows finds "A.MP3" as "a.mp3"; an exact name wins where both are listed.
  for (int r = 1; r < grid_.Rows() && row == 0; ++r) {
    if (sameIgnoringCase(grid_.textAt(r, colOrigName), name)) row = r;
  }
  if (row == 0) return;
  if (!grid_.RowIsVisible(row)) grid_.setTopRow(row);
  if (!grid_.ColIsVisible(colTitle)) grid_.setLeftCol(colTitle);
  grid_.setRow(row);
  grid_.setCol(colTitle);
  MSFlexGrid1_Click();
}

bool MainWindow::mayReplaceSheet(const char* text) {
  if (!hasUnsavedEdits()) return true;
  return c_.messages.show(question(text, MessageAnswer::No)) == MessageAnswer::Yes;
}

void MainWindow::showSheetFolder() {
  c_.Drive1.showDrive(sheetDrive_);
  c_.Dir1.showPath(c_.File1.Path());
}

bool MainWindow::pendingEditorDiffers() const {
  if (lngPrevRow < 1 || lngPrevRow >= grid_.Rows()) return false;
  if (lngPrevCol == colGenre) {
    // As the genre commit sees it: no choice stores nothing.
    const int index = c_.Combo1.ListIndex();
    return index >= 0 && c_.Combo1.List(index) != grid_.TextMatrix(lngPrevRow, colGenre);
  }
  return c_.EditText.Text() != grid_.TextMatrix(lngPrevRow, lngPrevCol);
}

void MainWindow::noteEdited(int row, int col) {
  editedCells_[grid_.RowData(row)] |= 1u << col;
}

void MainWindow::showTagAsWritten(int row) {
  Module1::TagRecord tag;
  tag.Title = grid_.TextMatrix(row, colTitle);
  tag.Artist = grid_.TextMatrix(row, colArtist);
  tag.Album = grid_.TextMatrix(row, colAlbum);
  tag.Year = grid_.TextMatrix(row, colYear);
  tag.Comment = grid_.TextMatrix(row, colComment);
  tag.Genre = static_cast<std::int16_t>(std::stoi(grid_.TextMatrix(row, colGenreNo)));
  // Cut and padded as the file now holds it, then shown as a load would show it.
  parseTagBlock(renderTagBlock(tag), tag);
  cleanForRow(tag);
  grid_.setTextMatrix(row, colTitle, tag.Title);
  grid_.setTextMatrix(row, colArtist, tag.Artist);
  grid_.setTextMatrix(row, colAlbum, tag.Album);
  grid_.setTextMatrix(row, colYear, tag.Year);
  grid_.setTextMatrix(row, colComment, tag.Comment);
  grid_.setTextMatrix(row, colGenre, Module1::GenreTable[static_cast<std::size_t>(tag.Genre)]);
}

std::int64_t MainWindow::addLoadedState(const FileState& state) {
  loadedStates_.push_back(state);
  return static_cast<std::int64_t>(loadedStates_.size() - 1);
}

void MainWindow::File1_PathChange() {
  c_.window.setBusy(true);
  if (SerchMP3File(c_.File1.Path())) {
    grid_.setCol(0);
    grid_.setColSel(0);
    grid_.setSort(1);
  }
  c_.window.setBusy(false);
}

bool MainWindow::SerchMP3File(const std::string& strPath) {
  (void)strPath;  // the same folder as the file list's, which the rows are built from
  ++loads_;
  grid_.setRedraw(false);
  blnChanged = false;
  InitSheet();
  unlistedNames_.clear();
  unreadFiles_.clear();
  const int n = c_.File1.ListCount();
  const std::string folder = c_.File1.Path();
  std::vector<std::string> names, paths;
  names.reserve(static_cast<std::size_t>(n));
  paths.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    std::string name = c_.File1.List(i);
    if (std::any_of(name.begin(), name.end(), breaksRow)) {
      unlistedNames_.push_back(std::move(name));
      continue;
    }
    paths.push_back(c_.files.joinPath(folder, name));
    names.push_back(std::move(name));
  }
  // The files are read, and their tags decoded, on a few threads at once; each row is
  // built here, in the file list's order, as soon as its file has been read. A file
  // without a tag keeps the empty values of a fresh record.
  std::vector<Module1::TagRecord> records(paths.size());
  loadedStates_.assign(paths.size(), FileState());
  std::vector<FileEnd> ends;
  const auto decode = [&](std::size_t i) {
    if (ends[i].hasTag()) {
      parseTagBlock(ends[i].tail, records[i]);
      cleanForRow(records[i]);
    }
    loadedStates_[i] = fileStateOf(ends[i]);
  };
  readFileEnds(
      paths, c_.files, ends,
      [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
          if (!ends[i].opened) {
            // Not an untagged file: its cells were never read.
            unreadFiles_.push_back({std::move(names[i]), std::move(ends[i].failure)});
            continue;
          }
          const Module1::TagRecord& tag = records[i];
          const auto genre = static_cast<std::size_t>(tag.Genre);
          const std::string_view cells[kSheetCols] = {names[i],
                                                      tag.Title,
                                                      tag.Artist,
                                                      tag.Album,
                                                      tag.Year,
                                                      tag.Comment,
                                                      Module1::GenreTable[genre],
                                                      names[i],
                                                      kStateLoaded,
                                                      kGenreNumbers[genre]};
          grid_.AddItemCells(cells);
          // The row's file state, found again by the row wherever a sort moves it.
          grid_.setRowData(grid_.Rows() - 1, static_cast<std::int64_t>(i));
          records[i] = Module1::TagRecord();  // its text is in the grid now
        }
      },
      decode);
  grid_.setRedraw(true);
  noteLoadProblems();
  return true;
}

const FileState* MainWindow::loadedStateOfRow(int row) const {
  if (row < 1 || row >= grid_.Rows()) return nullptr;
  const std::int64_t index = grid_.RowData(row);
  if (index < 0 || static_cast<std::size_t>(index) >= loadedStates_.size()) return nullptr;
  return &loadedStates_[static_cast<std::size_t>(index)];
}

void MainWindow::noteLoadProblems() {
  loadNotice_.clear();
  loadNoticeDetail_.clear();
  if (!c_.File1.readOk()) {
    loadNotice_ = "フォルダを読めません: " + c_.File1.readError();
    loadNoticeDetail_ = c_.File1.Path();
  } else if (!unlistedNames_.empty() || !unreadFiles_.empty()) {
    loadNotice_ =
        "表示できないファイル " + std::to_string(unlistedNames_.size() + unreadFiles_.size()) + " 件";
    constexpr std::size_t kNamesShown = 20;
    std::size_t shown = 0;
    // The breaks themselves shown as \t, \r, \n, so each name stays on its line.
    const auto line = [](std::string_view text) {
      std::string out = "\n";
      for (char ch : text) {
        out += ch == '\t' ? "\\t" : ch == '\r' ? "\\r" : ch == '\n' ? "\\n" : std::string(1, ch);
      }
      return out;
    };
    if (!unlistedNames_.empty()) {
      loadNoticeDetail_ = "名前にタブまたは改行を含むファイルは表示されません:";
      for (std::size_t i = 0; i < unlistedNames_.size() && shown < kNamesShown; ++i, ++shown) {
        loadNoticeDetail_ += line(unlistedNames_[i]);
      }
    }
    if (!unreadFiles_.empty()) {
      if (!loadNoticeDetail_.empty()) loadNoticeDetail_ += "\n";
      loadNoticeDetail_ += "読み込めなかったファイル:";
      for (std::size_t i = 0; i < unreadFiles_.size() && shown < kNamesShown; ++i, ++shown) {
        const FileFailure& failure = unreadFiles_[i].failure;
        loadNoticeDetail_ += line(unreadFiles_[i].name + ": " +
                                  (failure.notRegularFile ? "通常のファイルではありません。"
                                                          : failure.description));
      }
    }
    const std::size_t total = unlistedNames_.size() + unreadFiles_.size();
    if (total > shown) {
      loadNoticeDetail_ += "\nほか " + std::to_string(total - shown) + " 件";
    }
  }
  showByteCount();
}

}  // namespace quorvane
