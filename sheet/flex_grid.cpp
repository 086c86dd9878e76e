#include "sheet/flex_grid.h"

#include <algorithm>
#include <cstddef>

namespace quorvane {

namespace {

constexpr int kDefaultColWidthTwips = 960;
constexpr int kMaxAlignment = 9;  // flexAlignGeneral, the last alignment the control knows

}  // namespace

FlexGrid::FlexGrid(int twipsPerPixelX, int twipsPerPixelY)
    // A twip is 1/1440 inch, so no real screen lies outside 1 .. 1440 twips per pixel.
    : tppX_(std::clamp(twipsPerPixelX, 1, 1440)), tppY_(std::clamp(twipsPerPixelY, 1, 1440)) {
  rows_.push_back(GridRow{RowCells(1), {}});
  colWidths_.assign(1, kDefaultColWidthTwips);
  colAlignments_.assign(1, 0);
}

// ---- notifications ----

void FlexGrid::contentChanged() {
  if (!redraw_) {
    changedWhileHidden_ = true;
  } else if (observer_) {
    observer_->gridContentChanged();
  }
}

void FlexGrid::scrolled() {
  // A bulk load adds rows one by one; the view hears of the new scroll range once.
  if (!redraw_) {
    scrolledWhileHidden_ = true;
  } else if (observer_) {
    observer_->gridScrolled();
  }
}

void FlexGrid::placed() {
  if (observer_) observer_->gridPlaced();
}

void FlexGrid::laidOut() {
  if (onLayout_) onLayout_();
}

void FlexGrid::setRedraw(bool redraw) {
  const bool cameBack = redraw && !redraw_;
  redraw_ = redraw;
  if (cameBack && scrolledWhileHidden_) {
    scrolledWhileHidden_ = false;
    scrolled();
  }
  if (cameBack && changedWhileHidden_) {
    changedWhileHidden_ = false;
    contentChanged();
  }
}

// ---- shape ----

int FlexGrid::Rows() const {
  return static_cast<int>(rows_.size());
}
int FlexGrid::Cols() const {
  return cols_;
}

bool FlexGrid::inGrid(int row, int col) const {
  return row >= 0 && row < Rows() && col >= 0 && col < cols_;
}

void FlexGrid::setRows(int rows) {
  if (rows < 1 || rows == Rows()) return;
  const auto size = static_cast<std::size_t>(rows);
  if (size < rows_.size()) {
    rows_.erase(rows_.begin() + rows, rows_.end());
    if (rows_.size() == 1) arenas_.clear();
  } else {
    rows_.reserve(size);
    while (rows_.size() < size) rows_.push_back(GridRow{RowCells(cols_), {}});
  }
  row_ = std::min(row_, rows - 1);
  resetSortOrder();
  clampScroll();
  contentChanged();
  scrolled();
  laidOut();
}

void FlexGrid::setCols(int cols) {
  if (cols < 1 || cols == cols_) return;
  const auto size = static_cast<std::size_t>(cols);
  for (GridRow& gridRow : rows_) {
    gridRow.cells.resize(cols);
    if (gridRow.colours) gridRow.colours->resize(size);
  }
  colWidths_.resize(size, kDefaultColWidthTwips);
  colAlignments_.resize(size, 0);
  cols_ = cols;
  col_ = std::min(col_, cols - 1);
  colSel_ = std::min(colSel_, cols - 1);
  clampScroll();
  contentChanged();
  scrolled();
  laidOut();
}

void FlexGrid::setRow(int row) {
  if (row >= 0 && row < Rows()) row_ = row;
}

void FlexGrid::setCol(int col) {
  if (col < 0 || col >= cols_) return;
  col_ = col;
  colSel_ = col;
}

void FlexGrid::setColSel(int col) {
  if (col >= 0 && col < cols_) colSel_ = col;
}

// ---- text ----

std::string FlexGrid::Text() const {
  return TextMatrix(row_, col_);
}
void FlexGrid::setText(std::string_view text) {
  setTextMatrix(row_, col_, text);
}

std::string FlexGrid::TextMatrix(int row, int col) const {
  return std::string(textAt(row, col));
}

std::string_view FlexGrid::textAt(int row, int col) const {
  if (!inGrid(row, col)) return {};
  return rows_[row].cells.at(col);
}

void FlexGrid::setTextMatrix(int row, int col, std::string_view text) {
  if (!inGrid(row, col)) return;
  rows_[row].cells.set(col, text);
  contentChanged();
}

void FlexGrid::Clear() {
  for (GridRow& gridRow : rows_) {
    gridRow.cells = RowCells(cols_);
    gridRow.colours.reset();
  }
  arenas_.clear();
  contentChanged();
}

std::int64_t FlexGrid::RowData(int row) const {
  return row >= 0 && row < Rows() ? rows_[row].data : 0;
}

void FlexGrid::setRowData(int row, std::int64_t data) {
  if (row >= 0 && row < Rows()) rows_[row].data = data;
}

void FlexGrid::AddItemCells(std::span<const std::string_view> cells) {
  rows_.push_back(GridRow{RowCells(cells, cols_), {}});
  resetSortOrder();
  contentChanged();
  scrolled();
}

RowArena& FlexGrid::newRowArena(std::size_t expectedBytes) {
  arenas_.push_back(std::make_unique<RowArena>(expectedBytes));
  return *arenas_.back();
}

void FlexGrid::AddItemRow(RowCells cells, std::int64_t data) {
  rows_.push_back(GridRow{std::move(cells), {}, data});
  resetSortOrder();
  contentChanged();
  scrolled();
}

void FlexGrid::AddItem(std::string_view rowText) {
  rows_.push_back(GridRow{RowCells(rowText, cols_), {}});
  resetSortOrder();
  contentChanged();
  scrolled();  // more rows can only widen the scroll range, so TopRow stays valid
}

// ---- columns ----

int FlexGrid::ColWidth(int col) const {
  return col >= 0 && col < cols_ ? colWidths_[col] : 0;
}

void FlexGrid::setColWidth(int col, int twips) {
  if (col < 0 || col >= cols_ || twips < 0 || twips == colWidths_[col]) return;
  colWidths_[col] = twips;
  clampScroll();
  contentChanged();
  scrolled();
  laidOut();
}

int FlexGrid::ColAlignment(int col) const {
  return col >= 0 && col < cols_ ? colAlignments_[col] : 0;
}

void FlexGrid::setColAlignment(int col, int alignment) {
  if (col < 0 || col >= cols_ || alignment < 0 || alignment > kMaxAlignment) return;
  colAlignments_[col] = alignment;
  contentChanged();
}

// ---- colours ----

const FlexGrid::CellColours* FlexGrid::coloursAt(int row, int col) const {
  if (!inGrid(row, col) || !rows_[row].colours) return nullptr;
  return &(*rows_[row].colours)[col];
}

FlexGrid::CellColours& FlexGrid::colourCell(int row, int col) {
  std::unique_ptr<std::vector<CellColours>>& colours = rows_[row].colours;
  if (!colours) {
    colours = std::make_unique<std::vector<CellColours>>(static_cast<std::size_t>(cols_));
  }
  return (*colours)[col];
}

Colour FlexGrid::cellBackColorAt(int row, int col) const {
  const CellColours* colours = coloursAt(row, col);
  return colours ? colours->back : kDefaultBackColor;
}

Colour FlexGrid::cellForeColorAt(int row, int col) const {
  const CellColours* colours = coloursAt(row, col);
  return colours ? colours->fore : kDefaultForeColor;
}

Colour FlexGrid::CellBackColor() const {
  return cellBackColorAt(row_, col_);
}
Colour FlexGrid::CellForeColor() const {
  return cellForeColorAt(row_, col_);
}

void FlexGrid::setCellBackColor(Colour colour) {
  colourCell(row_, col_).back = colour;
  contentChanged();
}

void FlexGrid::setCellForeColor(Colour colour) {
  colourCell(row_, col_).fore = colour;
  contentChanged();
}

void FlexGrid::setBackColor(Colour colour) {
  backColor_ = colour;
  contentChanged();
}

}  // namespace quorvane
