#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// The input of `apply` as UTF-8 text, without its byte-order mark.
struct DecodedInput {
  std::string text;
  // "" when every byte decoded; otherwise one message naming the first line that did not
  // and suggesting --encoding. The text is then incomplete.
  std::string error;
};

// With `encoding` empty, the input is UTF-8 (with or without a byte-order mark), or UTF-16
// little- or big-endian when it starts with that byte-order mark. Otherwise it is converted
// from the iconv encoding `encoding`; a byte-order mark at the start is dropped either way.
// Bytes that do not decode, and zero characters (UTF-16 read as UTF-8 is full of them),
// are an error: unlike a tag field, this text is the user's own and must not be guessed at.
DecodedInput decodeSheetInput(std::string_view bytes, const std::string& encoding);

// True when iconv converts from `encoding` to UTF-8.
bool knownEncoding(const std::string& encoding);

}  // namespace quorvane
