#pragma once

#include "platform/file_service.h"

namespace quorvane {

// Files and folders on Linux: paths are bytes, held as UTF-8 text by the rule of
// file_names.h. Drives are the roots of the mounted file systems a user works in.
// A rename whose new name may be the file itself (the same name in other letter case, or
// the same inode) goes through a name of its own, "NEW.quorvane-rename"; it succeeds only
// when the folder then holds exactly the new name, so a file system that keeps a letter case
// of its own fails it (the file keeps a name that finds it, in that case).
class PosixFileService : public FileService {
 public:
  std::unique_ptr<OpenFile> openToRead(const std::string& path, FileFailure& failure) override;
  std::unique_ptr<OpenFile> openToWrite(const std::string& path, FileFailure& failure) override;
  bool renameNoReplace(const std::string& from, const std::string& to,
                       FileFailure& failure) override;
  bool flushFolder(const std::string& folder, FileFailure& failure) override;
  std::string joinPath(std::string_view folder, std::string_view name) const override;
  bool isSeparator(char c) const override { return c == '/'; }
  bool isPlainName(std::string_view name) const override {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
  }
  // Opens each file relative to the folder, once opened: no path built, no lookup of the
  // folder's own path for every file.
  std::unique_ptr<FolderReader> readFolder(std::string_view folder) override;
  FolderListing listMp3Files(std::string_view folder) override;
  std::vector<std::string> listSubfolders(std::string_view folder) override;
  std::vector<std::string> listDrives() override;
  std::string driveOf(const std::vector<std::string>& drives, std::string_view folder) override;
  std::string normalizeFolder(std::string_view path) override;
  std::vector<std::string> ancestorsOf(std::string_view folder) override;
  std::string folderName(std::string_view folder) override;
  bool isFolder(std::string_view path) override;
  std::string currentFolder() override;
};

}  // namespace quorvane
