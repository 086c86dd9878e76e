#include "tagcodec/field_bytes.h"

#include "tagcodec/code_page.h"
#include "tagcodec/utf8.h"

namespace quorvane {

FieldByteCount countFieldBytes(std::string_view text, std::size_t width) {
  FieldByteCount count;
  count.width = width;
  const CodePage& page = tagCodePage();
  // Character by character, so that the character the cut falls into is known.
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp = 0;
    std::size_t len = utf8::decodeOne(text, pos, cp);
    if (len == 0) len = 1;
    const std::size_t bytes = page.encode(text.substr(pos, len)).size();
    if (count.bytes < width && count.bytes + bytes > width) count.splitsCharacter = true;
    count.bytes += bytes;
    pos += len;
  }
  return count;
}

std::string formatByteCount(const FieldByteCount& count) {
  return std::to_string(count.bytes) + "/" + std::to_string(count.width) + " バイト";
}

}  // namespace quorvane
