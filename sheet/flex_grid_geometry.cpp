#include <algorithm>
#include <cmath>

#include "sheet/flex_grid.h"

// The grid's geometry: its place on the window, the viewport, scrolling and which cells
// show.
namespace quorvane {

namespace {

// Caps absurd sizes so that twip arithmetic stays inside int.
constexpr float kMaxExtentPixels = 100'000;

}  // namespace

// ---- geometry and scrolling ----

void FlexGrid::setFrameMetrics(int borderPixels, int scrollBarPixels) {
  const auto outside = [](int pixels) { return pixels < 0 || pixels > kMaxExtentPixels; };
  if (outside(borderPixels) || outside(scrollBarPixels)) return;
  border_ = borderPixels;
  scrollBar_ = scrollBarPixels;
  clampScroll();
  contentChanged();
  scrolled();
  laidOut();
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

bool FlexGrid::scrollTo(int topRow, int leftCol) {
  const int oldTop = topRow_;
  const int oldLeft = leftCol_;
  setTopRow(topRow);
  setLeftCol(leftCol);
  return topRow_ != oldTop || leftCol_ != oldLeft;
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
  laidOut();
}

void FlexGrid::setTop(float top) {
  if (!std::isfinite(top) || top == top_) return;
  top_ = top;
  placed();
  laidOut();
}

void FlexGrid::setWidth(float width) {
  if (!std::isfinite(width) || width < 0 || width == width_) return;
  width_ = width;
  clampScroll();
  placed();
  scrolled();
  laidOut();
}

void FlexGrid::setHeight(float height) {
  if (!std::isfinite(height) || height < 0 || height == height_) return;
  height_ = height;
  clampScroll();
  placed();
  scrolled();
  laidOut();
}

}  // namespace quorvane
