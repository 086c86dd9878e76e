#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvane {

// A child window of the form that the stage keeps informed: the platform controls and the
// grid view.
class StageMember {
 public:
  virtual ~StageMember() = default;
  // The window's DPI changed: take the new font, place and size again.
  virtual void rescale() = 0;
  // Gives the member the keyboard focus by its own rule (a hidden control takes it unseen).
  virtual void takeFocus() { SetFocus(memberWindow()); }
  virtual HWND memberWindow() const = 0;
  // WM_COMMAND notifications and owner drawing, which Windows sends to the parent.
  virtual void onCommand(WORD) {}
  virtual bool onDrawItem(const DRAWITEMSTRUCT&) { return false; }
};

// Shared by the children of one window: its DPI and font, the tooltips, the Tab order, the
// child that had the keyboard focus last, and which member a notification is for.
//
// The form places controls in its own pixels of 1/96 inch, as at 100 %; the stage turns
// them into the device pixels of the monitor the window is on (DPI / 96 each).
class Win32Stage {
 public:
  explicit Win32Stage(HWND window);
  ~Win32Stage();
  Win32Stage(const Win32Stage&) = delete;
  Win32Stage& operator=(const Win32Stage&) = delete;

  HWND window() const { return window_; }
  UINT dpi() const { return dpi_; }
  double scale() const { return dpi_ / 96.0; }
  HFONT font() const { return font_; }
  // A length or position in the form's pixels as device pixels, rounded.
  int toDevice(double pixels) const;
  // The device rectangle of a place in the form's pixels; edges are rounded one by one so
  // that places that meet in form pixels meet on the device too.
  RECT deviceRect(float left, float top, float width, float height) const;

  // The window moved to a monitor of another DPI: a new font, and every member rescaled.
  void setDpi(UINT dpi);

  void add(StageMember& member);
  void remove(const StageMember& member);
  StageMember* memberOf(HWND hwnd) const;

  // A tooltip for a whole child window, or for a rectangle of it when `id` is not 0; an
  // empty text removes it.
  void setToolTip(HWND hwnd, std::string_view text);
  void setAreaToolTip(HWND hwnd, UINT_PTR id, const RECT& area, std::string_view text);
  void moveAreaToolTip(HWND hwnd, UINT_PTR id, const RECT& area);

  // The Tab order: Tab and Shift+Tab move the focus to the next or previous child in
  // index order that is shown, enabled and a Tab stop (WS_TABSTOP).
  void setTabIndex(HWND hwnd, int index);
  // Call for each message before it is dispatched: true when it was a Tab key it acted on.
  bool handleTab(const MSG& message);

  // Members report here when they get the focus; the window gives it back to the last of
  // them when it is activated again.
  void noteFocus(HWND hwnd);
  HWND lastFocus() const { return lastFocus_; }
  // Whether `hwnd` has the keyboard focus, or had it last while another window (a message
  // box) has it for a while.
  bool holdsFocus(HWND hwnd) const;
  // Gives the focus back to the child that had it last, or to the first Tab stop.
  void restoreFocus();
  // Whether `hwnd` is the window or one of its children.
  bool isOurs(HWND hwnd) const;

 private:
  void addToolTip(HWND hwnd, UINT_PTR id, UINT flags, const RECT& area, std::wstring text);
  bool canTakeTab(HWND hwnd) const;

  HWND window_;
  UINT dpi_;
  HFONT font_ = nullptr;
  HWND toolTips_ = nullptr;
  std::vector<StageMember*> members_;
  std::vector<std::pair<int, HWND>> tabStops_;
  HWND lastFocus_ = nullptr;
};

}  // namespace quorvane
