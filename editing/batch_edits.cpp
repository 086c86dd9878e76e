// Changes to many cells at once (a paste, a fill by a pattern), undo and redo of every
// change, and the sheet's context menu.
#include <algorithm>
#include <unordered_map>

#include "editing/name_patterns.h"
#include "sheet/main_window.h"
#include "sheet/sheet_columns.h"
#include "tagcodec/code_page.h"
#include "tagcodec/tag_block.h"

namespace quorvane {
namespace {

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(at));
      break;
    }
    lines.emplace_back(text.substr(at, end - at));
    at = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
  }
  // A block copied from a spreadsheet ends in a line break, which starts no line.
  if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
  return lines;
}

std::vector<std::string_view> splitTabs(std::string_view line) {
  std::vector<std::string_view> parts;
  std::size_t at = 0;
  for (std::size_t tab; (tab = line.find('\t', at)) != std::string_view::npos; at = tab + 1) {
    parts.push_back(line.substr(at, tab - at));
  }
  parts.push_back(line.substr(at));
  return parts;
}

// The field a tag column is written into.
std::size_t fieldWidth(int col) {
  return col == colYear ? kYearField.width : kTitleField.width;
}

char foldCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

std::string folded(std::string_view name) {
  std::string out(name);
  for (char& c : out) c = foldCase(c);
  return out;
}

// The name's stem and its ".mp3" (in the name's own letter case), or the whole name.
std::pair<std::string, std::string> splitExtension(const std::string& name) {
  if (name.size() > 4 && folded(name.substr(name.size() - 4)) == ".mp3") {
    return {name.substr(0, name.size() - 4), name.substr(name.size() - 4)};
  }
  return {name, ".mp3"};
}

}  // namespace

// ---- recording changes ----

MainWindow::ChangeScope::ChangeScope(MainWindow& window) : window_(window) {
  if (window_.changeDepth_++ > 0) return;
  window_.change_.emplace();
  window_.changeRows_.clear();
  window_.change_->sheetChangedBefore = window_.blnChanged;
}

MainWindow::ChangeScope::~ChangeScope() {
  if (--window_.changeDepth_ > 0) return;
  SheetChange& change = *window_.change_;
  for (std::size_t i = 0; i < change.rows.size(); ++i) {
    const int r = window_.changeRows_[i];
    change.rows[i].changedAfter = window_.grid_.TextMatrix(r, colState) == kStateChanged;
    const auto edited = window_.editedCells_.find(change.rows[i].row);
    change.rows[i].editedAfter = edited == window_.editedCells_.end() ? 0 : edited->second;
  }
  change.sheetChangedAfter = window_.blnChanged;
  if (!change.cells.empty()) window_.history_.record(std::move(change));
  window_.change_.reset();
}

void MainWindow::recordCell(int row, int col, std::string_view after) {
  if (!change_) return;
  const std::int64_t id = grid_.RowData(row);
  if (std::find(changeRows_.begin(), changeRows_.end(), row) == changeRows_.end()) {
    changeRows_.push_back(row);
    const auto edited = editedCells_.find(id);
    change_->rows.push_back({id, grid_.TextMatrix(row, colState) == kStateChanged, false,
                             edited == editedCells_.end() ? 0 : edited->second, 0});
  }
  change_->cells.push_back({id, col, grid_.TextMatrix(row, col), std::string(after)});
}

void MainWindow::storeText(int row, int col, std::string_view text) {
  grid_.setRow(row);
  grid_.setCol(col);
  if (grid_.Text() == text) return;
  ChangeScope scope(*this);
  recordCell(row, col, text);
  noteEdited(row, col);
  blnChanged = true;
  grid_.setText(text);
  grid_.setRow(row);
  grid_.setCol(colState);
  markRowChanged(grid_);
}

void MainWindow::storeGenre(int row, const std::string& name, std::int32_t number) {
  grid_.setRow(row);
  grid_.setCol(colGenre);
  if (grid_.Text() == name) return;
  ChangeScope scope(*this);
  const std::string numberText = std::to_string(number);
  recordCell(row, colGenre, name);
  recordCell(row, colGenreNo, numberText);
  noteEdited(row, colGenre);
  blnChanged = true;
  grid_.setText(name);
  grid_.setRow(row);
  grid_.setCol(colGenreNo);
  grid_.setText(numberText);
  grid_.setRow(row);
  grid_.setCol(colState);
  markRowChanged(grid_);
}

void MainWindow::applyChange(const SheetChange& change, bool forward) {
  std::unordered_map<std::int64_t, int> rowOf;
  for (int r = 1; r < grid_.Rows(); ++r) rowOf[grid_.RowData(r)] = r;
  grid_.setRedraw(false);
  const auto put = [&](const SheetChange::Cell& cell) {
    if (const auto r = rowOf.find(cell.row); r != rowOf.end()) {
      grid_.setTextMatrix(r->second, cell.col, forward ? cell.after : cell.before);
    }
  };
  if (forward) {
    std::for_each(change.cells.begin(), change.cells.end(), put);
  } else {
    std::for_each(change.cells.rbegin(), change.cells.rend(), put);
  }
  for (const SheetChange::Row& row : change.rows) {
    const auto r = rowOf.find(row.row);
    if (r == rowOf.end()) continue;
    grid_.setRow(r->second);
    grid_.setCol(colState);
    const bool changed = forward ? row.changedAfter : row.changedBefore;
    if (changed) {
      markRowChanged(grid_);
    } else {
      markRowLoaded(grid_);
    }
    const std::uint32_t edited = forward ? row.editedAfter : row.editedBefore;
    if (edited != 0) {
      editedCells_[row.row] = edited;
    } else {
      editedCells_.erase(row.row);
    }
  }
  blnChanged = forward ? change.sheetChangedAfter : change.sheetChangedBefore;
  grid_.setRedraw(true);
}

void MainWindow::syncPendingEditor() {
  if (lngPrevRow < 1 || lngPrevRow >= grid_.Rows()) return;
  if (lngPrevCol == colGenre) {
    const std::string name = grid_.TextMatrix(lngPrevRow, colGenre);
    c_.Combo1.setListIndex(name.empty() ? -1 : genreIndexNamed(name));
  } else {
    c_.EditText.setText(grid_.TextMatrix(lngPrevRow, lngPrevCol));
  }
}

// ---- undo and redo ----

void MainWindow::Undo() {
  // What the editor holds becomes a change of its own first, and is what goes back.
  commitPendingEditor();
  if (const SheetChange* change = history_.undo()) {
    applyChange(*change, false);
    showChangedCell(*change);
  }
}

void MainWindow::Redo() {
  // A redo after new typing would lose the typing, or the redo: the typing wins.
  if (pendingEditorDiffers()) return;
  if (const SheetChange* change = history_.redo()) {
    applyChange(*change, true);
    showChangedCell(*change);
  }
}

void MainWindow::showChangedCell(const SheetChange& change) {
  int row = 0;
  for (int r = 1; r < grid_.Rows() && row == 0; ++r) {
    if (grid_.RowData(r) == change.cells.front().row) row = r;
  }
  const int col = change.cells.front().col == colGenreNo ? colGenre : change.cells.front().col;
  if (row == 0) return;
  grid_.setRow(row);
  grid_.setCol(col);
  if (c_.EditText.Visible() || c_.Combo1.Visible()) {
    std::int16_t consumed = 0;
    openEditorAfterKey(consumed);  // the editor moves with it, showing the cell
  } else {
    if (!grid_.ColIsVisible(col)) grid_.setLeftCol(col);
    if (!grid_.RowIsVisible(row)) grid_.setTopRow(row);
    syncPendingEditor();
  }
  showByteCount();
}

// ---- paste ----

bool MainWindow::batchCell(int& row, int& col) const {
  if (lngPrevRow >= 1 && lngPrevRow < grid_.Rows() && lngPrevCol <= kLastEditableCol) {
    row = lngPrevRow;
    col = lngPrevCol;
    return true;
  }
  if (grid_.Row() >= 1 && grid_.Col() <= kLastEditableCol) {
    row = grid_.Row();
    col = grid_.Col();
    return true;
  }
  return false;
}

bool MainWindow::PasteFill(const std::string& text) {
  if (splitLines(text).size() < 2) return false;
  int row = 0, col = 0;
  if (!batchCell(row, col)) return false;
  pasteAt(row, col, text);
  return true;
}

void MainWindow::pasteAt(int row, int col, const std::string& text) {
  commitPendingEditor();
  const int r0 = grid_.Row(), c0 = grid_.Col();
  const std::vector<std::string> lines = splitLines(text);
  std::size_t leftLines = 0, leftCells = 0;
  std::vector<std::string> unknownGenres;
  {
    ChangeScope scope(*this);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const int r = row + static_cast<int>(i);
      if (r >= grid_.Rows()) {
        leftLines = lines.size() - i;
        break;
      }
      const std::vector<std::string_view> parts = splitTabs(lines[i]);
      for (std::size_t j = 0; j < parts.size(); ++j) {
        const int c = col + static_cast<int>(j);
        if (c > kLastEditableCol) {
          leftCells += parts.size() - j;
          break;
        }
        if (c != colGenre) {
          storeText(r, c, parts[j]);
        } else if (const int item = genreIndexNamed(parts[j]); item >= 0) {
          storeGenre(r, c_.Combo1.List(item), c_.Combo1.ItemData(item) - 1);
        } else if (!parts[j].empty()) {
          unknownGenres.emplace_back(parts[j]);
        }
      }
    }
  }
  grid_.setRow(r0);
  grid_.setCol(c0);
  syncPendingEditor();
  showByteCount();
  std::string report;
  if (leftLines > 0) {
    report += std::to_string(leftLines) + " 行は最後の行より下になるため、貼り付けませんでした。";
  }
  if (leftCells > 0) {
    if (!report.empty()) report += "\r\n";
    report += std::to_string(leftCells) + " 個のセルはジャンルより右になるため、貼り付けませんでした。";
  }
  for (const std::string& genre : unknownGenres) {
    if (!report.empty()) report += "\r\n";
    report += "ジャンル「" + genre + "」は一覧にないため、そのままにしました。";
  }
  if (report.empty()) return;
  MessageBoxRequest box;
  box.title = "Quorvane";
  box.text = report;
  box.icon = MessageIcon::Information;
  c_.messages.show(box);
}

int MainWindow::genreIndexNamed(std::string_view name) const {
  for (int i = 0; i < c_.Combo1.ListCount(); ++i) {
    if (c_.Combo1.List(i) == name) return i;
  }
  return -1;
}

// ---- fills by a pattern ----

PatternPreview MainWindow::planFill(const std::string& text, bool names,
                                    std::vector<PlannedRow>& plan) {
  PatternPreview preview;
  plan.clear();
  std::string error;
  const std::optional<NamePattern> pattern = parseNamePattern(text, names, error);
  if (!pattern) {
    preview.error = error;
    return preview;
  }
  std::vector<PatternPreviewRow> misfits;
  std::vector<PatternPreviewRow> changes;
  for (int r = 1; r < grid_.Rows(); ++r) {
    const std::string name = grid_.TextMatrix(r, colFileName);
    const auto [stem, extension] = splitExtension(name);
    PatternPreviewRow shown{name, {}, {}, PatternPreviewRow::Status::Changes, false};
    PlannedRow planned{r, {}};
    if (names) {
      const std::string newName =
          buildName(*pattern, [&](int col) { return grid_.TextMatrix(r, col); }) + extension;
      if (newName == name) continue;
      shown.before = name;
      shown.after = newName;
      if (splitExtension(newName).first.find_first_not_of(' ') == std::string::npos) {
        shown.status = PatternPreviewRow::Status::NoMatch;
        misfits.push_back(shown);
        continue;
      }
      planned.cells.emplace_back(colFileName, newName);
    } else {
      const auto found = matchNamePattern(*pattern, stem);
      bool fits = found.has_value();
      for (const auto& [col, value] : found ? *found : std::vector<std::pair<int, std::string>>()) {
        std::string after = value;
        if (col == colGenre) {
          if (genreIndexNamed(value) < 0) fits = false;
        } else if (tagCodePage().encode(value).size() > fieldWidth(col)) {
          shown.tooLong = true;
        }
        const std::string before = grid_.TextMatrix(r, col);
        if (before == after) continue;
        const std::string separator = planned.cells.empty() ? "" : " / ";
        shown.before += separator + before;
        shown.after += separator + after;
        planned.cells.emplace_back(col, after);
      }
      if (!fits) {
        shown = PatternPreviewRow{name, {}, {}, PatternPreviewRow::Status::NoMatch, false};
        misfits.push_back(shown);
        continue;
      }
      if (planned.cells.empty()) continue;
    }
    changes.push_back(shown);
    plan.push_back(std::move(planned));
  }
  if (names) {
    // A new name that another file has, or that two rows would take, is left out: Save
    // could only refuse it.
    std::unordered_map<std::string, int> taken;
    for (const std::string& listed : folderNames_) ++taken[folded(listed)];
    std::unordered_map<std::string, int> wanted;
    for (const PlannedRow& p : plan) ++wanted[folded(p.cells[0].second)];
    std::vector<PlannedRow> kept;
    std::vector<PatternPreviewRow> keptRows;
    for (std::size_t i = 0; i < plan.size(); ++i) {
      const std::string key = folded(plan[i].cells[0].second);
      const std::string own = folded(grid_.TextMatrix(plan[i].row, colOrigName));
      const bool collides = wanted[key] > 1 || (taken.count(key) && key != own);
      if (collides) {
        changes[i].status = PatternPreviewRow::Status::Collides;
        misfits.push_back(changes[i]);
      } else {
        kept.push_back(plan[i]);
        keptRows.push_back(changes[i]);
      }
    }
    plan = std::move(kept);
    changes = std::move(keptRows);
  }
  preview.changes = static_cast<int>(plan.size());
  preview.rows = std::move(changes);
  preview.rows.insert(preview.rows.end(), misfits.begin(), misfits.end());
  return preview;
}

void MainWindow::fillByPattern(bool names) {
  commitPendingEditor();
  if (grid_.Rows() < 2) return;
  // The names a new name must not take: the folder's files and every row's names.
  folderNames_ = c_.files.listMp3Files(c_.File1.Path()).names;
  for (int r = 1; r < grid_.Rows(); ++r) {
    folderNames_.push_back(grid_.TextMatrix(r, colOrigName));
    folderNames_.push_back(grid_.TextMatrix(r, colFileName));
  }
  PatternDialogRequest request;
  request.title = "Quorvane";
  request.heading = names ? "タグからファイル名を設定" : "ファイル名からタグを設定";
  request.pattern = names ? namePattern_ : tagPattern_;
  for (const auto& [placeholder, col] : namePlaceholders()) {
    request.placeholders.emplace_back(placeholder, kSheetColumns[col].header);
  }
  std::vector<PlannedRow> plan;
  const std::optional<std::string> accepted = c_.patterns.run(
      request, [&](const std::string& text) { return planFill(text, names, plan); });
  if (!accepted) return;
  (names ? namePattern_ : tagPattern_) = *accepted;
  planFill(*accepted, names, plan);
  const int r0 = grid_.Row(), c0 = grid_.Col();
  {
    ChangeScope scope(*this);
    for (const PlannedRow& p : plan) {
      for (const auto& [col, text] : p.cells) {
        if (col == colGenre) {
          const int item = genreIndexNamed(text);
          storeGenre(p.row, c_.Combo1.List(item), c_.Combo1.ItemData(item) - 1);
        } else {
          storeText(p.row, col, text);
        }
      }
    }
  }
  grid_.setRow(r0);
  grid_.setCol(c0);
  syncPendingEditor();
  showByteCount();
}

void MainWindow::TagsFromNames() {
  fillByPattern(false);
}

void MainWindow::NamesFromTags() {
  fillByPattern(true);
}

// ---- the context menu ----

void MainWindow::MSFlexGrid1_ContextMenu() {
  int row = 0, col = 0;
  // The cell right-clicked (made current by the grid), else the editor's.
  const bool onCell = grid_.Row() >= 1 && grid_.Col() <= kLastEditableCol;
  if (onCell) {
    row = grid_.Row();
    col = grid_.Col();
  }
  const bool target = onCell || batchCell(row, col);
  const std::string clipboard = c_.clipboard.text();
  const std::vector<MenuItem> items = {
      {"元に戻す", "Ctrl+Z", history_.canUndo() || pendingEditorDiffers(), false},
      {"やり直し", "Ctrl+Y", history_.canRedo() && !pendingEditorDiffers(), false},
      {"貼り付け", "Ctrl+V", target && !clipboard.empty(), true},
      {"ファイル名からタグを設定...", "Ctrl+T", grid_.Rows() > 1, true},
      {"タグからファイル名を設定...", "", grid_.Rows() > 1, false},
  };
  switch (c_.menu.show(items)) {
    case 0:
      Undo();
      break;
    case 1:
      Redo();
      break;
    case 2:
      if (target && !clipboard.empty()) pasteAt(row, col, clipboard);
      break;
    case 3:
      TagsFromNames();
      break;
    case 4:
      NamesFromTags();
      break;
    default:
      break;
  }
  // A right click made another cell current; a shown editor stays over its own.
  returnToShownEditor();
}

}  // namespace quorvane
