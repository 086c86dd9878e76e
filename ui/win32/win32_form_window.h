#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/controls.h"
#include "ui/win32/win32_stage.h"

namespace quorvane {

// The main window: a top-level window whose client area is the form's coordinate space, in
// the form's pixels (1/96 inch) scaled to the monitor it is on. It reports every size
// change, asks before the close box closes it, takes a dropped file or folder, passes its
// children's notifications to them, follows a change of monitor DPI, and gives the focus
// back to the child that had it when it is activated again. endProgram hides it and ends
// the message loop; it is destroyed with this object. Signing out or shutting down Windows
// asks as the close box does.
class Win32FormWindow : public FormWindow {
 public:
  Win32FormWindow();
  ~Win32FormWindow() override;
  Win32FormWindow(const Win32FormWindow&) = delete;
  Win32FormWindow& operator=(const Win32FormWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  Win32Stage& stage() { return *stage_; }

  // The children that follow the window's size by themselves (the status bar), before the
  // form's resize handler.
  void setLayoutHandler(std::function<void()> handler) { onLayout_ = std::move(handler); }
  void setResizeHandler(std::function<void()> handler) { onResize_ = std::move(handler); }
  // Returns false to keep the window open.
  void setCloseHandler(std::function<bool()> handler) { onClose_ = std::move(handler); }
  // A file or folder dropped on the window, as a path; returns false when it is not taken.
  void setDropHandler(std::function<bool(const std::string&)> handler) {
    onDrop_ = std::move(handler);
  }
  // A command of the accelerator table, by its id.
  void setCommandHandler(std::function<void(WORD)> handler) { onCommand_ = std::move(handler); }

  // Shows the window for the first time, with a client area of this size in form pixels.
  void showWithClientSize(float width, float height, int showCommand);

  std::string Caption() const override;
  void setCaption(std::string_view caption) override;
  float ScaleWidth() const override;
  float ScaleHeight() const override;
  void endProgram() override;
  void setBusy(bool busy) override;

  bool ended() const { return ended_; }
  bool busy() const { return busyCount_ > 0; }

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  void onDrop(WPARAM drop);  // an HDROP

  HWND hwnd_ = nullptr;
  std::unique_ptr<Win32Stage> stage_;
  std::function<void()> onLayout_, onResize_;
  std::function<bool()> onClose_;
  std::function<bool(const std::string&)> onDrop_;
  std::function<void(WORD)> onCommand_;
  bool ended_ = false;
  int busyCount_ = 0;
};

// 15 twips per pixel both ways: the form measures in pixels of 1/96 inch at every DPI (the
// stage scales them to the monitor), so the twips of the grid's columns scale with them.
class Win32Screen : public ScreenMetrics {
 public:
  int TwipsPerPixelX() const override { return 15; }
  int TwipsPerPixelY() const override { return 15; }
};

}  // namespace quorvane
