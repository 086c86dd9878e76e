#include "os/win32/wtf8.h"

#include "tagcodec/utf8.h"

namespace quorvane {
namespace {

bool isHigh(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLow(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The code point that starts at `pos`, and its length; 0 when the bytes are not WTF-8
// there. WTF-8 is UTF-8 that also holds a lone surrogate as its three-byte sequence
// (ED A0-BF 80-BF); a pair written as two such sequences is caught by the caller.
std::size_t decodeOne(std::string_view text, std::size_t pos, char32_t& cp) {
  if (const std::size_t length = utf8::decodeOne(text, pos, cp)) return length;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  if (pos + 3 > text.size() || byte(0) != 0xED || byte(1) < 0xA0 || byte(1) > 0xBF ||
      (byte(2) & 0xC0) != 0x80) {
    return 0;
  }
  cp = 0xD000 | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
  return 3;
}

}  // namespace

std::string textFromWide(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const char32_t unit = static_cast<char16_t>(wide[i]);
    if (isHigh(unit) && i + 1 < wide.size() && isLow(static_cast<char16_t>(wide[i + 1]))) {
      const char32_t low = static_cast<char16_t>(wide[++i]);
      utf8::append(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    } else {
      utf8::append(out, unit);  // a lone surrogate too
    }
  }
  return out;
}

std::wstring wideFromText(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  std::size_t pos = 0;
  char32_t previous = 0;
  while (pos < text.size()) {
    char32_t cp = 0;
    const std::size_t length = decodeOne(text, pos, cp);
    // A pair spelt as two surrogates would come back as one character: not WTF-8.
    if (length == 0 || (isLow(cp) && isHigh(previous))) {
      out += L'\xFFFD';
      pos += length == 0 ? 1 : length;
      previous = 0;
      continue;
    }
    if (cp >= 0x10000) {
      out += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<wchar_t>(cp);
    }
    previous = cp;
    pos += length;
  }
  return out;
}

}  // namespace quorvane
