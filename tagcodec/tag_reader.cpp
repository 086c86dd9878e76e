#include <fcntl.h>
#include <sys/stat.h>

#include "tagcodec/posix_file.h"
#include "tagcodec/tag_block.h"
#include "tagcodec/tag_file.h"

namespace Module1 {

bool ReadTag(const std::string& path, TagRecord& record) {
  using namespace quorvane;
  UniqueFd file = openPath(path, O_RDONLY);
  if (!file.valid()) return false;
  struct stat info {};
  // A FIFO or device named like an MP3 has no tag to read; reading it could block.
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (info.st_size < static_cast<off_t>(kTagSize)) return false;
  TagBlock block;
  if (!readFully(file.get(), block.data(), block.size(), info.st_size - kTagSize)) return false;
  if (!hasTagMarker(block.data())) return false;
  parseTagBlock(block, record);
  return true;
}

}  // namespace Module1
