#include "tagcodec/tag_block.h"
#include "tagcodec/tag_file.h"

namespace Module1 {

bool ReadTag(const std::string& path, TagRecord& record, quorvane::FileService& files) {
  using namespace quorvane;
  FileFailure failure;
  // Not opened at all when it is no regular file: a FIFO named like an MP3 could block.
  const std::unique_ptr<OpenFile> file = files.openToRead(path, failure);
  if (!file || file->size() < static_cast<std::int64_t>(kTagSize)) return false;
  TagBlock block;
  if (!file->read(file->size() - static_cast<std::int64_t>(kTagSize), block)) return false;
  if (!hasTagMarker(block.data())) return false;
  parseTagBlock(block, record);
  return true;
}

}  // namespace Module1
