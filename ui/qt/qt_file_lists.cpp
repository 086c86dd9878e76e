#include "ui/qt/qt_file_lists.h"

#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>

#include "ui/qt/event_hook.h"

namespace quorvane {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndentPixels = 8;

// Draws each folder entry indented by its depth, so the list reads like a tree.
class IndentDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->rect.adjust(index.data(kDepthRole).toInt() * kIndentPixels, 0, 0, 0);
  }
};

}  // namespace

// ---- drives ----

QtDriveList::QtDriveList(QtStage& stage, QWidget& parent, FileService& files)
    : QtDriveList(stage, new FocusWheelComboBox(parent), files) {}

QtDriveList::QtDriveList(QtStage& stage, FocusWheelComboBox* combo, FileService& files)
    : QtControl(stage, *combo), combo_(combo), files_(files) {
  const std::vector<std::string> drives = files_.listDrives();
  drive_ = files_.driveOf(drives, files_.currentFolder());
  fill(drives);
  // Read again each time the list opens, so that media mounted while the program runs
  // can be picked.
  combo_->setBeforePopup([this] {
    fill(files_.listDrives());
    return true;
  });
  QObject::connect(combo_, &QComboBox::activated, combo_, [this](int index) { picked(index); });
}

void QtDriveList::fill(const std::vector<std::string>& drives) {
  combo_->clear();
  for (const std::string& drive : drives) combo_->addItem(toQString(drive));
  // The current drive stays listed even when it has gone, so the list never lies about it.
  int current = combo_->findText(toQString(drive_), Qt::MatchExactly);
  if (current < 0) {
    combo_->addItem(toQString(drive_));
    current = combo_->count() - 1;
  }
  combo_->setCurrentIndex(current);
}

void QtDriveList::showDrive(std::string_view drive) {
  drive_ = drive;
  fill(files_.listDrives());
}

void QtDriveList::picked(int index) {
  const std::string drive = fromQString(combo_->itemText(index));
  if (drive == drive_) return;
  drive_ = drive;
  if (onChange_) onChange_();
}

// ---- folders ----

QtFolderList::QtFolderList(QtStage& stage, QWidget& parent, FileService& files)
    : QtFolderList(stage, new QListWidget(&parent), files) {}

QtFolderList::QtFolderList(QtStage& stage, QListWidget* list, FileService& files)
    : QtControl(stage, *list), list_(list), files_(files), path_(files.currentFolder()) {
  list_->setItemDelegate(new IndentDelegate(list_));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setUniformItemSizes(true);
  QObject::connect(list_, &QListWidget::itemDoubleClicked, list_,
                   [this](QListWidgetItem* item) { open(item); });
  new EventHook(*list_, QEvent::KeyPress, [this](QEvent& event) {
    const int key = static_cast<QKeyEvent&>(event).key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    open(list_->currentItem());
    return true;
  });
  fill();
}

bool QtFolderList::setPath(std::string_view path) {
  if (!showPath(path)) return false;
  if (onChange_) onChange_();
  return true;
}

bool QtFolderList::showPath(std::string_view path) {
  const std::string folder = files_.normalizeFolder(path);
  if (!files_.isFolder(folder)) return false;
  path_ = folder;
  fill();
  return true;
}

void QtFolderList::open(const QListWidgetItem* item) {
  if (!item) return;
  // Copied first: setPath refills the list, which deletes the item.
  const std::string folder = fromQString(item->data(kPathRole).toString());
  // Opening the folder that is open already is no change: it must not reload the sheet
  // and drop its edits.
  if (folder != path_) setPath(folder);
}

void QtFolderList::fill() {
  const QIcon openIcon = list_->style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closedIcon = list_->style()->standardIcon(QStyle::SP_DirClosedIcon);
  const auto add = [&](const std::string& folder, int depth, const QIcon& icon) {
    auto* item = new QListWidgetItem(icon, toQString(files_.folderName(folder)), list_);
    item->setData(kPathRole, toQString(folder));
    item->setData(kDepthRole, depth);
    item->setToolTip(toQString(folder));
    return item;
  };
  list_->clear();
  int depth = 0;
  QListWidgetItem* current = nullptr;
  for (const std::string& ancestor : files_.ancestorsOf(path_))
    current = add(ancestor, depth++, openIcon);
  for (const std::string& name : files_.listSubfolders(path_)) {
    add(files_.normalizeFolder(files_.joinPath(path_, name)), depth, closedIcon);
  }
  list_->setCurrentItem(current);
  if (current) list_->scrollToItem(current);
}

}  // namespace quorvane
