#include "os/posix/file_names.h"

#include "tagcodec/utf8.h"

namespace quorvane {

bool isOwnText(std::string_view bytes) {
  // Well-formed UTF-8 without an escape character.
  std::size_t checked = 0;
  while (checked < bytes.size()) {
    if (static_cast<unsigned char>(bytes[checked]) < 0x80) {
      ++checked;
      continue;
    }
    char32_t cp = 0;
    const std::size_t len = utf8::decodeOne(bytes, checked, cp);
    if (len == 0 || utf8::isEscape(cp)) break;
    checked += len;
  }
  return checked == bytes.size();
}

std::string nameFromBytes(std::string_view bytes) {
  // Most names are well-formed UTF-8 without escape characters: their text is their bytes.
  if (isOwnText(bytes)) return std::string(bytes);
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
  // Escapes are the only sequences whose bytes differ from the text's; each starts
  // with 0xF4, which plain names seldom hold.
  std::size_t pos = text.find('\xF4');
  if (pos == std::string_view::npos) return std::string(text);
  std::string out(text.substr(0, pos));
  while (pos < text.size()) {
    char32_t cp = 0;
    const std::size_t len = text[pos] == '\xF4' ? utf8::decodeOne(text, pos, cp) : 0;
    if (len != 0 && utf8::isEscape(cp) && cp >= utf8::kEscapeBase + 0x80) {
      out += static_cast<char>(cp - utf8::kEscapeBase);
      pos += len;
    } else {
      out += text[pos++];  // anything else is already the bytes we want
    }
  }
  return out;
}

}  // namespace quorvane
