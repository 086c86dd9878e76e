#pragma once

#include "platform/file_service.h"

namespace quorvane {

// Files and folders on Windows: wide paths throughout, held as WTF-8 text (wtf8.h). Drives
// are the drive letters, each with its own current folder, as Windows keeps them. Links
// (reparse points), folders and devices are no files to hold a tag; a file with the
// read-only attribute is never written.
class Win32FileService : public FileService {
 public:
  std::unique_ptr<OpenFile> openToRead(const std::string& path, FileFailure& failure) override;
  std::unique_ptr<OpenFile> openToWrite(const std::string& path, FileFailure& failure) override;
  bool renameNoReplace(const std::string& from, const std::string& to,
                       FileFailure& failure) override;
  bool flushFolder(const std::string& folder, FileFailure& failure) override;
  std::string joinPath(std::string_view folder, std::string_view name) const override;
  bool isSeparator(char c) const override { return c == '\\' || c == '/'; }
  bool isPlainName(std::string_view name) const override {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("\\/:\0", 4)) == std::string_view::npos;
  }
  std::unique_ptr<FolderReader> readFolder(std::string_view) override { return nullptr; }
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

// The system's description of error `code` (GetLastError), in the user's language.
std::string describeWindowsError(unsigned long code);

}  // namespace quorvane
