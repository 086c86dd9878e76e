#include "ui/win32/win32_grid_view.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "ui/win32/win32_dpi.h"

namespace quorvane {
namespace {

constexpr const wchar_t* kClassName = L"QuorvaneGrid";

bool menuKey(WPARAM key) {
  const bool shiftAlone =
      GetKeyState(VK_SHIFT) < 0 && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0;
  return key == VK_APPS || (key == VK_F10 && shiftAlone);
}

}  // namespace

Win32GridView::Win32GridView(FlexGrid& grid, Win32Stage& stage) : grid_(grid), stage_(stage) {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
  }();
  (void)registered;
  // Made large enough that the frame can be measured before the form gives it its place.
  hwnd_ = CreateWindowExW(
      WS_EX_CLIENTEDGE, kClassName, L"",
      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL, 0, 0,
      stage_.toDevice(400), stage_.toDevice(300), stage_.window(), nullptr,
      GetModuleHandleW(nullptr), this);
  // Below every control, so that an editor laid over a cell is seen.
  SetWindowPos(hwnd_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  stage_.add(*this);
  measureFrame();
  grid_.setObserver(this);
  gridPlaced();
  gridScrolled();
}

Win32GridView::~Win32GridView() {
  grid_.setObserver(nullptr);
  stage_.remove(*this);
  if (IsWindow(hwnd_)) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

LRESULT CALLBACK Win32GridView::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<Win32GridView*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32GridView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  return self->handle(message, wParam, lParam);
}

// ---- geometry ----

int Win32GridView::clientX(double x) const {
  const double left = grid_.Left();
  return stage_.toDevice(left + grid_.borderPixels() + x) - stage_.toDevice(left) - frame_;
}

int Win32GridView::clientY(double y) const {
  const double top = grid_.Top();
  return stage_.toDevice(top + grid_.borderPixels() + y) - stage_.toDevice(top) - frame_;
}

double Win32GridView::viewportX(int x) const {
  const double left = grid_.Left();
  return (x + frame_ + stage_.toDevice(left)) / stage_.scale() - left - grid_.borderPixels();
}

double Win32GridView::viewportY(int y) const {
  const double top = grid_.Top();
  return (y + frame_ + stage_.toDevice(top)) / stage_.scale() - top - grid_.borderPixels();
}

double Win32GridView::rowPixels() const {
  return static_cast<double>(FlexGrid::kRowHeightTwips) / grid_.twipsPerPixelY();
}

double Win32GridView::colPixels(int col) const {
  return static_cast<double>(grid_.ColWidth(col)) / grid_.twipsPerPixelX();
}

int Win32GridView::fullDataRows() const {
  const double rows = (grid_.viewportHeight() - rowPixels()) / rowPixels();
  return std::max(0, static_cast<int>(rows));
}

RECT Win32GridView::cellRect(int row, int col) const {
  // Offsets add up in twips, as the model's CellLeft does, and become pixels once.
  long long twips = 0;
  for (int c = grid_.LeftCol(); c < col; ++c) twips += grid_.ColWidth(c);
  for (int c = col; c < grid_.LeftCol(); ++c) twips -= grid_.ColWidth(c);
  const double x = static_cast<double>(twips) / grid_.twipsPerPixelX();
  const double y = row == 0 ? 0 : rowPixels() * (1 + row - grid_.TopRow());
  return RECT{clientX(x), clientY(y), clientX(x + colPixels(col)), clientY(y + rowPixels())};
}

std::optional<Win32GridView::Cell> Win32GridView::cellAt(POINT point) const {
  const double x = viewportX(point.x);
  const double y = viewportY(point.y);
  if (x < 0 || y < 0 || x >= grid_.viewportWidth() || y >= grid_.viewportHeight()) {
    return std::nullopt;
  }
  int row = 0;
  if (y >= rowPixels()) {
    row = grid_.TopRow() + static_cast<int>((y - rowPixels()) / rowPixels());
    if (row >= grid_.Rows()) return std::nullopt;
  }
  long long right = 0;
  for (int c = grid_.LeftCol(); c < grid_.Cols(); ++c) {
    if (grid_.ColWidth(c) <= 0) continue;
    right += grid_.ColWidth(c);
    if (x < static_cast<double>(right) / grid_.twipsPerPixelX()) return Cell{row, c};
  }
  return std::nullopt;
}

void Win32GridView::measureFrame() {
  RECT outer, client;
  GetWindowRect(hwnd_, &outer);
  GetClientRect(hwnd_, &client);
  POINT origin{0, 0};
  ClientToScreen(hwnd_, &origin);
  const int frame = static_cast<int>(origin.x - outer.left);
  const int scrollBar = static_cast<int>(outer.right - outer.left) - client.right - 2 * frame;
  if (client.right > 0 && client.bottom > 0 && frame >= 0 && scrollBar > 0) {
    frame_ = frame;
    scrollBar_ = scrollBar;
  } else {
    // Too small to tell: the system's sizes for this DPI.
    frame_ = systemMetricForDpi(SM_CXEDGE, stage_.dpi());
    scrollBar_ = systemMetricForDpi(SM_CXVSCROLL, stage_.dpi());
  }
  const auto pixels = [this](int device) {
    return static_cast<int>(std::lround(device / stage_.scale()));
  };
  grid_.setFrameMetrics(pixels(frame_), pixels(scrollBar_));
}

// ---- model notifications ----

void Win32GridView::gridContentChanged() {
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void Win32GridView::gridScrolled() {
  syncScrollBars();
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void Win32GridView::gridPlaced() {
  const RECT place = stage_.deviceRect(grid_.Left(), grid_.Top(), grid_.Width(), grid_.Height());
  SetWindowPos(hwnd_, nullptr, place.left, place.top, place.right - place.left,
               place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void Win32GridView::rescale() {
  // The scroll bars take the new DPI's size when the frame is worked out again.
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  measureFrame();
  gridPlaced();
  gridScrolled();
}

void Win32GridView::syncScrollBars() {
  // Always shown, as the model counts them; disabled while there is nothing to scroll.
  SCROLLINFO vertical{};
  vertical.cbSize = sizeof(vertical);
  vertical.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  const int page = std::max(1, fullDataRows());
  vertical.nMin = 1;
  vertical.nMax = grid_.maxTopRow() + page - 1;
  vertical.nPage = static_cast<UINT>(page);
  vertical.nPos = grid_.TopRow();
  SetScrollInfo(hwnd_, SB_VERT, &vertical, TRUE);
  SCROLLINFO horizontal{};
  horizontal.cbSize = sizeof(horizontal);
  horizontal.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  horizontal.nMin = 0;
  horizontal.nMax = grid_.maxLeftCol();
  horizontal.nPage = 1;
  horizontal.nPos = grid_.LeftCol();
  SetScrollInfo(hwnd_, SB_HORZ, &horizontal, TRUE);
}

// ---- user moves ----

void Win32GridView::scrollByUser(int topRow, int leftCol) {
  if (grid_.scrollTo(topRow, leftCol)) {
    if (onScroll_) onScroll_();
  } else {
    // The model kept its place (at an end): the bars go back to it.
    syncScrollBars();
  }
}

// The 32-bit track position of a bar's thumb: the 16 bits of the scroll message would stop
// at 65,535 rows.
int Win32GridView::trackPosition(int bar) const {
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_TRACKPOS;
  GetScrollInfo(hwnd_, bar, &info);
  return info.nTrackPos;
}

void Win32GridView::onVerticalScroll(WORD request) {
  const int top = grid_.TopRow();
  const int page = std::max(1, fullDataRows());
  switch (request) {
    case SB_LINEUP:
      return scrollByUser(top - 1, grid_.LeftCol());
    case SB_LINEDOWN:
      return scrollByUser(top + 1, grid_.LeftCol());
    case SB_PAGEUP:
      return scrollByUser(top - page, grid_.LeftCol());
    case SB_PAGEDOWN:
      return scrollByUser(top + page, grid_.LeftCol());
    case SB_TOP:
      return scrollByUser(1, grid_.LeftCol());
    case SB_BOTTOM:
      return scrollByUser(grid_.maxTopRow(), grid_.LeftCol());
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      return scrollByUser(trackPosition(SB_VERT), grid_.LeftCol());
    default:
      return;
  }
}

void Win32GridView::onHorizontalScroll(WORD request) {
  const int left = grid_.LeftCol();
  switch (request) {
    case SB_LINELEFT:
    case SB_PAGELEFT:
      return scrollByUser(grid_.TopRow(), left - 1);
    case SB_LINERIGHT:
    case SB_PAGERIGHT:
      return scrollByUser(grid_.TopRow(), left + 1);
    case SB_LEFT:
      return scrollByUser(grid_.TopRow(), 0);
    case SB_RIGHT:
      return scrollByUser(grid_.TopRow(), grid_.maxLeftCol());
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      return scrollByUser(grid_.TopRow(), trackPosition(SB_HORZ));
    default:
      return;
  }
}

void Win32GridView::onWheel(int delta, bool horizontal) {
  // Notches add up, so that a fine-grained wheel scrolls once a whole notch has turned.
  wheelDelta_ += delta;
  const int notches = wheelDelta_ / WHEEL_DELTA;
  wheelDelta_ %= WHEEL_DELTA;
  if (notches == 0) return;
  if (horizontal) {
    scrollByUser(grid_.TopRow(), grid_.LeftCol() + notches);
    return;
  }
  UINT lines = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  const int rows = lines == WHEEL_PAGESCROLL ? std::max(1, fullDataRows())
                                             : static_cast<int>(std::min(lines, 1000u));
  scrollByUser(grid_.TopRow() - notches * rows, grid_.LeftCol());
}

void Win32GridView::onKey(WPARAM key) {
  // Keys scroll the view; they never move the current cell, which an open editor lies over.
  const int top = grid_.TopRow();
  const int left = grid_.LeftCol();
  const int page = std::max(1, fullDataRows());
  switch (key) {
    case VK_UP:
      return scrollByUser(top - 1, left);
    case VK_DOWN:
      return scrollByUser(top + 1, left);
    case VK_PRIOR:
      return scrollByUser(top - page, left);
    case VK_NEXT:
      return scrollByUser(top + page, left);
    case VK_HOME:
      return scrollByUser(1, left);
    case VK_END:
      return scrollByUser(grid_.maxTopRow(), left);
    case VK_LEFT:
      return scrollByUser(top, left - 1);
    case VK_RIGHT:
      return scrollByUser(top, left + 1);
    default:
      return;
  }
}

void Win32GridView::makeCurrent(Cell cell) {
  grid_.setRow(cell.row);
  grid_.setCol(cell.col);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

POINT Win32GridView::menuPlace(int row, int col) const {
  const RECT cell = cellRect(row, col);
  RECT client;
  GetClientRect(hwnd_, &client);
  POINT at{std::clamp(cell.left, client.left, std::max(client.left, client.right - 1)),
           std::clamp(cell.bottom, client.top, std::max(client.top, client.bottom - 1))};
  ClientToScreen(hwnd_, &at);
  return at;
}

void Win32GridView::onContextMenu(const POINT* mouse) {
  if (!onContextMenu_) return;
  if (!mouse) {
    onContextMenu_(menuPlace(grid_.Row(), grid_.Col()));
    return;
  }
  POINT client = *mouse;
  ScreenToClient(hwnd_, &client);
  const std::optional<Cell> cell = cellAt(client);
  if (cell && cell->row >= 1) makeCurrent(*cell);
  onContextMenu_(*mouse);
}

LRESULT Win32GridView::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = BeginPaint(hwnd_, &ps);
      RECT client;
      GetClientRect(hwnd_, &client);
      // Drawn whole into a bitmap first, then shown at once: no flicker.
      const HDC buffer = CreateCompatibleDC(dc);
      const HBITMAP bitmap =
          CreateCompatibleBitmap(dc, std::max(1L, client.right), std::max(1L, client.bottom));
      const HGDIOBJ oldBitmap = SelectObject(buffer, bitmap);
      paint(buffer, client);
      BitBlt(dc, 0, 0, client.right, client.bottom, buffer, 0, 0, SRCCOPY);
      SelectObject(buffer, oldBitmap);
      DeleteObject(bitmap);
      DeleteDC(buffer);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the paint covers everything
    case WM_VSCROLL:
      onVerticalScroll(LOWORD(wParam));
      return 0;
    case WM_HSCROLL:
      onHorizontalScroll(LOWORD(wParam));
      return 0;
    case WM_MOUSEWHEEL:
      onWheel(GET_WHEEL_DELTA_WPARAM(wParam), false);
      return 0;
    case WM_MOUSEHWHEEL:
      onWheel(GET_WHEEL_DELTA_WPARAM(wParam), true);
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // The Menu key and Shift+F10, taken here before the system's default makes a menu
      // message of them.
      if (menuKey(wParam)) {
        onContextMenu(nullptr);
        return 0;
      }
      if (message == WM_SYSKEYDOWN) break;
      onKey(wParam);
      return 0;
    case WM_CONTEXTMENU: {
      // The keys above have opened the menu: a menu message made of them (where the system
      // makes one of the Menu key) would open a second one.
      const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (at.x == -1 && at.y == -1) return 0;
      // The scroll bars keep their own menu.
      POINT client = at;
      ScreenToClient(hwnd_, &client);
      RECT area;
      GetClientRect(hwnd_, &area);
      if (!PtInRect(&area, client)) break;
      onContextMenu(&at);
      return 0;
    }
    case WM_LBUTTONDOWN: {
      // The click leaves the focus where it is: with the editor that the click opens, or
      // that waits, hidden, for the next key.
      const std::optional<Cell> cell = cellAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      pressed_ = cell.has_value();
      if (cell) {
        makeCurrent(*cell);
        SetCapture(hwnd_);
      }
      return 0;
    }
    case WM_LBUTTONUP:
      if (std::exchange(pressed_, false)) {
        ReleaseCapture();
        if (onClick_) onClick_();
      }
      return 0;
    case WM_LBUTTONDBLCLK: {
      // The second press of a double click: the click came with the first release.
      pressed_ = false;
      const std::optional<Cell> cell = cellAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      if (!cell) return 0;
      makeCurrent(*cell);
      if (onDblClick_) onDblClick_();
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != hwnd_) pressed_ = false;
      return 0;
    case WM_SETFOCUS:
      stage_.noteFocus(hwnd_);
      InvalidateRect(hwnd_, nullptr, FALSE);
      return 0;
    case WM_KILLFOCUS:
      InvalidateRect(hwnd_, nullptr, FALSE);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace quorvane
