#include "ui/win32/win32_status_bar.h"

#include <commctrl.h>

#include <algorithm>

#include "os/win32/wtf8.h"

namespace quorvane {
namespace {

constexpr int kPanelIndent = 2;  // text from the panel's inner left edge, form pixels

bool isPanel(int panel) {
  return panel == 1 || panel == 2;
}

}  // namespace

Win32StatusBar::Win32StatusBar(Win32Stage& stage)
    : Win32Control(stage, createChild(stage, STATUSCLASSNAMEW,
                                      CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER)) {
  layoutPanels();
}

RECT Win32StatusBar::placeInWindow() const {
  RECT rect;
  GetWindowRect(hwnd(), &rect);
  MapWindowPoints(nullptr, stage().window(), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

float Win32StatusBar::Left() const {
  return static_cast<float>(placeInWindow().left / stage().scale());
}
float Win32StatusBar::Top() const {
  return static_cast<float>(placeInWindow().top / stage().scale());
}
float Win32StatusBar::Width() const {
  const RECT rect = placeInWindow();
  return static_cast<float>((rect.right - rect.left) / stage().scale());
}

void Win32StatusBar::place() {
  if (parked()) return;
  RECT client;
  GetClientRect(stage().window(), &client);
  const int height = std::max(0, stage().toDevice(Height()));
  SetWindowPos(hwnd(), nullptr, 0, client.bottom - height, client.right, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  layoutPanels();
}

void Win32StatusBar::layoutPanels() {
  RECT client;
  GetClientRect(hwnd(), &client);
  const int width = client.right;
  int panel2Width = 0;
  if (!text_[1].empty()) {
    const std::wstring text = wideFromText(text_[1]);
    const HDC dc = GetDC(hwnd());
    const HGDIOBJ old = SelectObject(dc, stage().font());
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(hwnd(), dc);
    // Wide enough for the whole text with the indent on both sides; the control's own
    // edges and gaps are found by asking it where the panel's inside lies.
    const int wanted = static_cast<int>(extent.cx) + 2 * stage().toDevice(kPanelIndent + 1);
    panel2Width = std::min(width, wanted);
    int edges[2] = {width - panel2Width, -1};
    SendMessageW(hwnd(), SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges));
    RECT inside{};
    SendMessageW(hwnd(), SB_GETRECT, 1, reinterpret_cast<LPARAM>(&inside));
    panel2Width = std::min(
        width, panel2Width + std::max(0, wanted - static_cast<int>(inside.right - inside.left)));
  }
  if (panel2Width > 0) {
    int edges[2] = {width - panel2Width, -1};
    SendMessageW(hwnd(), SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges));
  } else {
    int edges[1] = {-1};
    SendMessageW(hwnd(), SB_SETPARTS, 1, reinterpret_cast<LPARAM>(edges));
  }
  const int panels = panel2Width > 0 ? 2 : 1;
  for (int part = 0; part < 2; ++part) {
    // A tool's id is its panel's number.
    const auto tool = static_cast<UINT_PTR>(part + 1);
    if (part >= panels) {
      stage().setAreaToolTip(hwnd(), tool, RECT{}, "");
      continue;
    }
    SendMessageW(hwnd(), SB_SETTEXTW, static_cast<WPARAM>(part) | SBT_OWNERDRAW, part);
    RECT area{};
    SendMessageW(hwnd(), SB_GETRECT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(&area));
    stage().setAreaToolTip(hwnd(), tool, area, toolTip_[part]);
  }
  InvalidateRect(hwnd(), nullptr, TRUE);
}

std::string Win32StatusBar::PanelText(int panel) const {
  return isPanel(panel) ? text_[panel - 1] : std::string();
}

void Win32StatusBar::setPanelText(int panel, std::string_view text) {
  if (!isPanel(panel)) return;
  if (text_[panel - 1] == text) return;
  text_[panel - 1] = text;
  layoutPanels();
}

void Win32StatusBar::setPanelWarning(int panel, bool warning) {
  if (!isPanel(panel) || warning_[panel - 1] == warning) return;
  warning_[panel - 1] = warning;
  InvalidateRect(hwnd(), nullptr, TRUE);
}

void Win32StatusBar::setPanelToolTip(int panel, std::string_view text) {
  if (!isPanel(panel) || toolTip_[panel - 1] == text) return;
  toolTip_[panel - 1] = text;
  layoutPanels();
}

bool Win32StatusBar::onDrawItem(const DRAWITEMSTRUCT& item) {
  const int panel = static_cast<int>(item.itemID);
  if (panel < 0 || panel > 1) return false;
  const std::wstring text = wideFromText(text_[panel]);
  RECT area = item.rcItem;
  area.left += stage().toDevice(kPanelIndent);
  const int savedDc = SaveDC(item.hDC);
  SelectObject(item.hDC, stage().font());
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, warning_[panel] ? RGB(255, 0, 0) : GetSysColor(COLOR_BTNTEXT));
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &area,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  RestoreDC(item.hDC, savedDc);
  return true;
}

}  // namespace quorvane
