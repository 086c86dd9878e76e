#include "cli/field_cuts.h"

#include "sheet/sheet_columns.h"
#include "tagcodec/code_page.h"
#include "tagcodec/tag_block.h"

namespace quorvane {
namespace {

struct FieldColumn {
  int column;
  const char* name;
  std::size_t width;
};

constexpr FieldColumn kFieldColumns[] = {
    {colTitle, "title", kTitleField.width},       {colArtist, "artist", kArtistField.width},
    {colAlbum, "album", kAlbumField.width},       {colYear, "year", kYearField.width},
    {colComment, "comment", kCommentField.width},
};

}  // namespace

const char* fieldName(int column) {
  for (const FieldColumn& field : kFieldColumns) {
    if (field.column == column) return field.name;
  }
  return "";
}

std::vector<FieldCut> fieldCuts(const SheetRow& row) {
  std::vector<FieldCut> cuts;
  const CodePage& page = tagCodePage();
  for (const FieldColumn& field : kFieldColumns) {
    const std::string& text = row.cells[static_cast<std::size_t>(field.column)];
    // One conversion settles most cells; the counter, which goes character by character,
    // only for those that do not fit.
    if (page.encode(text).size() <= field.width) continue;
    cuts.push_back({field.column, countFieldBytes(text, field.width)});
  }
  return cuts;
}

std::string describeCut(std::size_t line, const FieldCut& cut) {
  std::string text = "line " + std::to_string(line) + ", cell " + std::to_string(cut.column + 1) +
                     " (" + fieldName(cut.column) + "): " + std::to_string(cut.count.bytes) +
                     " bytes in " + tagCodePage().name() + ", cut to " +
                     std::to_string(cut.count.width);
  if (cut.count.splitsCharacter) {
    text += " inside a double-byte character (its first byte is kept)";
  }
  return text;
}

}  // namespace quorvane
