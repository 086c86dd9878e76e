#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvane::utf8 {

// Code points U+10FE00 + b stand for a byte b that did not decode; encoding turns them
// back into that byte, so text made from bytes always gives the same bytes back.
inline constexpr char32_t kEscapeBase = 0x10FE00;

inline bool isEscape(char32_t cp) { return cp >= kEscapeBase && cp <= kEscapeBase + 0xFF; }

// Reads one well-formed UTF-8 sequence at text[pos] (no overlongs, no surrogates, nothing
// above U+10FFFF). Returns its length and stores the code point, or returns 0 when the
// bytes there are not a well-formed sequence.
std::size_t decodeOne(std::string_view text, std::size_t pos, char32_t& cp);

void append(std::string& out, char32_t cp);

inline void appendEscape(std::string& out, std::uint8_t byte) { append(out, kEscapeBase + byte); }

inline bool isAscii(std::string_view bytes) {
  for (unsigned char c : bytes) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace quorvane::utf8
