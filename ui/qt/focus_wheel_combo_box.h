#pragma once

#include <QComboBox>
#include <QWheelEvent>
#include <functional>
#include <utility>

namespace quorvane {

// A combo box that turns with the wheel only while it has the keyboard focus (Qt's own
// boxes turn under any passing wheel): a wheel turned over the window on the way to the
// sheet must not pick another drive, which reloads the sheet, nor another genre.
// `beforePopup`, when set, runs before the list opens and may keep it closed.
class FocusWheelComboBox : public QComboBox {
 public:
  explicit FocusWheelComboBox(QWidget& parent) : QComboBox(&parent) {
    setFocusPolicy(Qt::StrongFocus);
  }
  void setBeforePopup(std::function<bool()> beforePopup) { beforePopup_ = std::move(beforePopup); }

  void showPopup() override {
    if (beforePopup_ && !beforePopup_()) return;
    QComboBox::showPopup();
  }

 protected:
  void wheelEvent(QWheelEvent* event) override {
    if (!hasFocus()) {
      event->ignore();
      return;
    }
    QComboBox::wheelEvent(event);
  }

 private:
  std::function<bool()> beforePopup_;
};

}  // namespace quorvane
