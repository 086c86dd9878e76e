#pragma once

#include <QEvent>
#include <QObject>
#include <functional>

namespace quorvane {

// Hands the watched object's events of one type to a function before the object sees
// them; the function returns true to swallow the event. Owned by the watched object.
class EventHook : public QObject {
 public:
  EventHook(QObject& watched, QEvent::Type type, std::function<bool(QEvent&)> onEvent)
      : QObject(&watched), type_(type), onEvent_(std::move(onEvent)) {
    watched.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == type_ && onEvent_(*event)) return true;
    return QObject::eventFilter(watched, event);
  }

 private:
  QEvent::Type type_;
  std::function<bool(QEvent&)> onEvent_;
};

}  // namespace quorvane
