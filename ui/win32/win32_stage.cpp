#include "ui/win32/win32_stage.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "os/win32/wtf8.h"
#include "ui/win32/win32_dpi.h"
#include "ui/win32/win32_fonts.h"

namespace quorvane {
namespace {

// Wide enough for a path, narrow enough that long notes break into lines.
constexpr int kToolTipWidth = 600;

// The program writes "\n" or "\r\n" between lines; a tooltip breaks only at "\r\n".
std::wstring toolTipText(std::string_view text) {
  std::wstring wide = wideFromText(text);
  std::wstring lines;
  lines.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] == L'\n' && (i == 0 || wide[i - 1] != L'\r')) lines += L'\r';
    lines += wide[i];
  }
  return lines;
}

}  // namespace

Win32Stage::Win32Stage(HWND window)
    : window_(window), dpi_(dpiOfWindow(window)), font_(createSheetFont(dpi_)) {
  toolTips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                              WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  if (toolTips_) {
    SendMessageW(toolTips_, TTM_SETMAXTIPWIDTH, 0, toDevice(kToolTipWidth));
    SendMessageW(toolTips_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }
}

Win32Stage::~Win32Stage() {
  if (toolTips_) DestroyWindow(toolTips_);
  if (font_) DeleteObject(font_);
}

int Win32Stage::toDevice(double pixels) const {
  if (!std::isfinite(pixels)) return 0;
  return static_cast<int>(std::lround(std::clamp(pixels * scale(), -1e6, 1e6)));
}

RECT Win32Stage::deviceRect(float left, float top, float width, float height) const {
  RECT rect;
  rect.left = toDevice(left);
  rect.top = toDevice(top);
  rect.right = std::max(rect.left, static_cast<LONG>(toDevice(double{left} + width)));
  rect.bottom = std::max(rect.top, static_cast<LONG>(toDevice(double{top} + height)));
  return rect;
}

void Win32Stage::setDpi(UINT dpi) {
  if (dpi == 0 || dpi == dpi_) return;
  dpi_ = dpi;
  const HFONT old = font_;
  font_ = createSheetFont(dpi_);
  if (toolTips_) {
    SendMessageW(toolTips_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SendMessageW(toolTips_, TTM_SETMAXTIPWIDTH, 0, toDevice(kToolTipWidth));
  }
  for (StageMember* member : members_) member->rescale();
  // Every member holds the new font by now.
  if (old) DeleteObject(old);
}

void Win32Stage::add(StageMember& member) {
  members_.push_back(&member);
}

void Win32Stage::remove(const StageMember& member) {
  members_.erase(std::remove(members_.begin(), members_.end(), &member), members_.end());
}

StageMember* Win32Stage::memberOf(HWND hwnd) const {
  if (!hwnd) return nullptr;
  for (StageMember* member : members_) {
    if (member->memberWindow() == hwnd) return member;
  }
  return nullptr;
}

// ---- tooltips ----

void Win32Stage::addToolTip(HWND hwnd, UINT_PTR id, UINT flags, const RECT& area,
                            std::wstring text) {
  if (!toolTips_) return;
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.hwnd = id == 0 ? window_ : hwnd;
  tool.uId = id == 0 ? reinterpret_cast<UINT_PTR>(hwnd) : id;
  SendMessageW(toolTips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  if (text.empty()) return;
  tool.uFlags = flags | TTF_SUBCLASS;
  tool.rect = area;
  // The tooltip keeps its own copy of the text.
  tool.lpszText = text.data();
  SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Win32Stage::setToolTip(HWND hwnd, std::string_view text) {
  addToolTip(hwnd, 0, TTF_IDISHWND, RECT{}, toolTipText(text));
}

void Win32Stage::setAreaToolTip(HWND hwnd, UINT_PTR id, const RECT& area, std::string_view text) {
  addToolTip(hwnd, id, 0, area, toolTipText(text));
}

void Win32Stage::moveAreaToolTip(HWND hwnd, UINT_PTR id, const RECT& area) {
  if (!toolTips_) return;
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.hwnd = hwnd;
  tool.uId = id;
  tool.rect = area;
  SendMessageW(toolTips_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
}

// ---- Tab order and focus ----

void Win32Stage::setTabIndex(HWND hwnd, int index) {
  std::erase_if(tabStops_, [hwnd](const auto& stop) { return stop.second == hwnd; });
  tabStops_.emplace_back(index, hwnd);
  std::stable_sort(tabStops_.begin(), tabStops_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
}

bool Win32Stage::canTakeTab(HWND hwnd) const {
  return IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) &&
         (GetWindowLongW(hwnd, GWL_STYLE) & WS_TABSTOP) != 0;
}

bool Win32Stage::handleTab(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_TAB || !isOurs(message.hwnd)) {
    return false;
  }
  if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0 || tabStops_.empty()) return false;
  const HWND focus = GetFocus();
  const int count = static_cast<int>(tabStops_.size());
  int current = -1;
  for (int i = 0; i < count; ++i) {
    const HWND stop = tabStops_[static_cast<std::size_t>(i)].second;
    if (stop == focus || IsChild(stop, focus)) current = i;
  }
  const bool back = GetKeyState(VK_SHIFT) < 0;
  const int step = back ? count - 1 : 1;
  int at = current >= 0 ? current : (back ? 0 : count - 1);
  for (int tried = 0; tried < count; ++tried) {
    at = (at + step) % count;
    const HWND next = tabStops_[static_cast<std::size_t>(at)].second;
    if (next == focus || !canTakeTab(next)) continue;
    SetFocus(next);
    // As in a dialog: a text box reached by Tab has its text selected.
    wchar_t className[16] = {};
    GetClassNameW(next, className, 16);
    if (lstrcmpiW(className, L"Edit") == 0) SendMessageW(next, EM_SETSEL, 0, -1);
    break;
  }
  // The keyboard is in use: show where the focus is.
  SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  return true;
}

void Win32Stage::noteFocus(HWND hwnd) {
  lastFocus_ = hwnd;
}

bool Win32Stage::isOurs(HWND hwnd) const {
  return hwnd && (hwnd == window_ || IsChild(window_, hwnd));
}

bool Win32Stage::holdsFocus(HWND hwnd) const {
  const HWND focus = GetFocus();
  if (focus == hwnd) return true;
  return !isOurs(focus) && lastFocus_ == hwnd;
}

void Win32Stage::restoreFocus() {
  if (StageMember* member = memberOf(lastFocus_)) {
    member->takeFocus();
    return;
  }
  for (const auto& [index, stop] : tabStops_) {
    if (canTakeTab(stop)) {
      SetFocus(stop);
      return;
    }
  }
  SetFocus(window_);
}

}  // namespace quorvane
