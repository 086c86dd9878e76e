#pragma once

#include <QObject>
#include <cstdint>

#include "platform/controls.h"

namespace quorvane {

// The Windows virtual-key code of a Qt key: Enter 13, Up 38, Down 40, letters 65-90,
// digits 48-57, ...; 0 for a key without one (such as a shifted punctuation character).
std::int16_t virtualKeyCode(int qtKey);
// 1 Shift, 2 Ctrl, 4 Alt, added together.
std::int16_t shiftState(Qt::KeyboardModifiers modifiers);

// Watches one widget's key presses and hands each to the key-down handler before the
// widget sees it; a key the handler sets to 0 never reaches the widget. Input-method
// events pass untouched, so composing Japanese text keeps working. Owned by the widget.
class KeyDownFilter : public QObject {
 public:
  explicit KeyDownFilter(QObject& watched);
  void setHandler(KeyDownHandler handler) { handler_ = std::move(handler); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  KeyDownHandler handler_;
};

}  // namespace quorvane
