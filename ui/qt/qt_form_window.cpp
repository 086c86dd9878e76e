#include "ui/qt/qt_form_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QResizeEvent>
#include <QUrl>

#include "ui/qt/qt_text.h"

namespace quorvane {

QtFormWindow::QtFormWindow() {
  setAcceptDrops(true);
}

namespace {

// The one local file or folder a drop carries; empty for anything else (text, a web
// address, several files).
QString droppedPath(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().front();
  return url.isLocalFile() ? url.toLocalFile() : QString();
}

}  // namespace

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

void QtFormWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (onDrop_ && !droppedPath(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void QtFormWindow::dropEvent(QDropEvent* event) {
  const QString path = droppedPath(event->mimeData());
  if (onDrop_ && !path.isEmpty() && onDrop_(fromQString(path))) event->acceptProposedAction();
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
