#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// One way of converting a code page, behind CodePage: tables built in, or iconv. CodePage
// keeps the rules around these calls (the ASCII shortcut, escapes, a lone lead byte before
// a character with two codes), so that every converter follows them the same way.
class CodeConverter {
 public:
  virtual ~CodeConverter() = default;

  // True when the bytes 0x01-0x7F and the characters U+0001-U+007F map to each other.
  virtual bool asciiCompatible() const = 0;
  // What a character the code page cannot hold becomes: the code of '?'.
  virtual const std::string& question() const = 0;
  // Appends the UTF-8 text of all of `bytes` to `out`; a byte that does not decode becomes
  // its escape character and decoding goes on at the next byte.
  virtual void decode(std::string_view bytes, std::string& out) const = 0;
  // Appends the bytes of `run`, well-formed UTF-8, to `out`; a character the code page
  // cannot hold becomes question().
  virtual void encodeRun(std::string_view run, std::string& out) const = 0;
  // True when the byte `lead` followed by the first byte of `code` decode together, both
  // bytes without an error, so that `lead` would not read back alone.
  virtual bool joins(int lead, std::string_view code) const = 0;
  // The other codes (not the one encodeRun gives) of a character held more than once, in
  // byte order. `character` is one character in UTF-8.
  virtual const std::vector<std::string>& duplicateCodes(std::string_view character) const = 0;
};

}  // namespace quorvane
