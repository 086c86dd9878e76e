#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls.h"
#include "platform/file_service.h"

namespace quorvane {

// The file list of every front end: it is never shown, so it needs no widget, only the
// folder's listing from the system. It starts at the process's current folder without
// reading it.
class FolderFileList : public FileList {
 public:
  explicit FolderFileList(FileService& files);
  std::string Path() const override { return path_; }
  void setPath(std::string_view path) override;
  void Refresh() override;
  int ListCount() const override { return static_cast<int>(names_.size()); }
  std::string List(int index) const override;
  std::span<const std::string> names() const override { return names_; }
  bool readOk() const override { return readOk_; }
  std::string readError() const override { return readError_; }
  void setPathChangeHandler(std::function<void()> handler) override {
    onPathChange_ = std::move(handler);
  }

  // Placement is kept for the form to read back; nothing is drawn.
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
  FileService& files_;
  std::string path_;
  std::vector<std::string> names_;
  bool readOk_ = true;
  std::string readError_;
  std::function<void()> onPathChange_;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = false;
};

}  // namespace quorvane
