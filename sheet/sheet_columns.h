#pragma once

#include <charconv>
#include <cstdint>
#include <string_view>

#include "sheet/sheet_grid.h"
#include "tagcodec/tag_record.h"

namespace quorvane {

// The ten cells of a sheet row; 7 to 9 are hidden bookkeeping.
enum SheetColumn : int {
  colFileName = 0,  // the name the user wants; an edit renames the file at save
  colTitle = 1,
  colArtist = 2,
  colAlbum = 3,
  colYear = 4,
  colComment = 5,
  colGenre = 6,     // the genre's name, from the number in colGenreNo
  colOrigName = 7,  // the name the file was loaded under; never edited
  colState = 8,     // kStateLoaded or kStateChanged
  colGenreNo = 9,   // 0 to 255 as decimal text
};

inline constexpr int kSheetCols = 10;
inline constexpr int kLastEditableCol = colGenre;

struct ColumnDesign {
  const char* header;
  int widthPixels;  // 0 hides the column
};

inline constexpr ColumnDesign kSheetColumns[kSheetCols] = {
    {"ファイル名称", 140},
    {"曲タイトル", 140},
    {"アーティスト", 140},
    {"アルバム", 140},
    {"年号", 40},
    {"コメント", 160},
    {"ジャンル", 110},
    {"", 0},
    {"", 0},
    {"", 0},
};

inline constexpr const char* kStateLoaded = "1";
inline constexpr const char* kStateChanged = "2";
inline constexpr Colour kChangedBackColor = 0xFF0000;  // blue
inline constexpr Colour kChangedForeColor = 0xFFFFFF;  // white

// Marks the current row changed the first time it changes ("1" becomes "2"), colouring
// its seven visible cells in one paint. The current cell is the row's state cell on entry;
// column 6 is current afterwards when the row was marked.
void markRowChanged(SheetGrid& grid);
// The genre number a colGenreNo cell holds: 0 to 255, else -1, which the writer refuses.
inline std::int16_t genreOfCell(std::string_view text) {
  int value = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  const bool valid =
      error == std::errc() && end == text.data() + text.size() && value >= 0 && value <= 255;
  return static_cast<std::int16_t>(valid ? value : -1);
}

// The tag Save writes from a row's cells, whatever holds them (`cell(col)` gives each
// column's text): the text cells unchanged and untrimmed, the genre from colGenreNo.
template <class Cell>
Module1::TagRecord tagRecordOfCells(const Cell& cell) {
  Module1::TagRecord record;
  record.Title = cell(colTitle);
  record.Artist = cell(colArtist);
  record.Album = cell(colAlbum);
  record.Year = cell(colYear);
  record.Comment = cell(colComment);
  record.Genre = genreOfCell(cell(colGenreNo));
  return record;
}

// The tag Save writes for data row `row` of the sheet.
Module1::TagRecord tagRecordOfRow(const SheetGrid& grid, int row);

// The other way: the current row (its state cell current) is marked as loaded again, in
// the grid's normal colours.
void markRowLoaded(SheetGrid& grid);

}  // namespace quorvane
