#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "sheet/row_arena.h"
#include "sheet/row_cells.h"
#include "sheet/sheet_grid.h"

namespace quorvane {

// Told when the grid wants painting or has scrolled; the window's grid view listens.
class GridObserver {
 public:
  virtual ~GridObserver() = default;
  // Cells, colours, shape or widths changed while Redraw is on, or Redraw came back on
  // after changes.
  virtual void gridContentChanged() = 0;
  // TopRow or LeftCol changed, or the size of the grid or its content did, so the
  // scroll range may have. Held back like gridContentChanged while Redraw is off.
  virtual void gridScrolled() = 0;
  // Left, Top, Width or Height changed.
  virtual void gridPlaced() = 0;
};

// The one implementation of SheetGrid: a Qt-free model that owns every cell, colour,
// the current cell, the selection, the scroll position and the geometry. The window's
// grid view paints from it and never keeps a copy of a cell.
//
// Geometry: rows are kRowHeightTwips high, the header row included. The grid's area is
// Width x Height pixels; inside a border of borderPixels() on every side, with a vertical
// scroll bar on the right and a horizontal one at the bottom, each scrollBarPixels()
// thick and always present, lies the viewport where cells are drawn. The header row is
// fixed at the viewport's top; data rows from TopRow and columns from LeftCol follow.
//
// Visible: a row or column is visible when it lies wholly inside the viewport. So that
// every cell can still be reached in a grid too small for it, the row at TopRow and the
// column at LeftCol count as visible as long as any part of them shows. Zero-width
// columns are never visible. The header row is visible whenever the viewport has height.
//
// Scrolling: TopRow stays within 1 .. maxTopRow() and LeftCol within 0 .. maxLeftCol(),
// the positions at which the last row or the last non-empty column comes fully into
// view; a write beyond them stops at them. Changing the size or the shape re-applies it.
//
// Sort (setSort(1)): a stable ascending sort of the data rows over the columns Col to
// ColSel (either order). Two cells that both read as numbers compare by value; a number
// sorts before text; texts compare ignoring the case of A-Z, then by exact code points.
// Whole rows move, with all their cells and colours; the header row never moves.
class FlexGrid : public SheetGrid {
 public:
  static constexpr int kRowHeightTwips = 300;
  static constexpr Colour kDefaultBackColor = 0xFFFFFF;
  static constexpr Colour kDefaultForeColor = 0x000000;

  explicit FlexGrid(int twipsPerPixelX = 15, int twipsPerPixelY = 15);

  void setObserver(GridObserver* observer) { observer_ = observer; }
  // Told after the grid's place, size, frame, shape or column widths changed: its cells may
  // lie elsewhere on the window now (TopRow and LeftCol kept in range with them) although
  // nobody scrolled. The form keeps its editor over its cell. Not told when setTopRow,
  // setLeftCol or scrollTo scroll: their callers see to what they show.
  void setLayoutHandler(std::function<void()> handler) { onLayout_ = std::move(handler); }
  void setFrameMetrics(int borderPixels, int scrollBarPixels);
  int borderPixels() const { return border_; }
  int scrollBarPixels() const { return scrollBar_; }
  int twipsPerPixelX() const { return tppX_; }
  int twipsPerPixelY() const { return tppY_; }

  // Viewport size in pixels (never negative).
  int viewportWidth() const;
  int viewportHeight() const;
  int maxTopRow() const;
  int maxLeftCol() const;
  // Moves the view towards (topRow, leftCol), as far as the sheet allows, as a scroll bar
  // or key of the user does; false when it stays where it was (at an end).
  bool scrollTo(int topRow, int leftCol);

  // Where each data row stood before the last sort: rowBeforeLastSort(newRow) is its old
  // index, rowAfterLastSort(oldRow) its new one. Both are the identity for the header
  // row and before any sort; any change of Rows resets them to the identity.
  int rowAfterLastSort(int oldRow) const;
  int rowBeforeLastSort(int newRow) const;

  // A number kept with each row, moving with it when the rows are sorted (the flex grid's
  // RowData); 0 for a new row and outside the grid.
  std::int64_t RowData(int row) const;
  void setRowData(int row, std::int64_t data);
  // Appends one row from its cells' texts, leftmost first, as AddItem does from the same
  // texts joined by tabs, except that a cell may hold a tab.
  void AddItemCells(std::span<const std::string_view> cells);
  // Appends a row whose cells were put together elsewhere (a loader's thread), with its
  // row data; `cells` must have Cols cells.
  void AddItemRow(RowCells cells, std::int64_t data);
  // Memory for rows that a loader is about to add (RowCells built in it), kept while the
  // grid has data rows; all of it goes when the grid's data rows are removed or cleared.
  RowArena& newRowArena(std::size_t expectedBytes);
  // Room for `rows` rows in all, so that a loader's rows join without moving the others.
  void reserveRows(int rows) { rows_.reserve(static_cast<std::size_t>(std::max(rows, 1))); }

  // Any cell's text without a copy, for painting and printing; empty outside the grid.
  // Valid until the grid next changes.
  std::string_view textAt(int row, int col) const;
  // The cells of data or header row `row` (0 to Rows - 1), for printing a whole row.
  const RowCells& rowCells(int row) const { return rows_[static_cast<std::size_t>(row)].cells; }

  // Colours of any cell, for painting.
  Colour cellBackColorAt(int row, int col) const;
  Colour cellForeColorAt(int row, int col) const;

  // SheetGrid
  int Rows() const override;
  void setRows(int rows) override;
  int Cols() const override;
  void setCols(int cols) override;
  int Row() const override { return row_; }
  void setRow(int row) override;
  int Col() const override { return col_; }
  void setCol(int col) override;
  int ColSel() const override { return colSel_; }
  void setColSel(int col) override;
  std::string Text() const override;
  void setText(std::string_view text) override;
  std::string TextMatrix(int row, int col) const override;
  void setTextMatrix(int row, int col, std::string_view text) override;
  int ColWidth(int col) const override;
  void setColWidth(int col, int twips) override;
  int ColAlignment(int col) const override;
  void setColAlignment(int col, int alignment) override;
  void Clear() override;
  void AddItem(std::string_view rowText) override;
  void setSort(int order) override;
  bool Redraw() const override { return redraw_; }
  void setRedraw(bool redraw) override;
  int TopRow() const override { return topRow_; }
  void setTopRow(int row) override;
  int LeftCol() const override { return leftCol_; }
  void setLeftCol(int col) override;
  bool RowIsVisible(int row) const override;
  bool ColIsVisible(int col) const override;
  int CellLeft() const override;
  int CellTop() const override;
  int CellWidth() const override;
  int CellHeight() const override;
  Colour CellBackColor() const override;
  void setCellBackColor(Colour colour) override;
  Colour CellForeColor() const override;
  void setCellForeColor(Colour colour) override;
  Colour BackColor() const override { return backColor_; }
  void setBackColor(Colour colour) override;
  float Left() const override { return left_; }
  void setLeft(float left) override;
  float Top() const override { return top_; }
  void setTop(float top) override;
  float Width() const override { return width_; }
  void setWidth(float width) override;
  float Height() const override { return height_; }
  void setHeight(float height) override;

 private:
  struct CellColours {
    Colour back = kDefaultBackColor;
    Colour fore = kDefaultForeColor;
  };
  // Colours stay absent until a cell of the row is coloured, so a large uncoloured sheet
  // costs one null pointer per row.
  struct GridRow {
    RowCells cells;
    std::unique_ptr<std::vector<CellColours>> colours;
    std::int64_t data = 0;
  };

  bool inGrid(int row, int col) const;
  const CellColours* coloursAt(int row, int col) const;
  CellColours& colourCell(int row, int col);
  int viewportWidthTwips() const { return viewportWidth() * tppX_; }
  int viewportHeightTwips() const { return viewportHeight() * tppY_; }
  void clampScroll();
  void resetSortOrder();
  void contentChanged();
  void scrolled();
  void placed();
  void laidOut();

  // Before the rows, so that it outlives those whose texts it holds.
  std::vector<std::unique_ptr<RowArena>> arenas_;
  std::vector<GridRow> rows_;
  int cols_ = 1;
  std::vector<int> colWidths_;
  std::vector<int> colAlignments_;
  // The last sort's permutation; empty means the identity.
  std::vector<int> sortedFrom_, sortedTo_;
  bool changedWhileHidden_ = false;
  bool scrolledWhileHidden_ = false;

  GridObserver* observer_ = nullptr;
  std::function<void()> onLayout_;
  int tppX_, tppY_;
  int border_ = 2;
  int scrollBar_ = 17;
  int row_ = 0, col_ = 0, colSel_ = 0;
  int topRow_ = 1, leftCol_ = 0;
  bool redraw_ = true;
  Colour backColor_ = kDefaultBackColor;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

}  // namespace quorvane
