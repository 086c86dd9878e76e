#include "ui/win32/win32_control.h"

#include <commctrl.h>

#include <algorithm>

namespace quorvane {

HWND createChild(Win32Stage& stage, const wchar_t* className, DWORD style, DWORD exStyle) {
  // Ids only tell the children apart in notifications; the stage routes them by window.
  static int nextId = 1000;
  const HWND hwnd = CreateWindowExW(
      exStyle, className, L"", style | WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, stage.window(),
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId++)), GetModuleHandleW(nullptr), nullptr);
  if (hwnd) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(stage.font()), FALSE);
  return hwnd;
}

Win32ChildWindow::Win32ChildWindow(Win32Stage& stage, HWND hwnd) : stage_(stage), hwnd_(hwnd) {
  SetWindowSubclass(hwnd_, subclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
  stage_.add(*this);
}

Win32ChildWindow::~Win32ChildWindow() {
  stage_.remove(*this);
  if (IsWindow(hwnd_)) {
    RemoveWindowSubclass(hwnd_, subclassProc, 1);
    DestroyWindow(hwnd_);
  }
}

bool Win32ChildWindow::onMessage(UINT message, WPARAM, LPARAM, LRESULT&) {
  if (message == WM_SETFOCUS) stage_.noteFocus(hwnd_);
  return false;
}

LRESULT CALLBACK Win32ChildWindow::subclassProc(HWND hwnd, UINT message, WPARAM wParam,
                                                LPARAM lParam, UINT_PTR, DWORD_PTR self) {
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, subclassProc, 1);
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }
  LRESULT result = 0;
  if (reinterpret_cast<Win32ChildWindow*>(self)->onMessage(message, wParam, lParam, result)) {
    return result;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

int dropDownFrame(HWND combo) {
  RECT field;
  GetWindowRect(combo, &field);
  const auto item =
      static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  return std::max(0, static_cast<int>(field.bottom - field.top) - item);
}

namespace {

RECT rectInParent(HWND child) {
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

}  // namespace

void placeDropDown(HWND combo, const RECT& field, int frame) {
  const RECT before = rectInParent(combo);
  const int height = static_cast<int>(field.bottom - field.top);
  SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), std::max(1, height - frame));
  // A drop-down list's window height is that of the field and its dropped items together.
  const auto item = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0));
  SetWindowPos(combo, nullptr, field.left, field.top, field.right - field.left,
               height + std::max(1, item) * kDropDownItems + 2, SWP_NOZORDER | SWP_NOACTIVATE);
  // The list takes that height for a moment and then shrinks to its field without having
  // what it uncovered painted: moved up a row, it left a copy of itself in the row below.
  const RECT after = rectInParent(combo);
  if (IsWindowVisible(combo) && !EqualRect(&before, &after)) {
    RedrawWindow(GetParent(combo), &before, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
}

}  // namespace quorvane
