#pragma once

#include <QEvent>
#include <QFocusEvent>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "platform/controls.h"
#include "ui/qt/qt_text.h"

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
//
// Focus follows the form, never Qt's own rule: Qt hands the focus of a widget being hidden
// to the next one in Tab order, so that a key meant for the sheet would reach a drive list
// or a button. A control hidden while it has the focus is parked instead: the widget stays
// shown for Qt but out of sight beyond the window's edge, and keeps the keys until the user
// (a click, Tab) or the form puts the focus elsewhere; only then is it really hidden.
template <class Interface>
class QtControl : public Interface {
 public:
  // Shown, as Visible() says, also when the parent window is on screen already.
  QtControl(QtStage& stage, QWidget& widget) : stage_(stage), widget_(widget) {
    widget_.setVisible(visible_);
    parking_ = new ParkingHook(widget_, *this);
  }
  // The widget may outlive this wrapper (its parent owns it): it must not call back.
  ~QtControl() override {
    if (parking_) parking_->disarm();
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
      widget_.setVisible(true);
    } else if (holdsFocus()) {
      park();
    } else {
      widget_.setVisible(false);
    }
  }
  void ZOrder() override { widget_.raise(); }
  // A hidden control takes the focus parked, out of sight, so that it gets the keys the
  // form means for it and the user never types into a control that is not there.
  void SetFocus() override {
    if (!visible_) park();
    widget_.setFocus(Qt::OtherFocusReason);
  }
  void setToolTipText(std::string_view text) override { widget_.setToolTip(toQString(text)); }
  void setTabIndex(int index) override { stage_.setTabIndex(&widget_, index); }

  // Hidden for the form but keeping the focus (see above).
  bool parked() const { return parked_; }

 protected:
  virtual void place() {
    if (parked_) return;
    widget_.setGeometry(toPixels(left_), toPixels(top_), std::max(0, toPixels(width_)),
                        std::max(0, toPixels(height_)));
  }
  QWidget& widget() const { return widget_; }

 private:
  // Watches the widget for the control. Tells it when the focus has gone to another widget
  // of the window (a message box or a popup taking the activation for a while is no such
  // move), and keeps a parked widget's context menu (the Menu key reaches it) closed: it
  // would open over a sheet with no editor under it. Owned by the widget.
  class ParkingHook : public QObject {
   public:
    ParkingHook(QWidget& watched, QtControl& control) : QObject(&watched), control_(&control) {
      watched.installEventFilter(this);
    }
    void disarm() { control_ = nullptr; }

   protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (control_ && event->type() == QEvent::ContextMenu && control_->parked_) return true;
      if (control_ && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            reason != Qt::MenuBarFocusReason) {
          control_->hideIfParkedWithoutFocus();
        }
      }
      return QObject::eventFilter(watched, event);
    }

   private:
    QtControl* control_;
  };

  // The window's focus widget is the one that gets the keys, also while a message box
  // has taken the activation for a moment.
  bool holdsFocus() const { return widget_.window()->focusWidget() == &widget_; }

  void park() {
    if (!parked_) {
      parked_ = true;
      widget_.move(-(widget_.width() + kParkDistance), -(widget_.height() + kParkDistance));
    }
    widget_.setVisible(true);
  }

  void hideIfParkedWithoutFocus() {
    if (!parked_) return;
    parked_ = false;
    widget_.setVisible(false);
    place();
  }

  static constexpr int kParkDistance = 1000;
  QtStage& stage_;
  QWidget& widget_;
  QPointer<ParkingHook> parking_;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool parked_ = false;
};

}  // namespace quorvane
