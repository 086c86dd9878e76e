#include "platform/posix/folder_file_list.h"

#include "platform/posix/file_system.h"
#include "tagcodec/posix_file.h"

namespace quorvane {

FolderFileList::FolderFileList() : path_(fs::currentFolder()) {}

void FolderFileList::setPath(std::string_view path) {
  path_ = path;
  Refresh();
  if (onPathChange_) onPathChange_();
}

void FolderFileList::Refresh() {
  fs::Mp3Listing listing = fs::listMp3Files(path_);
  names_ = std::move(listing.names);
  readOk_ = listing.ok;
  readError_ = listing.ok ? std::string() : describeError(listing.error);
}

std::string FolderFileList::List(int index) const {
  if (index < 0 || index >= ListCount()) return {};
  return names_[static_cast<std::size_t>(index)];
}

}  // namespace quorvane
