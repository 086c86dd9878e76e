#include "ui/qt/qt_message_boxes.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>

#include "ui/qt/qt_text.h"

namespace quorvane {
namespace {

QMessageBox::Icon iconOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

// The program writes Windows line breaks; Qt breaks lines at "\n".
QString textOf(const std::string& text) {
  QString lines = toQString(text);
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return lines;
}

// The box as a Windows message box copies itself: title, text and buttons between rules.
QString copiedText(const QMessageBox& box) {
  const QString rule = QStringLiteral("---------------------------\n");
  QString buttons;
  for (const QAbstractButton* button : box.buttons()) {
    buttons += QString(button->text()).remove(QLatin1Char('&')) + QStringLiteral("   ");
  }
  return rule + box.windowTitle() + u'\n' + rule + box.text() + u'\n' + rule + buttons + u'\n' +
         rule;
}

}  // namespace

MessageAnswer QtMessageBoxes::show(const MessageBoxRequest& request) {
  QMessageBox box(parent_);
  box.setWindowTitle(toQString(request.title));
  box.setTextFormat(Qt::PlainText);
  box.setText(textOf(request.text));
  box.setIcon(iconOf(request.icon));
  QPushButton* yes = nullptr;
  QPushButton* no = nullptr;
  QPushButton* ok = nullptr;
  if (request.buttons == MessageButtons::YesNo) {
    // "&Y" and "&N" are mnemonics: QMessageBox presses a button on its key alone.
    yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(request.defaultButton == MessageAnswer::No ? no : yes);
  } else {
    ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
  }
  // Ctrl+C copies the box, as on Windows, so that a reason shown can be passed on.
  QShortcut copy(QKeySequence::Copy, &box);
  QObject::connect(&copy, &QShortcut::activated, &box,
                   [&box] { QGuiApplication::clipboard()->setText(copiedText(box)); });
  box.exec();
  const auto* clicked = box.clickedButton();
  if (ok) return MessageAnswer::Ok;
  // A Yes/No box closed by the window system counts as No: nothing is done unasked.
  return clicked == yes ? MessageAnswer::Yes : MessageAnswer::No;
}

}  // namespace quorvane
