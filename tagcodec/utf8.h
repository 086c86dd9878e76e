#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace quorvane::utf8 {

// Code points U+10FE00 + b stand for a byte b that did not decode; encoding turns them
// back into that byte, so text made from bytes always gives the same bytes back.
inline constexpr char32_t kEscapeBase = 0x10FE00;

inline bool isEscape(char32_t cp) { return cp >= kEscapeBase && cp <= kEscapeBase + 0xFF; }

// Reads one well-formed UTF-8 sequence at text[pos] (no overlongs, no surrogates, nothing
// above U+10FFFF). Returns its length and stores the code point, or returns 0 when the
// bytes there are not a well-formed sequence. Inline, as every character of every tag field
// passes through it.
inline std::size_t decodeOne(std::string_view text, std::size_t pos, char32_t& cp) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const std::size_t left = text.size() - pos;
  const unsigned char b0 = at(0);
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  std::size_t len;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2, cp = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3, cp = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (left < len) return 0;
  for (std::size_t i = 1; i < len; ++i) {
    if ((at(i) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (at(i) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

// Writes `cp`, at most U+10FFFF, as UTF-8 at `p` (room for four bytes) and returns the
// end. Inline for the decoders' loops, which write into a buffer of their own.
inline char* put(char* p, char32_t cp) {
  if (cp < 0x80) {
    *p++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *p++ = static_cast<char>(0xC0 | (cp >> 6));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *p++ = static_cast<char>(0xE0 | (cp >> 12));
    *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *p++ = static_cast<char>(0xF0 | (cp >> 18));
    *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return p;
}

inline void append(std::string& out, char32_t cp) {
  char bytes[4];
  out.append(bytes, put(bytes, cp));
}

inline void appendEscape(std::string& out, std::uint8_t byte) { append(out, kEscapeBase + byte); }

// Eight bytes at a time: every tag field and file name of a folder passes through here.
inline bool isAscii(std::string_view bytes) {
  std::size_t at = 0;
  std::uint64_t high = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + at, 8);
    high |= word;
  }
  for (; at < bytes.size(); ++at) high |= static_cast<unsigned char>(bytes[at]);
  return (high & 0x8080808080808080ULL) == 0;
}

// Whether `bytes` holds a byte below 0x20 (a control character: TAB, CR, LF, ...).
inline bool holdsControl(std::string_view bytes) {
  std::size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + at, 8);
    if (((word - 0x2020202020202020ULL) & ~word & 0x8080808080808080ULL) != 0) return true;
  }
  for (; at < bytes.size(); ++at) {
    if (static_cast<unsigned char>(bytes[at]) < 0x20) return true;
  }
  return false;
}

}  // namespace quorvane::utf8
