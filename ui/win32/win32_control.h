#pragma once

#include <windows.h>
// After windows.h: the drop-down messages (CB_SETMINVISIBLE).
#include <commctrl.h>

#include <string_view>

#include "platform/controls.h"
#include "ui/win32/win32_stage.h"

namespace quorvane {

// One native child window of the form, subclassed so that its messages pass through
// onMessage before the control's own window procedure sees them. Owns the window.
class Win32ChildWindow : public StageMember {
 public:
  Win32ChildWindow(Win32Stage& stage, HWND hwnd);
  ~Win32ChildWindow() override;
  Win32ChildWindow(const Win32ChildWindow&) = delete;
  Win32ChildWindow& operator=(const Win32ChildWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  HWND memberWindow() const override { return hwnd_; }

 protected:
  // True, with `result` set, keeps the message from the control.
  virtual bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  Win32Stage& stage() const { return stage_; }

 private:
  static LRESULT CALLBACK subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR self);
  Win32Stage& stage_;
  HWND hwnd_;
};

// Creates a child window of the stage's window with the stage's font; hidden, so that the
// form shows it when it means to.
HWND createChild(Win32Stage& stage, const wchar_t* className, DWORD style, DWORD exStyle = 0);

// A platform control over one native child window. The place is kept as the form set it, in
// its pixels (floats), so that it reads back exactly, and applied in device pixels.
//
// Focus follows the form, never the window manager's rule: a control hidden while it has
// the focus is parked instead, shown for Windows but out of sight beyond the window's
// edge, and keeps the keys until the user (a click, Tab) or the form puts the focus on
// another control of the window; only then is it really hidden. A message box taking the
// focus for a while is no such move.
template <class Interface>
class Win32Control : public Interface, public Win32ChildWindow {
 public:
  // Shown, as Visible() says, until the form hides it.
  Win32Control(Win32Stage& stage, HWND hwnd) : Win32ChildWindow(stage, hwnd) {
    ShowWindow(hwnd, SW_SHOWNA);
  }

  float Left() const override { return left_; }
  void setLeft(float v) override { left_ = v, place(); }
  float Top() const override { return top_; }
  void setTop(float v) override { top_ = v, place(); }
  float Width() const override { return width_; }
  void setWidth(float v) override { width_ = v, place(); }
  float Height() const override { return height_; }
  void setHeight(float v) override { height_ = v, place(); }
  bool Visible() const override { return visible_; }
  void setVisible(bool v) override {
    visible_ = v;
    if (v) {
      parked_ = false;
      place();
      ShowWindow(hwnd(), SW_SHOWNA);
    } else if (stage().holdsFocus(hwnd())) {
      park();
    } else {
      ShowWindow(hwnd(), SW_HIDE);
    }
  }
  void ZOrder() override {
    SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  // A hidden control takes the focus parked, out of sight, so that it gets the keys the
  // form means for it and the user never types into a control that is not there.
  void SetFocus() override {
    if (!visible_) park();
    ::SetFocus(hwnd());
  }
  void setToolTipText(std::string_view text) override { stage().setToolTip(hwnd(), text); }
  void setTabIndex(int index) override { stage().setTabIndex(hwnd(), index); }

  void takeFocus() override { SetFocus(); }
  void rescale() override {
    SendMessageW(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(stage().font()), TRUE);
    place();
  }
  // Hidden for the form but keeping the focus (see above).
  bool parked() const { return parked_; }

 protected:
  virtual void place() {
    if (parked_) return;
    const RECT r = stage().deviceRect(left_, top_, width_, height_);
    SetWindowPos(hwnd(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

  bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    // A parked control's context menu (Shift+F10, the Menu key) would open out of sight,
    // over a sheet with no editor under it.
    if (message == WM_CONTEXTMENU && parked_) {
      result = 0;
      return true;
    }
    if (message == WM_KILLFOCUS && parked_) {
      // Only a move to another child of the window ends the parking; a message box or
      // another program taking the focus for a while does not.
      const HWND next = reinterpret_cast<HWND>(wParam);
      if (next && stage().isOurs(next)) {
        parked_ = false;
        ShowWindow(hwnd(), SW_HIDE);
        place();
      }
    }
    return Win32ChildWindow::onMessage(message, wParam, lParam, result);
  }

 private:
  void park() {
    if (!parked_) {
      parked_ = true;
      RECT r;
      GetWindowRect(hwnd(), &r);
      SetWindowPos(hwnd(), nullptr, -(r.right - r.left + kParkDistance),
                   -(r.bottom - r.top + kParkDistance), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(hwnd(), SW_SHOWNA);
  }

  static constexpr int kParkDistance = 1000;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool parked_ = false;
};

// A drop-down list's selection field is its item in a frame of the control's own size:
// dropDownFrame measures the frame (after a font change); placeDropDown gives the field the
// device rectangle `field`, with room for kDropDownItems items below it when dropped down.
constexpr int kDropDownItems = 16;
int dropDownFrame(HWND combo);
void placeDropDown(HWND combo, const RECT& field, int frame);

// A drop-down list the user can only choose from (CBS_DROPDOWNLIST), placed by its
// selection field at every font.
template <class Interface>
class Win32DropDown : public Win32Control<Interface> {
 public:
  explicit Win32DropDown(Win32Stage& stage)
      : Win32Control<Interface>(
            stage, createChild(stage, L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST)) {
    SendMessageW(this->hwnd(), CB_SETMINVISIBLE, kDropDownItems, 0);
  }
  void rescale() override {
    SendMessageW(this->hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(this->stage().font()), TRUE);
    fieldFrame_ = dropDownFrame(this->hwnd());
    place();
  }

 protected:
  void place() override {
    if (this->parked()) return;
    placeDropDown(this->hwnd(),
                  this->stage().deviceRect(this->Left(), this->Top(), this->Width(), this->Height()),
                  fieldFrame_);
  }

 private:
  int fieldFrame_ = 0;  // device pixels of the selection field around its item
};

}  // namespace quorvane
