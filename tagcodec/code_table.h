#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quorvane {

// The complete mapping of a double-byte code page as glibc's iconv has it, written out by
// tagcodec/tools/make_code_table.cpp. A byte decodes alone, starts a pair, or never decodes;
// a pair decodes to one character or not at all; every decoded character is in the Basic
// Multilingual Plane. Encoding is decoding turned round (see bmpCodes) except for the
// overrides: the code iconv prefers for a character held twice, characters that only
// encode, and characters that encode to nothing.
struct CodeTable {
  // Values in `single` and `pairs` that are not characters.
  static constexpr char16_t kLeadByte = 0xFFFE;     // decodes only with a trail byte
  static constexpr char16_t kNoCharacter = 0xFFFF;  // does not decode
  // Codes that are not bytes. Any other code below 0x100 is one byte, the rest two bytes
  // (high byte first).
  static constexpr std::uint16_t kEmptyCode = 0xFFFE;  // iconv writes nothing for it
  static constexpr std::uint16_t kNoCode = 0xFFFF;     // the code page cannot hold it

  struct Override {
    char32_t cp;
    std::uint16_t code;
  };

  std::span<const char16_t, 256> single;
  // One plus the lead byte's row in `pairs`, or 0 for a byte that is not a lead byte.
  std::span<const std::uint8_t, 256> leadRow;
  // Rows of lastTrail - firstTrail + 1 characters; trails outside never decode.
  std::span<const char16_t> pairs;
  std::uint8_t firstTrail;
  std::uint8_t lastTrail;
  std::span<const Override> overrides;  // sorted by code point

  char16_t pair(std::uint8_t lead, std::uint8_t trail) const {
    const int row = leadRow[lead] - 1;
    if (row < 0 || trail < firstTrail || trail > lastTrail) return kNoCharacter;
    const std::size_t width = lastTrail - firstTrail + 1u;
    return pairs[static_cast<std::size_t>(row) * width + (trail - firstTrail)];
  }
};

// The code of every code point up to U+FFFF: the one byte or pair that decodes to it (the
// first one, single bytes before pairs, when several do), then the table's overrides.
std::vector<std::uint16_t> bmpCodes(const CodeTable& table);

// CP932 as glibc's iconv converts it (tagcodec/cp932_table.cpp).
extern const CodeTable kCp932Table;

}  // namespace quorvane
