#include <algorithm>
#include <array>
#include <memory>
#include <span>
#include <string>
#include <utility>

#include "sheet/main_window.h"
#include "sheet/sheet_columns.h"
#include "tagcodec/code_page.h"
#include "tagcodec/file_ends.h"
#include "tagcodec/file_state.h"
#include "tagcodec/genre_table.h"
#include "tagcodec/tag_block.h"
#include "tagcodec/tag_file.h"
#include "tagcodec/text_fields.h"
#include "tagcodec/utf8.h"

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

// The row of a file that was read: its name, its tag's texts as the sheet shows them (a
// file without a tag has empty ones and genre 0), the name again, "1" and the genre number.
// Runs on the loader's threads: the texts are decoded into one buffer of the thread's own.
RowCells rowOfFile(std::string_view name, const FileEnd& end, RowArena& arena) {
  static constexpr FieldSpan kFields[] = {kTitleField, kArtistField, kAlbumField, kYearField,
                                          kCommentField};
  thread_local std::string text;
  text.clear();
  std::size_t bounds[std::size(kFields) + 1] = {0};
  const bool tagged = end.hasTag();
  const CodePage& page = tagCodePage();
  for (std::size_t f = 0; f < std::size(kFields); ++f) {
    if (tagged) {
      Module1::AppendFieldText(std::span(end.tail).subspan(kFields[f].offset, kFields[f].width),
                               text, page);
    }
    bounds[f + 1] = text.size();
  }
  if (utf8::holdsControl(text)) {
    for (char& c : text) c = breaksRow(c) ? ' ' : c;
  }
  std::string_view fields[std::size(kFields)];
  for (std::size_t f = 0; f < std::size(kFields); ++f) {
    std::string_view field(text.data() + bounds[f], bounds[f + 1] - bounds[f]);
    if (f < 3) {  // title, artist and album without their surrounding spaces
      const std::size_t first = field.find_first_not_of(' ');
      field = first == std::string_view::npos
                  ? std::string_view()
                  : field.substr(first, field.find_last_not_of(' ') + 1 - first);
    }
    fields[f] = field;
  }
  const std::size_t genre = tagged ? end.tail[kGenreOffset] : 0;
  const std::string_view cells[kSheetCols] = {
      name,      fields[0], fields[1],  fields[2], fields[3], fields[4], Module1::GenreTable[genre],
      name,      kStateLoaded, kGenreNumbers[genre]};
  return RowCells(cells, kSheetCols, arena);
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
  Module1::TagRecord tag = tagRecordOfRow(grid_, row);
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
  // The file list's names as they stand; a copy only when some must be left out.
  std::span<const std::string> names = c_.File1.names();
  std::vector<std::string> listed;
  const auto breaksName = [](const std::string& name) {
    return std::any_of(name.begin(), name.end(), breaksRow);
  };
  if (std::any_of(names.begin(), names.end(), breaksName)) {
    for (const std::string& name : names) {
      (breaksName(name) ? unlistedNames_ : listed).push_back(name);
    }
    names = listed;
  }
  // The files are read, their tags decoded and their rows put together on a few threads at
  // once; each row joins the grid here, in the file list's order, as soon as it is ready.
  // Only what the rows need is kept of each file, not the 128 bytes of its end.
  grid_.reserveRows(grid_.Rows() + static_cast<int>(names.size()));
  // A row of a tagged file takes about 150 bytes.
  RowArena& arena = grid_.newRowArena(names.size() * 160);
  std::vector<RowCells> rows(names.size());
  std::vector<std::unique_ptr<FileFailure>> failures(names.size());
  loadedStates_.assign(names.size(), FileState());
  readFileEnds(
      c_.File1.Path(), names, c_.files,
      [&](std::size_t i, FileEnd& end) {
        loadedStates_[i] = fileStateOf(end);
        if (end.opened) {
          rows[i] = rowOfFile(names[i], end, arena);
        } else {
          failures[i] = std::make_unique<FileFailure>(std::move(end.failure));
        }
      },
      [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
          if (failures[i]) {
            // Not an untagged file: its cells were never read.
            unreadFiles_.push_back({names[i], std::move(*failures[i])});
            continue;
          }
          // The row data finds the row's file state again wherever a sort moves the row.
          grid_.AddItemRow(std::move(rows[i]), static_cast<std::int64_t>(i));
        }
      });
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
