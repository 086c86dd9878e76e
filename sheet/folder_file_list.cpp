#include "sheet/folder_file_list.h"

namespace quorvane {

FolderFileList::FolderFileList(FileService& files) : files_(files), path_(files.currentFolder()) {}

void FolderFileList::setPath(std::string_view path) {
  path_ = path;
  Refresh();
  if (onPathChange_) onPathChange_();
}

void FolderFileList::Refresh() {
  FolderListing listing = files_.listMp3Files(path_);
  names_ = std::move(listing.names);
  readOk_ = listing.ok;
  readError_ = std::move(listing.error);
}

std::string FolderFileList::List(int index) const {
  if (index < 0 || index >= ListCount()) return {};
  return names_[static_cast<std::size_t>(index)];
}

}  // namespace quorvane
