#pragma once

#include <cstdint>
#include <string>

namespace Module1 {

// One ID3 version 1 tag in memory. Text is UTF-8; Genre holds 0 to 255.
struct TagRecord {
  std::string Title;
  std::string Artist;
  std::string Album;
  std::string Year;
  std::string Comment;
  std::int16_t Genre = 0;

  bool operator==(const TagRecord&) const = default;
};

}  // namespace Module1
