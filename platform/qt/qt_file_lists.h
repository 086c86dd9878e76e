#pragma once

#include <QComboBox>
#include <QListWidget>
#include <functional>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/qt/qt_control.h"

namespace quorvane {

// The drive list: the roots of the mounted file systems a user works in, the one holding
// the process's current folder chosen at start. A pick of another drive by the user
// raises the change event; the list is read again whenever it opens.
class QtDriveList : public QtControl<DriveList> {
 public:
  QtDriveList(QtStage& stage, QWidget& parent);
  std::string Drive() const override { return drive_; }
  void setChangeHandler(std::function<void()> handler) override { onChange_ = std::move(handler); }
  QComboBox& comboBox() const { return *combo_; }

 private:
  explicit QtDriveList(QtStage& stage, QComboBox* combo);
  void fill(const std::vector<std::string>& drives);
  void picked(int index);

  QComboBox* combo_;
  std::string drive_;
  std::function<void()> onChange_;
};

// The folder list: the current folder's ancestors from the root down, then its
// sub-folders, each indented one step deeper than its parent. A double click or Enter
// on an entry opens that folder.
class QtFolderList : public QtControl<FolderList> {
 public:
  QtFolderList(QtStage& stage, QWidget& parent);
  std::string Path() const override { return path_; }
  bool setPath(std::string_view path) override;
  void setChangeHandler(std::function<void()> handler) override { onChange_ = std::move(handler); }
  QListWidget& listWidget() const { return *list_; }

 private:
  explicit QtFolderList(QtStage& stage, QListWidget* list);
  void fill();
  void open(const QListWidgetItem* item);

  QListWidget* list_;
  std::string path_;
  std::function<void()> onChange_;
};

// The hidden list of the current folder's MP3 files. It has no widget: it is never shown.
class QtFileList : public FileList {
 public:
  QtFileList();
  std::string Path() const override { return path_; }
  void setPath(std::string_view path) override;
  void Refresh() override;
  int ListCount() const override { return static_cast<int>(names_.size()); }
  std::string List(int index) const override;
  bool readOk() const override { return readOk_; }
  void setPathChangeHandler(std::function<void()> handler) override {
    onPathChange_ = std::move(handler);
  }

  float Left() const override { return left_; }
  void setLeft(float v) override { left_ = v; }
  float Top() const override { return top_; }
  void setTop(float v) override { top_ = v; }
  float Width() const override { return width_; }
  void setWidth(float v) override { width_ = v; }
  float Height() const override { return height_; }
  void setHeight(float v) override { height_ = v; }
  bool Visible() const override { return visible_; }
  void setVisible(bool v) override { visible_ = v; }
  void ZOrder() override {}
  void SetFocus() override {}
  void setToolTipText(std::string_view) override {}
  void setTabIndex(int) override {}

 private:
  std::string path_;
  std::vector<std::string> names_;
  bool readOk_ = true;
  std::function<void()> onPathChange_;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = false;
};

}  // namespace quorvane
