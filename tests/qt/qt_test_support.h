#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

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

inline SeenBox seenBox(const QMessageBox& box) {
  SeenBox seen;
  seen.title = box.windowTitle();
  seen.text = box.text();
  seen.icon = box.icon();
  for (QAbstractButton* button : box.buttons()) seen.buttons << button->text();
  if (box.defaultButton()) seen.defaultButton = box.defaultButton()->text();
  return seen;
}

// How many NextMessageBox objects wait for their box; while one waits, every box is its.
inline int& boxesAwaited() {
  static int count = 0;
  return count;
}

// A box once answered may stay open a moment (a mnemonic key clicks its button after a
// short animation): it is no new box.
inline void markAnswered(QMessageBox& box) {
  box.setProperty("quorvaneTestAnswered", true);
}
inline bool alreadyAnswered(const QMessageBox& box) {
  return box.property("quorvaneTestAnswered").toBool();
}

// Waits, inside the event loop of the next modal message box, for that box to open, notes
// what it shows and runs `answer` on it (a key press, say). Construct it before the step
// that opens the box; seen() tells whether one opened.
class NextMessageBox {
 public:
  explicit NextMessageBox(std::function<void(QMessageBox&)> answer) : answer_(std::move(answer)) {
    ++boxesAwaited();
    QObject::connect(&poll_, &QTimer::timeout, [this] { look(); });
    poll_.start(5);
  }
  ~NextMessageBox() {
    if (!seen_) --boxesAwaited();
  }
  NextMessageBox(const NextMessageBox&) = delete;
  NextMessageBox& operator=(const NextMessageBox&) = delete;
  bool seen() const { return seen_; }
  const SeenBox& box() const { return box_; }

 private:
  void look() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    poll_.stop();
    seen_ = true;
    --boxesAwaited();
    box_ = seenBox(*box);
    markAnswered(*box);
    answer_(*box);
  }

  std::function<void(QMessageBox&)> answer_;
  QTimer poll_;
  bool seen_ = false;
  SeenBox box_;
};

// How many NextPopup objects wait for their menu.
inline int& popupsAwaited() {
  static int count = 0;
  return count;
}

// What a pop-up menu offered, taken when it opened.
struct SeenMenu {
  QStringList items;      // the actions' texts, separators left out
  QStringList shortcuts;  // the shortcut each shows beside its text, or ""
  QList<bool> enabled;
  QRect geometry;         // on the screen
};

// Waits, inside the event loop of the next pop-up menu, for it to open, notes what it
// offers and runs `choose` on it (a key press, or closing it).
class NextPopup {
 public:
  explicit NextPopup(std::function<void(QMenu&)> choose = [](QMenu& menu) { menu.close(); })
      : choose_(std::move(choose)) {
    ++popupsAwaited();
    QObject::connect(&poll_, &QTimer::timeout, [this] { look(); });
    poll_.start(5);
  }
  ~NextPopup() {
    if (!seen_) --popupsAwaited();
  }
  NextPopup(const NextPopup&) = delete;
  NextPopup& operator=(const NextPopup&) = delete;
  bool seen() const { return seen_; }
  const SeenMenu& menu() const { return menu_; }

 private:
  void look() {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu || !menu->isVisible()) return;
    poll_.stop();
    seen_ = true;
    --popupsAwaited();
    for (QAction* action : menu->actions()) {
      if (action->isSeparator()) continue;
      menu_.items << action->text();
      menu_.shortcuts << action->shortcut().toString();
      menu_.enabled << action->isEnabled();
    }
    menu_.geometry = menu->geometry();
    choose_(*menu);
  }

  std::function<void(QMenu&)> choose_;
  QTimer poll_;
  bool seen_ = false;
  SeenMenu menu_;
};

// Chooses the menu's item `text` as the keyboard would (Return on it), so that the menu's
// exec() returns it; false when the menu has no such enabled item.
inline bool chooseItem(QMenu& menu, const QString& text) {
  for (QAction* action : menu.actions()) {
    if (action->text() != text || !action->isEnabled()) continue;
    menu.setActiveAction(action);
    QTest::keyClick(&menu, Qt::Key_Return);
    return true;
  }
  menu.close();
  return false;
}

// How many NextDialog objects wait for their dialog.
inline int& dialogsAwaited() {
  static int count = 0;
  return count;
}

// Waits, inside the event loop of the next modal dialog that is not a message box, for it
// to open and runs `act` on it (typing into it, reading it, pressing its buttons).
class NextDialog {
 public:
  explicit NextDialog(std::function<void(QDialog&)> act) : act_(std::move(act)) {
    ++dialogsAwaited();
    QObject::connect(&poll_, &QTimer::timeout, [this] { look(); });
    poll_.start(5);
  }
  ~NextDialog() {
    if (!seen_) --dialogsAwaited();
  }
  NextDialog(const NextDialog&) = delete;
  NextDialog& operator=(const NextDialog&) = delete;
  bool seen() const { return seen_; }

 private:
  void look() {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || qobject_cast<QMessageBox*>(dialog) || !dialog->isVisible()) return;
    poll_.stop();
    seen_ = true;
    --dialogsAwaited();
    act_(*dialog);
  }

  std::function<void(QDialog&)> act_;
  QTimer poll_;
  bool seen_ = false;
};

// Closes any message box still open `patience` after it was last looked at: the last
// resort of the tests of UnexpectedBoxes, which must end even when that does not answer.
class LastResort {
 public:
  explicit LastResort(int patience) {
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        fired_ = true;
        box->reject();
      }
    });
    poll_.start(patience);
  }
  bool fired() const { return fired_; }

 private:
  QTimer poll_;
  bool fired_ = false;
};

// Answers every modal message box that no NextMessageBox waits for, and fails the running
// test with what the box said: a test that meets a box it did not expect fails at once
// instead of waiting, unanswered, for its time to run out. The answer is Escape (the
// harmless "No" of a question), else the box's default. One for the whole test program.
class UnexpectedBoxes {
 public:
  UnexpectedBoxes() {
    instance_ = this;
    QObject::connect(&poll_, &QTimer::timeout, [this] { look(); });
    poll_.start(10);
  }
  ~UnexpectedBoxes() { instance_ = nullptr; }
  UnexpectedBoxes(const UnexpectedBoxes&) = delete;
  UnexpectedBoxes& operator=(const UnexpectedBoxes&) = delete;

  // Null when the test program made none.
  static UnexpectedBoxes* instance() { return instance_; }
  // Every box answered so far, in order.
  const std::vector<SeenBox>& answered() const { return answered_; }

 private:
  void look() {
    // A pop-up menu nobody waits for would hold the test as a box would.
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        menu && popupsAwaited() == 0) {
      ADD_FAILURE() << "a pop-up menu that the test did not expect";
      menu->close();
      return;
    }
    // So would a dialog.
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        dialog && !qobject_cast<QMessageBox*>(dialog) && dialog->isVisible() &&
        dialogsAwaited() == 0) {
      ADD_FAILURE() << "a dialog that the test did not expect: "
                    << dialog->windowTitle().toStdString();
      dialog->reject();
      return;
    }
    if (boxesAwaited() > 0) return;
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || alreadyAnswered(*box)) return;
    markAnswered(*box);
    answered_.push_back(seenBox(*box));
    ADD_FAILURE() << "a message box that the test did not expect: \""
                  << answered_.back().title.toStdString()
                  << "\": " << answered_.back().text.toStdString();
    QTest::keyClick(box, Qt::Key_Escape);
    if (box->isVisible() && box->defaultButton()) box->defaultButton()->click();
    if (box->isVisible()) box->reject();
  }

  inline static UnexpectedBoxes* instance_ = nullptr;
  QTimer poll_;
  std::vector<SeenBox> answered_;
};

}  // namespace quorvane::testing
