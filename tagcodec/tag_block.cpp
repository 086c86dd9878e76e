#include "tagcodec/tag_block.h"

#include "tagcodec/text_fields.h"

namespace quorvane {
namespace {

std::span<const std::uint8_t> field(const TagBlock& block, FieldSpan f) {
  return std::span<const std::uint8_t>(block).subspan(f.offset, f.width);
}

std::span<std::uint8_t> field(TagBlock& block, FieldSpan f) {
  return std::span<std::uint8_t>(block).subspan(f.offset, f.width);
}

}  // namespace

bool hasTagMarker(const std::uint8_t* firstThree) {
  return firstThree[0] == 'T' && firstThree[1] == 'A' && firstThree[2] == 'G';
}

void parseTagBlock(const TagBlock& block, Module1::TagRecord& record) {
  record.Title = Module1::BytesToText(field(block, kTitleField));
  record.Artist = Module1::BytesToText(field(block, kArtistField));
  record.Album = Module1::BytesToText(field(block, kAlbumField));
  record.Year = Module1::BytesToText(field(block, kYearField));
  record.Comment = Module1::BytesToText(field(block, kCommentField));
  record.Genre = block[kGenreOffset];
}

TagBlock renderTagBlock(const Module1::TagRecord& record) {
  TagBlock block{};
  // The marker is bytes, whatever the code page makes of the letters.
  block[0] = 'T', block[1] = 'A', block[2] = 'G';
  Module1::TextToBytes(field(block, kTitleField), record.Title);
  Module1::TextToBytes(field(block, kArtistField), record.Artist);
  Module1::TextToBytes(field(block, kAlbumField), record.Album);
  Module1::TextToBytes(field(block, kYearField), record.Year);
  Module1::TextToBytes(field(block, kCommentField), record.Comment);
  block[kGenreOffset] = static_cast<std::uint8_t>(record.Genre);
  return block;
}

}  // namespace quorvane
