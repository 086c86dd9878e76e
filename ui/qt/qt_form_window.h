#pragma once

#include <QWidget>
#include <functional>

#include "platform/controls.h"

namespace quorvane {

// The main window: a top-level widget whose client area is the form's coordinate space.
// It reports every size change and asks before the window system's close command closes
// it; endProgram closes it without asking and leaves the event loop.
class QtFormWindow : public QWidget, public FormWindow {
 public:
  QtFormWindow();
  ~QtFormWindow() override;

  void setResizeHandler(std::function<void()> handler) { onResize_ = std::move(handler); }
  // Returns false to keep the window open.
  void setCloseHandler(std::function<bool()> handler) { onClose_ = std::move(handler); }
  // A file or folder dropped on the window, as a path; returns false when it is not taken.
  void setDropHandler(std::function<bool(const std::string&)> handler) {
    onDrop_ = std::move(handler);
  }

  std::string Caption() const override;
  void setCaption(std::string_view caption) override;
  float ScaleWidth() const override { return static_cast<float>(width()); }
  float ScaleHeight() const override { return static_cast<float>(height()); }
  void endProgram() override;
  void setBusy(bool busy) override;

  bool ended() const { return ended_; }
  bool busy() const { return busyCursors_ > 0; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  std::function<void()> onResize_;
  std::function<bool()> onClose_;
  std::function<bool(const std::string&)> onDrop_;
  bool ended_ = false;
  int busyCursors_ = 0;
};

// 15 twips per pixel both ways: Qt measures in logical pixels at 96 dots per inch.
class QtScreen : public ScreenMetrics {
 public:
  int TwipsPerPixelX() const override { return 15; }
  int TwipsPerPixelY() const override { return 15; }
};

}  // namespace quorvane
