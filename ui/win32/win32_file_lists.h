#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/file_service.h"
#include "ui/win32/win32_control.h"

namespace quorvane {

// The drive list: a drop-down list of the drive letters, read again whenever it drops down.
// Drive() names the current drive as Windows does for its own current folder ("C:"), so
// that the folder list opens that drive's current folder. A pick of another drive by the
// user raises the change event; like the genre list, it turns with the wheel only while it
// has the focus.
class Win32DriveList : public Win32DropDown<DriveList> {
 public:
  Win32DriveList(Win32Stage& stage, FileService& files);
  std::string Drive() const override;
  void showDrive(std::string_view drive) override;
  void setChangeHandler(std::function<void()> handler) override { onChange_ = std::move(handler); }
  // The folder list shows `folder`: the drive that holds it is the current one, without
  // the change event.
  void followFolder(std::string_view folder);
  void onCommand(WORD code) override;

 protected:
  bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void fill(const std::vector<std::string>& drives);
  void picked();

  FileService& files_;
  std::string drive_;  // the drive's root, as listed: "C:\"
  std::function<void()> onChange_;
};

// The folder list: the current folder's ancestors from its drive's root down, then its
// sub-folders, each indented one step deeper than its parent. A double click or Enter on
// an entry opens that folder. Each drive keeps its own current folder: a bare drive ("D:")
// opens the folder last shown on it, or the one Windows keeps for it.
class Win32FolderList : public Win32Control<FolderList> {
 public:
  Win32FolderList(Win32Stage& stage, FileService& files);
  ~Win32FolderList() override;
  std::string Path() const override { return path_; }
  bool setPath(std::string_view path) override;
  bool showPath(std::string_view path) override;
  void setChangeHandler(std::function<void()> handler) override { onChange_ = std::move(handler); }
  // Told of every folder the list shows, for the drive list to follow.
  void setShownHandler(std::function<void(const std::string&)> handler) {
    onShown_ = std::move(handler);
  }
  void onCommand(WORD code) override;
  bool onDrawItem(const DRAWITEMSTRUCT& item) override;
  void rescale() override;

 protected:
  bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  struct Entry {
    std::string path;
    std::wstring name;
    int depth;
    bool open;  // an ancestor of the current folder, or the folder itself
  };
  std::string resolve(std::string_view path);
  void fill();
  void open(int index);

  FileService& files_;
  std::string path_;
  std::vector<Entry> entries_;
  std::map<wchar_t, std::string> driveFolders_;  // by upper-case drive letter
  std::function<void()> onChange_;
  std::function<void(const std::string&)> onShown_;
  HICON openIcon_ = nullptr;
  HICON closedIcon_ = nullptr;
};

}  // namespace quorvane
