#pragma once

#include <memory>
#include <mutex>

#include "platform/file_service.h"

namespace quorvane {
namespace fs {
struct Mp3Listing;
}

// Files and folders on Linux: paths are bytes, held as UTF-8 text by the rule of
// file_names.h. Drives are the roots of the mounted file systems a user works in.
// A rename whose new name may be the file itself (the same name in other letter case, or
// the same inode) goes through a name of its own, "NEW.quorvane-rename"; it succeeds only
// when the folder then holds exactly the new name, so a file system that keeps a letter case
// of its own fails it (the file keeps a name that finds it, in that case).
class PosixFileService : public FileService {
 public:
  PosixFileService();
  ~PosixFileService() override;
  PosixFileService(const PosixFileService&) = delete;
  PosixFileService& operator=(const PosixFileService&) = delete;

  // Starts reading `folder` (normalized, as the folder list holds it) on a thread of its
  // own: the next listMp3Files and listSubfolders of exactly that folder each take their
  // part of that one read instead of reading the folder again. The window starts it before
  // its toolkit, which then starts while the folder is read.
  void listAhead(std::string folder);
  // Drops what listAhead read and no one took, so that every later listing reads the
  // folder as it is then.
  void dropListingAhead();

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

 private:
  struct Ahead;
  // Moves listAhead's MP3 files or sub-folders of `folder` into `mp3` or `subfolders`
  // (the one not null), waiting for the read to end; false when there are none to take.
  bool takeAhead(std::string_view folder, fs::Mp3Listing* mp3,
                 std::vector<std::string>* subfolders);

  std::mutex aheadLock_;
  std::unique_ptr<Ahead> ahead_;
};

}  // namespace quorvane
