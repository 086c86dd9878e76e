#pragma once

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
// The tag Save writes for data row `row`: its text cells unchanged and untrimmed, the
// genre from colGenreNo (-1, which the writer refuses, when that is not 0 to 255).
Module1::TagRecord tagRecordOfRow(const SheetGrid& grid, int row);

// The other way: the current row (its state cell current) is marked as loaded again, in
// the grid's normal colours.
void markRowLoaded(SheetGrid& grid);

}  // namespace quorvane
