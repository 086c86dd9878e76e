#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane {

// How a text fits a tag field of `width` bytes once it is encoded in the tag code page.
struct FieldByteCount {
  std::size_t bytes = 0;
  std::size_t width = 0;
  bool splitsCharacter = false;  // the cut at `width` falls inside a character

  bool tooLong() const { return bytes > width; }
};

FieldByteCount countFieldBytes(std::string_view text, std::size_t width);

// "34/30 バイト"
std::string formatByteCount(const FieldByteCount& count);

}  // namespace quorvane
