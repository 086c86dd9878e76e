#include "ui/qt/qt_form_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QResizeEvent>

#include "ui/qt/qt_text.h"

namespace quorvane {

QtFormWindow::QtFormWindow() = default;

QtFormWindow::~QtFormWindow() {
  // A handler that ended with the wait cursor on must not leave it to the next window.
  for (; busyCursors_ > 0; --busyCursors_) QApplication::restoreOverrideCursor();
}

std::string QtFormWindow::Caption() const {
  return fromQString(windowTitle());
}

void QtFormWindow::setCaption(std::string_view caption) {
  setWindowTitle(toQString(caption));
}

void QtFormWindow::endProgram() {
  ended_ = true;
  close();
  QCoreApplication::quit();
}

void QtFormWindow::setBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++busyCursors_;
  } else if (busyCursors_ > 0) {
    QApplication::restoreOverrideCursor();
    --busyCursors_;
  }
}

void QtFormWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (onResize_) onResize_();
}

void QtFormWindow::closeEvent(QCloseEvent* event) {
  // endProgram has decided already; the window system's close asks the form.
  if (ended_ || !onClose_ || onClose_()) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace quorvane
