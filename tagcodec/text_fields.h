#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quorvane {
class CodePage;
}

namespace Module1 {

// The text of one fixed-width tag field: the bytes up to the first zero byte (or all of
// them), decoded from the tag code page. Trailing spaces are kept.
std::string BytesToText(std::span<const std::uint8_t> field);
// The same text in `page` (the tag code page, looked up once by a reader of many fields),
// appended to `out`, for a reader that builds many fields in one buffer.
void AppendFieldText(std::span<const std::uint8_t> field, std::string& out,
                     const quorvane::CodePage& page);

// Fills every byte of `field`: the text encoded in the tag code page, cut at the field's
// width in bytes (a double-byte character that straddles the end keeps its lead byte
// only), then space bytes (0x20) up to the width. No terminating zero is written.
void TextToBytes(std::span<std::uint8_t> field, std::string_view text);

}  // namespace Module1
