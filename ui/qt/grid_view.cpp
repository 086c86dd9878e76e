#include "ui/qt/grid_view.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <utility>

#include "ui/qt/qt_control.h"
#include "ui/qt/qt_look.h"

namespace quorvane {
namespace {

// Colours of the grid's own parts, as the classic flex grid draws them.
const QColor kEmptyArea(128, 128, 128);
const QColor kHeaderFace(240, 240, 240);
const QColor kHeaderLines(128, 128, 128);
const QColor kCellLines(192, 192, 192);
constexpr int kTextInsetX = 2;
constexpr int kTextInsetY = 3;

// &H00BBGGRR, as the model keeps colours.
QColor toQColor(Colour colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

// A scroll bar exactly `extent` pixels thick, whatever the style would make it, so that
// the viewport left beside it is the one the model computes.
class FixedScrollBar : public QScrollBar {
 public:
  FixedScrollBar(Qt::Orientation orientation, int extent)
      : QScrollBar(orientation), extent_(extent) {}
  QSize sizeHint() const override {
    QSize size = QScrollBar::sizeHint();
    if (orientation() == Qt::Vertical) {
      size.setWidth(extent_);
    } else {
      size.setHeight(extent_);
    }
    return size;
  }

 private:
  int extent_;
};

}  // namespace

GridView::GridView(FlexGrid& grid, QWidget& parent) : QAbstractScrollArea(&parent), grid_(grid) {
  const int border = grid_.borderPixels();
  // WinPanel is the classic two-pixel sunken border; Panel takes any other width.
  setFrameStyle((border == 2 ? QFrame::WinPanel : QFrame::Panel) | QFrame::Sunken);
  if (border != 2) setLineWidth(border);
  setVerticalScrollBar(new FixedScrollBar(Qt::Vertical, grid_.scrollBarPixels()));
  setHorizontalScrollBar(new FixedScrollBar(Qt::Horizontal, grid_.scrollBarPixels()));
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  verticalScrollBar()->setSingleStep(1);
  horizontalScrollBar()->setSingleStep(1);
  horizontalScrollBar()->setPageStep(1);
  // Reached by Tab; a click leaves the focus with the editor that the click opens or that
  // waits, hidden, for the next key.
  setFocusPolicy(Qt::TabFocus);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  setFont(sheetFont());
  grid_.setObserver(this);
  gridPlaced();
  gridScrolled();
}

GridView::~GridView() {
  grid_.setObserver(nullptr);
}

// ---- geometry ----

int GridView::rowHeight() const {
  return std::max(1, FlexGrid::kRowHeightTwips / grid_.twipsPerPixelY());
}

int GridView::colPixels(int col) const {
  return grid_.ColWidth(col) / grid_.twipsPerPixelX();
}

int GridView::fullDataRows() const {
  return std::max(0, (grid_.viewportHeight() - rowHeight()) / rowHeight());
}

QRect GridView::cellRect(int row, int col) const {
  // Offsets add up in twips, as the model's CellLeft does, and become pixels once.
  long long twips = 0;
  for (int c = grid_.LeftCol(); c < col; ++c) twips += grid_.ColWidth(c);
  for (int c = col; c < grid_.LeftCol(); ++c) twips -= grid_.ColWidth(c);
  const int x = static_cast<int>(twips / grid_.twipsPerPixelX());
  const int y = row == 0 ? 0 : rowHeight() * (1 + row - grid_.TopRow());
  return QRect(x, y, colPixels(col), rowHeight());
}

std::optional<GridView::Cell> GridView::cellAt(QPoint point) const {
  if (point.x() < 0 || point.y() < 0 || point.x() >= grid_.viewportWidth() ||
      point.y() >= grid_.viewportHeight()) {
    return std::nullopt;
  }
  int row = 0;
  if (point.y() >= rowHeight()) {
    row = grid_.TopRow() + (point.y() - rowHeight()) / rowHeight();
    if (row >= grid_.Rows()) return std::nullopt;
  }
  long long right = 0;
  for (int c = grid_.LeftCol(); c < grid_.Cols(); ++c) {
    if (grid_.ColWidth(c) <= 0) continue;
    right += grid_.ColWidth(c);
    if (point.x() < right / grid_.twipsPerPixelX()) return Cell{row, c};
  }
  return std::nullopt;
}

// ---- model notifications ----

void GridView::gridContentChanged() {
  viewport()->update();
}

void GridView::gridScrolled() {
  syncScrollBars();
  viewport()->update();
}

void GridView::gridPlaced() {
  setGeometry(toPixels(grid_.Left()), toPixels(grid_.Top()), toPixels(grid_.Width()),
              toPixels(grid_.Height()));
}

void GridView::syncScrollBars() {
  // Setting ranges and values here reports back through scrollContentsBy; the model
  // moved itself, so that is no move by the user.
  const bool wasSyncing = std::exchange(syncing_, true);
  QScrollBar* vertical = verticalScrollBar();
  vertical->setRange(1, grid_.maxTopRow());
  vertical->setPageStep(std::max(1, fullDataRows()));
  vertical->setValue(grid_.TopRow());
  QScrollBar* horizontal = horizontalScrollBar();
  horizontal->setRange(0, grid_.maxLeftCol());
  horizontal->setValue(grid_.LeftCol());
  syncing_ = wasSyncing;
}

// ---- user moves ----

void GridView::scrollContentsBy(int, int) {
  if (syncing_) return;
  scrollByUser(verticalScrollBar()->value(), horizontalScrollBar()->value());
}

void GridView::scrollByUser(int topRow, int leftCol) {
  if (grid_.scrollTo(topRow, leftCol)) {
    if (onScroll_) onScroll_();
  } else {
    // The model kept its place (at an end): the bars go back to it.
    syncScrollBars();
  }
}

void GridView::keyPressEvent(QKeyEvent* event) {
  // Keys scroll the view; they never move the current cell, which an open editor lies over.
  switch (event->key()) {
    case Qt::Key_Home:
      scrollByUser(1, grid_.LeftCol());
      return;
    case Qt::Key_End:
      scrollByUser(grid_.maxTopRow(), grid_.LeftCol());
      return;
    default:
      // Arrows and Page Up/Down move the scroll bars, which report through scrollContentsBy.
      QAbstractScrollArea::keyPressEvent(event);
  }
}

void GridView::makeCurrent(Cell cell) {
  grid_.setRow(cell.row);
  grid_.setCol(cell.col);
  viewport()->update();
}

void GridView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  const std::optional<Cell> cell = cellAt(event->position().toPoint());
  pressed_ = cell.has_value();
  if (cell) makeCurrent(*cell);
}

void GridView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !std::exchange(pressed_, false)) {
    QAbstractScrollArea::mouseReleaseEvent(event);
    return;
  }
  if (onClick_) onClick_();
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click: the Click came with the first release.
  pressed_ = false;
  if (event->button() != Qt::LeftButton) return;
  const std::optional<Cell> cell = cellAt(event->position().toPoint());
  if (!cell) return;
  makeCurrent(*cell);
  if (onDblClick_) onDblClick_();
}

void GridView::contextMenuEvent(QContextMenuEvent* event) {
  if (!onContextMenu_) return;
  if (event->reason() == QContextMenuEvent::Mouse) {
    const std::optional<Cell> cell = cellAt(event->pos());
    if (cell && cell->row >= 1) makeCurrent(*cell);
    onContextMenu_(event->globalPos());
    return;
  }
  const QRect current = cellRect(grid_.Row(), grid_.Col());
  onContextMenu_(viewport()->mapToGlobal(current.bottomLeft()));
}

void GridView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void GridView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

// ---- painting ----

void GridView::paintCell(QPainter& painter, const QRect& rect, int row, int col) const {
  const bool header = row == 0;
  painter.fillRect(rect, header ? kHeaderFace : toQColor(grid_.cellBackColorAt(row, col)));
  painter.setPen(header ? kHeaderLines : kCellLines);
  painter.drawLine(rect.topRight(), rect.bottomRight());
  painter.drawLine(rect.bottomLeft(), rect.bottomRight());
  const std::string_view text = grid_.textAt(row, col);
  if (text.empty()) return;
  painter.setPen(header ? palette().color(QPalette::ButtonText)
                        : toQColor(grid_.cellForeColorAt(row, col)));
  // drawText clips to the rectangle it is given.
  const QRect textRect = rect.adjusted(kTextInsetX, kTextInsetY, -1, -1);
  painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                   QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void GridView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), kEmptyArea);
  const int width = grid_.viewportWidth();
  const int height = grid_.viewportHeight();
  painter.setClipRect(0, 0, width, height);

  // The visible columns, left to right; zero-width ones are skipped.
  struct Column {
    int col, x, width;
  };
  std::vector<Column> columns;
  long long twips = 0;
  for (int c = grid_.LeftCol(); c < grid_.Cols(); ++c) {
    const int x = static_cast<int>(twips / grid_.twipsPerPixelX());
    if (x >= width) break;
    twips += grid_.ColWidth(c);
    if (grid_.ColWidth(c) > 0) columns.push_back({c, x, colPixels(c)});
  }

  const int rowPixels = rowHeight();
  const auto paintRow = [&](int row, int y) {
    for (const Column& column : columns) {
      paintCell(painter, QRect(column.x, y, column.width, rowPixels), row, column.col);
    }
  };
  paintRow(0, 0);
  for (int row = grid_.TopRow(), y = rowPixels; row < grid_.Rows() && y < height;
       ++row, y += rowPixels) {
    paintRow(row, y);
  }

  if (hasFocus() && grid_.Row() > 0 && grid_.RowIsVisible(grid_.Row()) &&
      grid_.ColIsVisible(grid_.Col())) {
    QPen pen(Qt::black, 1, Qt::DotLine);
    painter.setPen(pen);
    painter.drawRect(cellRect(grid_.Row(), grid_.Col()).adjusted(1, 1, -2, -2));
  }
  if (grid_.Rows() > 1 && onFirstRowsPainted_) std::exchange(onFirstRowsPainted_, nullptr)();
}

}  // namespace quorvane
