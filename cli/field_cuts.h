#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "cli/sheet_text.h"
#include "tagcodec/field_bytes.h"

namespace quorvane {

// A cell longer than its tag field once encoded in the tag code page: Save keeps the
// field's first `count.width` bytes.
struct FieldCut {
  int column;  // colTitle, colArtist, colAlbum, colYear or colComment
  FieldByteCount count;
};

// "title", "artist", "album", "year" or "comment" for the tag cells; "" for the others.
const char* fieldName(int column);

// The cells of `row` that Save cuts, in column order.
std::vector<FieldCut> fieldCuts(const SheetRow& row);

// "line 3, cell 2 (title): 34 bytes in CP932, cut to 30", and when the cut falls inside a
// double-byte character, what becomes of it.
std::string describeCut(std::size_t line, const FieldCut& cut);

}  // namespace quorvane
