#pragma once

#include <windows.h>

#include <functional>
#include <optional>

#include "sheet/flex_grid.h"
#include "ui/win32/win32_stage.h"

namespace quorvane {

// The window's view of a FlexGrid, a window class of its own: paints the visible cells
// straight from the model with GDI, through a bitmap so that nothing flickers, and turns the
// user's clicks, double clicks, wheel, scroll-bar and keyboard moves into grid operations
// followed by the form's click, double-click or scroll handler. It keeps no copy of any
// cell, and paints only the rows on screen, however many the sheet holds.
//
// Its sunken border and scroll bars are the system's; the view tells the model how thick
// they are (setFrameMetrics), so that the model's viewport is the real one. The model
// measures in the form's pixels (1/96 inch); the view maps them onto the device pixels of
// the window's monitor the way the stage places the editors, so that an editor covers its
// cell at any DPI. Scrolling is by whole rows and columns. The grid must outlive the view.
class Win32GridView : public GridObserver, public StageMember {
 public:
  Win32GridView(FlexGrid& grid, Win32Stage& stage);
  ~Win32GridView() override;
  Win32GridView(const Win32GridView&) = delete;
  Win32GridView& operator=(const Win32GridView&) = delete;

  HWND hwnd() const { return hwnd_; }
  void setClickHandler(std::function<void()> handler) { onClick_ = std::move(handler); }
  void setDblClickHandler(std::function<void()> handler) { onDblClick_ = std::move(handler); }
  void setScrollHandler(std::function<void()> handler) { onScroll_ = std::move(handler); }
  // A right click in the sheet (the cell under it made current first, as long as it is a
  // data cell; no click handler) or the Menu key and Shift+F10 on the grid; `at` is where
  // the menu belongs, in screen coordinates.
  void setContextMenuHandler(std::function<void(POINT at)> handler) {
    onContextMenu_ = std::move(handler);
  }
  // Where a menu for the cell opens, in screen coordinates: its bottom left corner, kept
  // inside the sheet when the cell is scrolled out of sight.
  POINT menuPlace(int row, int col) const;

  struct Cell {
    int row, col;
  };
  // The cell under a point of the client area; none beyond the last row or column.
  std::optional<Cell> cellAt(POINT client) const;
  // A cell's rectangle in the client area, where it is painted.
  RECT cellRect(int row, int col) const;

  // GridObserver
  void gridContentChanged() override;
  void gridScrolled() override;
  void gridPlaced() override;

  // StageMember
  HWND memberWindow() const override { return hwnd_; }
  void rescale() override;

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

  // Form pixels from the viewport's top left corner to client pixels of the window.
  int clientX(double x) const;
  int clientY(double y) const;
  double viewportX(int clientX) const;
  double viewportY(int clientY) const;
  double rowPixels() const;
  double colPixels(int col) const;
  int fullDataRows() const;

  void measureFrame();
  void syncScrollBars();
  // Moves the visible part as the user asked and tells the form when it did move.
  void scrollByUser(int topRow, int leftCol);
  void onVerticalScroll(WORD request);
  void onHorizontalScroll(WORD request);
  int trackPosition(int bar) const;
  void onWheel(int delta, bool horizontal);
  void onKey(WPARAM key);
  void makeCurrent(Cell cell);
  // At the mouse (the cell under it made current), or under the current cell for a key.
  void onContextMenu(const POINT* mouse);

  void paint(HDC dc, const RECT& client) const;
  void paintCell(HDC dc, const RECT& rect, int row, int col) const;

  FlexGrid& grid_;
  Win32Stage& stage_;
  HWND hwnd_ = nullptr;
  int frame_ = 2;       // device pixels of the sunken border
  int scrollBar_ = 17;  // device pixels of a scroll bar's thickness
  int wheelDelta_ = 0;
  bool pressed_ = false;
  std::function<void()> onClick_, onDblClick_, onScroll_;
  std::function<void(POINT)> onContextMenu_;
};

}  // namespace quorvane
