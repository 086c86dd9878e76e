#pragma once

#include <array>
#include <cstdint>

#include "tagcodec/tag_record.h"

namespace quorvane {

// The 128-byte ID3 version 1 block that ends a tagged file. parseTagBlock and
// renderTagBlock mirror each other; neither touches a file.
inline constexpr std::size_t kTagSize = 128;
using TagBlock = std::array<std::uint8_t, kTagSize>;

struct FieldSpan {
  std::size_t offset;
  std::size_t width;
};
inline constexpr FieldSpan kMarkerField{0, 3};
inline constexpr FieldSpan kTitleField{3, 30};
inline constexpr FieldSpan kArtistField{33, 30};
inline constexpr FieldSpan kAlbumField{63, 30};
inline constexpr FieldSpan kYearField{93, 4};
inline constexpr FieldSpan kCommentField{97, 30};
inline constexpr std::size_t kGenreOffset = 127;

// True when the block starts with the bytes "TAG" (letter case matters).
bool hasTagMarker(const std::uint8_t* firstThree);

void parseTagBlock(const TagBlock& block, Module1::TagRecord& record);
TagBlock renderTagBlock(const Module1::TagRecord& record);

}  // namespace quorvane
