#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvane {

// Colours are 24-bit values laid out as &H00BBGGRR: 0xFF0000 is blue, 0xFFFFFF white.
using Colour = std::uint32_t;

// The grid operations the form uses on its sheet. Cells are addressed by row and column
// from 0; row 0 is the one fixed header row, data rows are 1 to Rows() - 1. Positions
// and sizes of cells are in twips, the grid's own placement on the window in pixels.
// Setters that take a row or column outside the grid change nothing.
class SheetGrid {
 public:
  virtual ~SheetGrid() = default;

  virtual int Rows() const = 0;
  virtual void setRows(int rows) = 0;
  virtual int Cols() const = 0;
  virtual void setCols(int cols) = 0;

  // The current cell. Setting it raises no event. ColSel is the far end of the
  // selection across the current row; setting Col also sets ColSel to the same column.
  virtual int Row() const = 0;
  virtual void setRow(int row) = 0;
  virtual int Col() const = 0;
  virtual void setCol(int col) = 0;
  virtual int ColSel() const = 0;
  virtual void setColSel(int col) = 0;

  virtual std::string Text() const = 0;  // the current cell's text
  virtual void setText(std::string_view text) = 0;
  virtual std::string TextMatrix(int row, int col) const = 0;
  virtual void setTextMatrix(int row, int col, std::string_view text) = 0;

  virtual int ColWidth(int col) const = 0;  // twips; 0 hides the column
  virtual void setColWidth(int col, int twips) = 0;
  virtual int ColAlignment(int col) const = 0;  // 0 is left-top
  virtual void setColAlignment(int col, int alignment) = 0;

  // Empties every cell and drops every cell colour; the shape stays.
  virtual void Clear() = 0;
  // Appends one row; `rowText` holds the cells' texts separated by tabs, leftmost first.
  // Missing cells are empty; texts beyond the last column are dropped.
  virtual void AddItem(std::string_view rowText) = 0;
  // Writing 1 sorts the data rows ascending by the columns Col to ColSel (see FlexGrid).
  virtual void setSort(int order) = 0;

  virtual bool Redraw() const = 0;
  virtual void setRedraw(bool redraw) = 0;

  // First data row and first column shown; writing them scrolls.
  virtual int TopRow() const = 0;
  virtual void setTopRow(int row) = 0;
  virtual int LeftCol() const = 0;
  virtual void setLeftCol(int col) = 0;
  virtual bool RowIsVisible(int row) const = 0;
  virtual bool ColIsVisible(int col) const = 0;

  // The current cell's place inside the grid (from the grid's outer top-left corner)
  // and size, in twips.
  virtual int CellLeft() const = 0;
  virtual int CellTop() const = 0;
  virtual int CellWidth() const = 0;
  virtual int CellHeight() const = 0;

  virtual Colour CellBackColor() const = 0;
  virtual void setCellBackColor(Colour colour) = 0;
  virtual Colour CellForeColor() const = 0;
  virtual void setCellForeColor(Colour colour) = 0;
  virtual Colour BackColor() const = 0;
  virtual void setBackColor(Colour colour) = 0;

  // The grid's placement on the window, in pixels.
  virtual float Left() const = 0;
  virtual void setLeft(float left) = 0;
  virtual float Top() const = 0;
  virtual void setTop(float top) = 0;
  virtual float Width() const = 0;
  virtual void setWidth(float width) = 0;
  virtual float Height() const = 0;
  virtual void setHeight(float height) = 0;
};

}  // namespace quorvane
