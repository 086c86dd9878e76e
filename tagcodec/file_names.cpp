#include "tagcodec/file_names.h"

#include "tagcodec/utf8.h"

namespace quorvane {

std::string nameFromBytes(std::string_view bytes) {
  if (utf8::isAscii(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + 8);
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    char32_t cp = 0;
    const std::size_t len = utf8::decodeOne(bytes, pos, cp);
    if (len == 0) {
      utf8::appendEscape(out, static_cast<std::uint8_t>(bytes[pos++]));
    } else if (utf8::isEscape(cp)) {
      // A name that really holds U+10FExx keeps its bytes as escapes; taken as the
      // character it would come back as one byte.
      for (std::size_t i = 0; i < len; ++i) {
        utf8::appendEscape(out, static_cast<std::uint8_t>(bytes[pos + i]));
      }
      pos += len;
    } else {
      out.append(bytes.substr(pos, len));
      pos += len;
    }
  }
  return out;
}

std::string nameToBytes(std::string_view text) {
  if (utf8::isAscii(text)) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp = 0;
    const std::size_t len = utf8::decodeOne(text, pos, cp);
    if (len == 0) {
      out += text[pos++];  // not UTF-8: already the bytes we want
    } else if (utf8::isEscape(cp)) {
      out += static_cast<char>(cp - utf8::kEscapeBase);
      pos += len;
    } else {
      out.append(text.substr(pos, len));
      pos += len;
    }
  }
  return out;
}

}  // namespace quorvane
