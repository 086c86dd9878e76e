#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

namespace quorvane::testing {

// Whether the user can see the widget: shown, and lying inside its window's client area
// (a control the form hid while it had the focus stays shown for Qt, out of sight).
inline bool seenByUser(const QWidget& widget) {
  if (!widget.isVisible()) return false;
  const QRect inWindow(widget.mapTo(widget.window(), QPoint(0, 0)), widget.size());
  return inWindow.intersects(widget.window()->rect());
}

// What a message box showed, taken when it opened.
struct SeenBox {
  QString title, text;
  QStringList buttons;
  QString defaultButton;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Waits, inside the event loop of the next modal message box, for that box to open, notes
// what it shows and runs `answer` on it (a key press, say). Construct it before the step
// that opens the box; seen() tells whether one opened.
class NextMessageBox {
 public:
  explicit NextMessageBox(std::function<void(QMessageBox&)> answer) : answer_(std::move(answer)) {
    QObject::connect(&poll_, &QTimer::timeout, [this] { look(); });
    poll_.start(5);
  }
  bool seen() const { return seen_; }
  const SeenBox& box() const { return box_; }

 private:
  void look() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    poll_.stop();
    seen_ = true;
    box_.title = box->windowTitle();
    box_.text = box->text();
    box_.icon = box->icon();
    for (QAbstractButton* button : box->buttons()) box_.buttons << button->text();
    if (box->defaultButton()) box_.defaultButton = box->defaultButton()->text();
    answer_(*box);
  }

  std::function<void(QMessageBox&)> answer_;
  QTimer poll_;
  bool seen_ = false;
  SeenBox box_;
};

}  // namespace quorvane::testing
