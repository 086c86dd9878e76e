#pragma once

#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "platform/controls.h"
#include "platform/qt/qt_text.h"

namespace quorvane {

// Shared by the controls of one window: the Tab order, collected while the form places its
// controls and applied once they are all placed.
class QtStage {
 public:
  void setTabIndex(QWidget* widget, int index);
  // Chains the registered widgets with QWidget::setTabOrder in increasing index order.
  void applyTabOrder();

 private:
  std::vector<std::pair<int, QPointer<QWidget>>> stops_;
};

// Pixels of the client area as the form keeps them (floats) to the whole pixels a widget
// takes; absurd values stop at a million pixels rather than overflow.
inline int toPixels(float value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<int>(std::lround(std::clamp(value, -1e6f, 1e6f)));
}

// A platform control over one widget. The place and visibility are kept as the form set
// them, so that they read back exactly, and applied to the widget.
template <class Interface>
class QtControl : public Interface {
 public:
  // Shown, as Visible() says, also when the parent window is on screen already.
  QtControl(QtStage& stage, QWidget& widget) : stage_(stage), widget_(widget) {
    widget_.setVisible(visible_);
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
    widget_.setVisible(v);
  }
  void ZOrder() override { widget_.raise(); }
  // A hidden widget is not given the focus: it could take keys the user cannot see.
  void SetFocus() override {
    if (visible_) widget_.setFocus(Qt::OtherFocusReason);
  }
  void setToolTipText(std::string_view text) override { widget_.setToolTip(toQString(text)); }
  void setTabIndex(int index) override { stage_.setTabIndex(&widget_, index); }

 protected:
  virtual void place() {
    widget_.setGeometry(toPixels(left_), toPixels(top_), std::max(0, toPixels(width_)),
                        std::max(0, toPixels(height_)));
  }
  QWidget& widget() const { return widget_; }

 private:
  QtStage& stage_;
  QWidget& widget_;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
};

}  // namespace quorvane
