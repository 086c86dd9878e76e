#include <algorithm>
#include <string>
#include <vector>

#include "os/win32/wtf8.h"
#include "ui/win32/win32_grid_view.h"

// Painting the grid: the header row, the visible data rows and columns, the current cell's
// focus rectangle when the grid has the focus.
namespace quorvane {
namespace {

// Colours of the grid's own parts, as the classic flex grid draws them.
constexpr COLORREF kEmptyArea = RGB(128, 128, 128);
constexpr COLORREF kHeaderFace = RGB(240, 240, 240);
constexpr COLORREF kHeaderLines = RGB(128, 128, 128);
constexpr COLORREF kCellLines = RGB(192, 192, 192);
constexpr double kTextInsetX = 2;  // form pixels
constexpr double kTextInsetY = 3;

// The model keeps colours as &H00BBGGRR, as COLORREF does.
COLORREF toColorRef(Colour colour) {
  return static_cast<COLORREF>(colour & 0xFFFFFF);
}

}  // namespace

void Win32GridView::paintCell(HDC dc, const RECT& rect, int row, int col) const {
  const bool header = row == 0;
  SetDCBrushColor(dc, header ? kHeaderFace : toColorRef(grid_.cellBackColorAt(row, col)));
  FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  SetDCPenColor(dc, header ? kHeaderLines : kCellLines);
  MoveToEx(dc, rect.right - 1, rect.top, nullptr);
  LineTo(dc, rect.right - 1, rect.bottom - 1);
  LineTo(dc, rect.left - 1, rect.bottom - 1);
  const std::string_view text = grid_.textAt(row, col);
  if (text.empty()) return;
  SetTextColor(dc,
               header ? GetSysColor(COLOR_BTNTEXT) : toColorRef(grid_.cellForeColorAt(row, col)));
  const std::wstring wide = wideFromText(text);
  // The inset is in form pixels, from the cell's own edge.
  RECT area = rect;
  area.left += stage_.toDevice(kTextInsetX);
  area.top += stage_.toDevice(kTextInsetY);
  area.right -= 1;
  area.bottom -= 1;
  DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &area,
            DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

void Win32GridView::paint(HDC dc, const RECT& client) const {
  SetDCBrushColor(dc, kEmptyArea);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  const double width = grid_.viewportWidth();
  const double height = grid_.viewportHeight();
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, 0, 0, std::min<int>(client.right, clientX(width)),
                    std::min<int>(client.bottom, clientY(height)));
  SelectObject(dc, stage_.font());
  SelectObject(dc, GetStockObject(DC_PEN));
  SetBkMode(dc, TRANSPARENT);

  // The visible columns, left to right; zero-width ones are skipped.
  struct Column {
    int col;
    double x, width;
  };
  std::vector<Column> columns;
  long long twips = 0;
  for (int c = grid_.LeftCol(); c < grid_.Cols(); ++c) {
    const double x = static_cast<double>(twips) / grid_.twipsPerPixelX();
    if (x >= width) break;
    twips += grid_.ColWidth(c);
    if (grid_.ColWidth(c) > 0) columns.push_back({c, x, colPixels(c)});
  }
  const double rowHeight = rowPixels();
  const auto paintRow = [&](int row, double y) {
    for (const Column& column : columns) {
      const RECT rect{clientX(column.x), clientY(y), clientX(column.x + column.width),
                      clientY(y + rowHeight)};
      paintCell(dc, rect, row, column.col);
    }
  };
  paintRow(0, 0);
  double y = rowHeight;
  for (int row = grid_.TopRow(); row < grid_.Rows() && y < height; ++row, y += rowHeight) {
    paintRow(row, y);
  }

  if (GetFocus() == hwnd_ && grid_.Row() > 0 && grid_.RowIsVisible(grid_.Row()) &&
      grid_.ColIsVisible(grid_.Col())) {
    RECT focus = cellRect(grid_.Row(), grid_.Col());
    InflateRect(&focus, -1, -1);
    SetTextColor(dc, RGB(0, 0, 0));
    DrawFocusRect(dc, &focus);
  }
  RestoreDC(dc, saved);
}

}  // namespace quorvane
