#include "tagcodec/file_ends.h"
#include "tagcodec/tag_block.h"
#include "tagcodec/tag_file.h"

namespace Module1 {

bool ReadTag(const std::string& path, TagRecord& record, quorvane::FileService& files) {
  const quorvane::FileEnd end = quorvane::readFileEnd(path, files);
  if (!end.hasTag()) return false;
  quorvane::parseTagBlock(end.tail, record);
  return true;
}

}  // namespace Module1
