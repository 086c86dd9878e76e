#include "sheet/flex_grid.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numeric>

namespace quorvane {

namespace {

constexpr int kDefaultColWidthTwips = 960;
constexpr int kMaxAlignment = 9;  // flexAlignGeneral, the last alignment the control knows
// Caps absurd sizes so that twip arithmetic stays inside int.
constexpr float kMaxExtentPixels = 100'000;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads `text` as a number: spaces around it, an optional sign, digits with an optional
// point, an optional exponent. Empty text and anything else is text.
bool readNumber(std::string_view text, double& value) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return false;
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);

  std::size_t i = 0;
  const bool negative = text[0] == '-';
  if (text[0] == '-' || text[0] == '+') ++i;
  const std::size_t unsignedStart = i;

  // Decimal magnitude of the first significant digit, to tell overflow from underflow.
  long magnitude = 0;
  bool significant = false;
  int digits = 0;
  for (; i < text.size() && isDigit(text[i]); ++i, ++digits) {
    if (significant) {
      ++magnitude;
    } else if (text[i] != '0') {
      significant = true;
    }
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && isDigit(text[i]); ++i, ++digits) {
      if (!significant) {
        --magnitude;
        significant = text[i] != '0';
      }
    }
  }
  if (digits == 0) return false;

  long exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    const bool negativeExponent = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    int exponentDigits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++exponentDigits) {
      exponent = std::min(exponent * 10 + (text[i] - '0'), 1'000'000L);
    }
    if (exponentDigits == 0) return false;
    if (negativeExponent) exponent = -exponent;
  }
  if (i != text.size()) return false;

  // from_chars rather than strtod: the decimal point must not follow the user's locale.
  const auto [end, error] =
      std::from_chars(text.data() + unsignedStart, text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) {
    value = magnitude + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (error != std::errc() || end != text.data() + text.size()) {
    return false;
  }
  if (negative) value = -value;
  return true;
}

char foldCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Ignoring the case of A-Z first; texts equal that way fall back to exact byte order,
// which for UTF-8 is code point order.
int compareText(const std::string& a, const std::string& b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(foldCase(a[i]));
    const auto y = static_cast<unsigned char>(foldCase(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b);
}

}  // namespace

FlexGrid::FlexGrid(int twipsPerPixelX, int twipsPerPixelY)
    // A twip is 1/1440 inch, so no real screen lies outside 1 .. 1440 twips per pixel.
    : tppX_(std::clamp(twipsPerPixelX, 1, 1440)), tppY_(std::clamp(twipsPerPixelY, 1, 1440)) {
  rows_.push_back(GridRow{{std::string()}, {}});
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
  } else {
    rows_.reserve(size);
    while (rows_.size() < size) rows_.push_back(GridRow{std::vector<std::string>(cols_), {}});
  }
  row_ = std::min(row_, rows - 1);
  resetSortOrder();
  clampScroll();
  contentChanged();
  scrolled();
}

void FlexGrid::setCols(int cols) {
  if (cols < 1 || cols == cols_) return;
  const auto size = static_cast<std::size_t>(cols);
  for (GridRow& gridRow : rows_) {
    gridRow.cells.resize(size);
    if (!gridRow.colours.empty()) gridRow.colours.resize(size);
  }
  colWidths_.resize(size, kDefaultColWidthTwips);
  colAlignments_.resize(size, 0);
  cols_ = cols;
  col_ = std::min(col_, cols - 1);
  colSel_ = std::min(colSel_, cols - 1);
  clampScroll();
  contentChanged();
  scrolled();
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

std::string FlexGrid::TextMatrix(int row, int col) const { return std::string(textAt(row, col)); }

std::string_view FlexGrid::textAt(int row, int col) const {
  if (!inGrid(row, col)) return {};
  return rows_[row].cells[col];
}

void FlexGrid::setTextMatrix(int row, int col, std::string_view text) {
  if (!inGrid(row, col)) return;
  rows_[row].cells[col].assign(text);
  contentChanged();
}

void FlexGrid::Clear() {
  for (GridRow& gridRow : rows_) {
    // Assigning a fresh string, unlike clear(), gives long texts' memory back.
    for (std::string& cell : gridRow.cells) cell = std::string();
    gridRow.colours = {};
  }
  contentChanged();
}

void FlexGrid::AddItem(std::string_view rowText) {
  GridRow gridRow{std::vector<std::string>(cols_), {}};
  std::size_t start = 0;
  for (std::string& cell : gridRow.cells) {
    const std::size_t tab = rowText.find('\t', start);
    cell.assign(rowText.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  rows_.push_back(std::move(gridRow));
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
}

int FlexGrid::ColAlignment(int col) const {
  return col >= 0 && col < cols_ ? colAlignments_[col] : 0;
}

void FlexGrid::setColAlignment(int col, int alignment) {
  if (col < 0 || col >= cols_ || alignment < 0 || alignment > kMaxAlignment) return;
  colAlignments_[col] = alignment;
  contentChanged();
}

// ---- sort ----

void FlexGrid::resetSortOrder() {
  sortedFrom_.clear();
  sortedTo_.clear();
}

int FlexGrid::rowAfterLastSort(int oldRow) const {
  if (oldRow < 0 || oldRow >= Rows()) return -1;
  return sortedTo_.empty() ? oldRow : sortedTo_[oldRow];
}

int FlexGrid::rowBeforeLastSort(int newRow) const {
  if (newRow < 0 || newRow >= Rows()) return -1;
  return sortedFrom_.empty() ? newRow : sortedFrom_[newRow];
}

void FlexGrid::setSort(int order) {
  if (order != 1) return;  // only the ascending generic sort is used
  const int firstKey = std::min(col_, colSel_);
  const auto keyCount = static_cast<std::size_t>(std::max(col_, colSel_) - firstKey + 1);
  const std::size_t dataRows = rows_.size() - 1;

  // Every cell's number is read once up front; comparisons then only look things up.
  struct Key {
    double number = 0;
    bool isNumber = false;
  };
  std::vector<Key> keys(dataRows * keyCount);
  for (std::size_t r = 0; r < dataRows; ++r) {
    for (std::size_t k = 0; k < keyCount; ++k) {
      Key& key = keys[r * keyCount + k];
      key.isNumber = readNumber(rows_[r + 1].cells[firstKey + k], key.number);
    }
  }

  const auto before = [&](std::size_t a, std::size_t b) {
    for (std::size_t k = 0; k < keyCount; ++k) {
      const Key& x = keys[a * keyCount + k];
      const Key& y = keys[b * keyCount + k];
      if (x.isNumber && y.isNumber) {
        if (x.number != y.number) return x.number < y.number;
      } else if (x.isNumber != y.isNumber) {
        return x.isNumber;
      } else {
        const int textOrder =
            compareText(rows_[a + 1].cells[firstKey + k], rows_[b + 1].cells[firstKey + k]);
        if (textOrder != 0) return textOrder < 0;
      }
    }
    return false;
  };
  std::vector<std::size_t> sequence(dataRows);
  std::iota(sequence.begin(), sequence.end(), std::size_t{0});
  // A folder's listing mostly arrives in order already; one pass then settles it.
  if (!std::is_sorted(sequence.begin(), sequence.end(), before)) {
    std::stable_sort(sequence.begin(), sequence.end(), before);
  }

  std::vector<GridRow> sorted;
  sorted.reserve(rows_.size());
  sorted.push_back(std::move(rows_[0]));
  sortedFrom_.assign(rows_.size(), 0);
  sortedTo_.assign(rows_.size(), 0);
  for (std::size_t i = 0; i < dataRows; ++i) {
    const auto newRow = static_cast<int>(i + 1);
    const auto oldRow = static_cast<int>(sequence[i] + 1);
    sorted.push_back(std::move(rows_[oldRow]));
    sortedFrom_[newRow] = oldRow;
    sortedTo_[oldRow] = newRow;
  }
  rows_ = std::move(sorted);
  contentChanged();
}

// ---- colours ----

const FlexGrid::CellColours* FlexGrid::coloursAt(int row, int col) const {
  if (!inGrid(row, col) || rows_[row].colours.empty()) return nullptr;
  return &rows_[row].colours[col];
}

FlexGrid::CellColours& FlexGrid::colourCell(int row, int col) {
  std::vector<CellColours>& colours = rows_[row].colours;
  if (colours.empty()) colours.resize(static_cast<std::size_t>(cols_));
  return colours[col];
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

// ---- geometry and scrolling ----

void FlexGrid::setFrameMetrics(int borderPixels, int scrollBarPixels) {
  const auto outside = [](int pixels) { return pixels < 0 || pixels > kMaxExtentPixels; };
  if (outside(borderPixels) || outside(scrollBarPixels)) return;
  border_ = borderPixels;
  scrollBar_ = scrollBarPixels;
  clampScroll();
  contentChanged();
  scrolled();
}

int FlexGrid::viewportWidth() const {
  return std::max(0,
                  static_cast<int>(std::min(width_, kMaxExtentPixels)) - 2 * border_ - scrollBar_);
}

int FlexGrid::viewportHeight() const {
  return std::max(0,
                  static_cast<int>(std::min(height_, kMaxExtentPixels)) - 2 * border_ - scrollBar_);
}

int FlexGrid::maxTopRow() const {
  // Data rows that fit wholly below the header; with none, the upper bound applies.
  const int fullRows = std::max(0, viewportHeightTwips() - kRowHeightTwips) / kRowHeightTwips;
  return std::clamp(Rows() - fullRows, 1, std::max(1, Rows() - 1));
}

int FlexGrid::maxLeftCol() const {
  int lastShown = 0;
  for (int c = cols_ - 1; c >= 0; --c) {
    if (colWidths_[c] > 0) {
      lastShown = c;
      break;
    }
  }
  // Widen the tail leftwards while it still fits; a last column wider than the viewport
  // leaves only itself.
  const std::int64_t room = viewportWidthTwips();
  std::int64_t tail = 0;
  int first = cols_ - 1;
  for (int c = cols_ - 1; c >= 0; --c) {
    tail += colWidths_[c];
    if (tail > room) break;
    first = c;
  }
  return std::min(first, lastShown);
}

// Callers announce gridScrolled() themselves: their change moved the range anyway.
void FlexGrid::clampScroll() {
  topRow_ = std::clamp(topRow_, 1, maxTopRow());
  leftCol_ = std::clamp(leftCol_, 0, maxLeftCol());
}

void FlexGrid::setTopRow(int row) {
  const int topRow = std::clamp(row, 1, maxTopRow());
  if (topRow == topRow_) return;
  topRow_ = topRow;
  scrolled();
}

void FlexGrid::setLeftCol(int col) {
  const int leftCol = std::clamp(col, 0, maxLeftCol());
  if (leftCol == leftCol_) return;
  leftCol_ = leftCol;
  scrolled();
}

bool FlexGrid::RowIsVisible(int row) const {
  const int room = viewportHeightTwips();
  if (row == 0) return room > 0;
  if (row < topRow_ || row >= Rows()) return false;
  const std::int64_t bottom = kRowHeightTwips + std::int64_t{row - topRow_ + 1} * kRowHeightTwips;
  return bottom <= room || (row == topRow_ && kRowHeightTwips < room);
}

bool FlexGrid::ColIsVisible(int col) const {
  if (col < leftCol_ || col >= cols_ || colWidths_[col] <= 0) return false;
  const std::int64_t room = viewportWidthTwips();
  if (col == leftCol_) return room > 0;
  std::int64_t right = 0;
  for (int c = leftCol_; c <= col; ++c) right += colWidths_[c];
  return right <= room;
}

int FlexGrid::CellLeft() const {
  std::int64_t offset = 0;
  for (int c = leftCol_; c < col_; ++c) offset += colWidths_[c];
  for (int c = col_; c < leftCol_; ++c) offset -= colWidths_[c];
  return static_cast<int>(border_ * tppX_ + offset);
}

int FlexGrid::CellTop() const {
  const int border = border_ * tppY_;
  if (row_ == 0) return border;
  return border + kRowHeightTwips + (row_ - topRow_) * kRowHeightTwips;
}

int FlexGrid::CellWidth() const {
  return colWidths_[col_];
}
int FlexGrid::CellHeight() const {
  return kRowHeightTwips;
}

// ---- placement ----

void FlexGrid::setLeft(float left) {
  if (!std::isfinite(left) || left == left_) return;
  left_ = left;
  placed();
}

void FlexGrid::setTop(float top) {
  if (!std::isfinite(top) || top == top_) return;
  top_ = top;
  placed();
}

void FlexGrid::setWidth(float width) {
  if (!std::isfinite(width) || width < 0 || width == width_) return;
  width_ = width;
  clampScroll();
  placed();
  scrolled();
}

void FlexGrid::setHeight(float height) {
  if (!std::isfinite(height) || height < 0 || height == height_) return;
  height_ = height;
  clampScroll();
  placed();
  scrolled();
}

}  // namespace quorvane
