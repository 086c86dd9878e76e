#include "ui/qt/qt_batch.h"

#include <QAction>
#include <QClipboard>
#include <QCursor>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/qt/qt_text.h"

namespace quorvane {

std::string QtClipboard::text() const {
  return fromQString(QGuiApplication::clipboard()->text());
}

int QtPopupMenu::show(const std::vector<MenuItem>& items) {
  QMenu menu(&parent_);
  std::vector<QAction*> actions;
  for (const MenuItem& item : items) {
    if (item.separatorBefore) menu.addSeparator();
    QAction* action = menu.addAction(toQString(item.text));
    if (!item.shortcut.empty()) {
      action->setShortcut(QKeySequence(toQString(item.shortcut)));
      action->setShortcutVisibleInContextMenu(true);
    }
    action->setEnabled(item.enabled);
    actions.push_back(action);
  }
  const QPoint at = placed_ ? place_ : defaultPlace_ ? defaultPlace_() : QCursor::pos();
  placed_ = false;
  QAction* chosen = menu.exec(at);
  for (std::size_t i = 0; i < actions.size(); ++i) {
    if (actions[i] == chosen && chosen->isEnabled()) return static_cast<int>(i);
  }
  return -1;
}

namespace {

QTableWidgetItem* cell(const std::string& text, const QColor& colour = QColor()) {
  auto* item = new QTableWidgetItem(toQString(text));
  item->setFlags(Qt::ItemIsEnabled);
  item->setToolTip(item->text());
  if (colour.isValid()) item->setForeground(colour);
  return item;
}

void showPreview(QTableWidget& table, QLabel& status, QPushButton& ok,
                 const PatternPreview& preview) {
  table.setRowCount(0);
  table.setRowCount(static_cast<int>(preview.rows.size()));
  const QColor grey = table.palette().color(QPalette::Disabled, QPalette::Text);
  for (int i = 0; i < static_cast<int>(preview.rows.size()); ++i) {
    const PatternPreviewRow& row = preview.rows[static_cast<std::size_t>(i)];
    table.setItem(i, 0, cell(row.name));
    switch (row.status) {
      case PatternPreviewRow::Status::Changes:
        table.setItem(i, 1, cell(row.before));
        table.setItem(i, 2, cell(row.after, row.tooLong ? QColor(Qt::red) : QColor()));
        break;
      case PatternPreviewRow::Status::NoMatch:
        table.setItem(i, 1, cell(row.before, grey));
        table.setItem(i, 2, cell("一致しません", grey));
        break;
      case PatternPreviewRow::Status::Collides:
        table.setItem(i, 1, cell(row.before, grey));
        table.setItem(i, 2, cell(row.after + "（同じ名前があるため変更しません）", grey));
        break;
    }
  }
  if (!preview.error.empty()) {
    status.setText(toQString(preview.error));
    status.setStyleSheet("color: red");
  } else {
    status.setText(QString("%1 件を変更します").arg(preview.changes));
    status.setStyleSheet({});
  }
  ok.setEnabled(preview.error.empty() && preview.changes > 0);
}

}  // namespace

std::optional<std::string> QtPatternDialog::run(
    const PatternDialogRequest& request,
    const std::function<PatternPreview(const std::string& pattern)>& preview) {
  QDialog dialog(&parent_);
  dialog.setObjectName("patternDialog");
  dialog.setWindowTitle(toQString(request.title));
  auto* layout = new QVBoxLayout(&dialog);
  auto* heading = new QLabel(toQString(request.heading));
  heading->setObjectName("heading");
  layout->addWidget(heading);

  auto* form = new QGridLayout;
  form->addWidget(new QLabel("書式:"), 0, 0);
  auto* pattern = new QLineEdit(toQString(request.pattern));
  pattern->setObjectName("pattern");
  form->addWidget(pattern, 0, 1);
  // The placeholders under the pattern, with the sheet's names for their columns.
  QString names;
  for (const auto& [placeholder, column] : request.placeholders) {
    if (!names.isEmpty()) names += "   ";
    names += toQString(placeholder) + " " + toQString(column);
  }
  auto* placeholders = new QLabel(names);
  placeholders->setObjectName("placeholders");
  placeholders->setWordWrap(true);
  form->addWidget(placeholders, 1, 1);
  layout->addLayout(form);

  auto* table = new QTableWidget(0, 3);
  table->setObjectName("preview");
  table->setHorizontalHeaderLabels({"ファイル名称", "変更前", "変更後"});
  // Each column as wide as its longest text, so that no name is cut short; the last one
  // takes what room is left, and a list wider than the dialog scrolls.
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table->horizontalHeader()->setStretchLastSection(true);
  table->setTextElideMode(Qt::ElideNone);
  table->verticalHeader()->hide();
  // One line of text a row, as in the sheet, so that a screen holds many rows.
  table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
  table->setSelectionMode(QAbstractItemView::NoSelection);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  layout->addWidget(table);
  auto* status = new QLabel;
  status->setObjectName("status");
  layout->addWidget(status);

  auto* buttons = new QDialogButtonBox;
  QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
  QPushButton* cancel = buttons->addButton("キャンセル", QDialogButtonBox::RejectRole);
  ok->setDefault(true);
  cancel->setAutoDefault(false);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);

  const auto refresh = [&] { showPreview(*table, *status, *ok, preview(fromQString(pattern->text()))); };
  QObject::connect(pattern, &QLineEdit::textChanged, &dialog, refresh);
  refresh();
  dialog.resize(760, 460);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return fromQString(pattern->text());
}

}  // namespace quorvane
