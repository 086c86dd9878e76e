#pragma once

#include <QComboBox>
#include <QListWidget>
#include <functional>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/file_service.h"
#include "ui/qt/focus_wheel_combo_box.h"
#include "ui/qt/qt_control.h"

namespace quorvane {

// The drive list: the roots of the mounted file systems a user works in, the one holding
// the process's current folder chosen at start. A pick of another drive by the user
// raises the change event; the list is read again whenever it opens.
class QtDriveList : public QtControl<DriveList> {
 public:
  QtDriveList(QtStage& stage, QWidget& parent, FileService& files);
  std::string Drive() const override { return drive_; }
  void showDrive(std::string_view drive) override;
  void setChangeHandler(std::function<void()> handler) override { onChange_ = std::move(handler); }
  QComboBox& comboBox() const { return *combo_; }

 private:
  QtDriveList(QtStage& stage, FocusWheelComboBox* combo, FileService& files);
  void fill(const std::vector<std::string>& drives);
  void picked(int index);

  FocusWheelComboBox* combo_;
  FileService& files_;
  std::string drive_;
  std::function<void()> onChange_;
};

// The folder list: the current folder's ancestors from the root down, then its
// sub-folders, each indented one step deeper than its parent. A double click or Enter
// on an entry opens that folder.
class QtFolderList : public QtControl<FolderList> {
 public:
  QtFolderList(QtStage& stage, QWidget& parent, FileService& files);
  std::string Path() const override { return path_; }
  bool setPath(std::string_view path) override;
  bool showPath(std::string_view path) override;
  void setChangeHandler(std::function<void()> handler) override { onChange_ = std::move(handler); }
  QListWidget& listWidget() const { return *list_; }

 private:
  QtFolderList(QtStage& stage, QListWidget* list, FileService& files);
  void fill();
  void open(const QListWidgetItem* item);

  QListWidget* list_;
  FileService& files_;
  std::string path_;
  std::function<void()> onChange_;
};

}  // namespace quorvane
