#pragma once

#include <QAbstractScrollArea>
#include <functional>
#include <optional>

#include "sheet/flex_grid.h"

namespace quorvane {

// The window's view of a FlexGrid: paints the visible cells straight from the model and
// turns the user's clicks, double clicks, wheel, scroll-bar and keyboard moves into grid
// operations followed by the form's click, double-click or scroll handler. It keeps no
// copy of any cell. Its frame and scroll bars are exactly as thick as the model's
// borderPixels() and scrollBarPixels(), so the model's viewport is the real one.
// Scrolling is by whole rows and columns. The grid must outlive the view.
class GridView : public QAbstractScrollArea, public GridObserver {
 public:
  GridView(FlexGrid& grid, QWidget& parent);
  ~GridView() override;

  void setClickHandler(std::function<void()> handler) { onClick_ = std::move(handler); }
  void setDblClickHandler(std::function<void()> handler) { onDblClick_ = std::move(handler); }
  void setScrollHandler(std::function<void()> handler) { onScroll_ = std::move(handler); }
  // A right click (the cell under it made current first, as long as it is a data cell) or
  // the Menu key on the grid; `at` is where the menu belongs, on the screen.
  void setContextMenuHandler(std::function<void(QPoint at)> handler) {
    onContextMenu_ = std::move(handler);
  }
  // Runs once, after the first paint that shows data rows.
  void setFirstRowsPaintedHandler(std::function<void()> handler) {
    onFirstRowsPainted_ = std::move(handler);
  }

  struct Cell {
    int row, col;
  };
  // The cell under a point of the viewport; none beyond the last row or column.
  std::optional<Cell> cellAt(QPoint viewportPoint) const;
  // Where a cell lies in the viewport, in pixels (it may lie outside it).
  QRect cellRect(int row, int col) const;

  // GridObserver
  void gridContentChanged() override;
  void gridScrolled() override;
  void gridPlaced() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  int rowHeight() const;
  int colPixels(int col) const;
  int fullDataRows() const;
  void syncScrollBars();
  // Moves the visible part as the user asked and tells the form when it did move.
  void scrollByUser(int topRow, int leftCol);
  void makeCurrent(Cell cell);
  void paintCell(QPainter& painter, const QRect& rect, int row, int col) const;

  FlexGrid& grid_;
  std::function<void()> onClick_, onDblClick_, onScroll_, onFirstRowsPainted_;
  std::function<void(QPoint)> onContextMenu_;
  bool syncing_ = false;
  bool pressed_ = false;
};

}  // namespace quorvane
