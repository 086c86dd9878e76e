#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sheet/row_cells.h"
#include "tagcodec/file_state.h"
#include "tagcodec/tag_record.h"

namespace quorvane {

// One row of a sheet as `quorvane-tag list` prints it, read back for `apply`.
struct SheetRow {
  std::size_t line = 0;            // 1-based, in the input
  std::vector<std::string> cells;  // the sheet's ten: quoted cells unquoted
  // The eleventh cell, when the row has one: the file's state when it was listed.
  std::optional<FileState> listedState;
  // The tag cells (colTitle to colComment) whose TAB, CR or LF became a space.
  std::vector<int> spacedColumns;

  // The cells joined by TAB, as FlexGrid::AddItem takes a row.
  std::string joined() const;
};

struct SheetText {
  std::vector<SheetRow> rows;
  std::vector<std::string> errors;  // "line N: ...", in line order
  bool commaSeparated = false;      // how the rows were read
};

// How cells are separated: Detect takes comma-separated text for what it is (its first row
// splits into 10 or 11 cells at commas, and not at TABs), else TAB.
enum class SheetFormat { Detect, Tabs, Commas };

// Reads `input` and checks every row before anything may be written: text in `encoding`
// (see decodeSheetInput: "" reads UTF-8, or UTF-16 by its byte-order mark), ten cells or
// eleven (the last a fingerprint that `list` printed), state "1" or "2", a genre number from 0 to
// 255, a new name and a loaded name that are plain file names, each file loaded once. Cells
// are read as spreadsheet programs write them (see SheetRecordReader): a quoted cell may hold
// separators and line ends. A TAB, CR or LF in any cell but the names becomes a space (see
// SheetRow::spacedColumns); in a name it is an error. CRLF line ends and one trailing empty
// line are accepted. Errors name the line where their row begins. Input that does not decode
// gives that one error and no rows; a quote that is never closed in a row of the wrong size
// ends the reading with that error.
//
// `isPlainName` tells which names stay in FOLDER on the system the rows are applied to
// (FileService::isPlainName: on Windows no '\\' or ':' either); without it, names without
// '/' or NUL other than "." and "..".
using NameRule = std::function<bool(std::string_view name)>;
SheetText parseSheetText(std::string_view input, const std::string& encoding = {},
                         const NameRule& isPlainName = {},
                         SheetFormat format = SheetFormat::Detect);

// Appends `cell` to a row as `list` writes it, for cells separated by `separator` (TAB or
// comma). A cell that begins with '"' (or with U+FEFF, which would read as a byte-order mark
// at the start of the text), or holds the separator, CR or LF, is written as spreadsheet
// programs write it: between quotes, each of its quotes doubled; with commas, so is every
// cell that holds a quote. parseSheetText reads every cell written here back as it was.
void appendCell(std::string& row, std::string_view cell, char separator = '\t');

// The tag that Save writes for a row: title, artist, album, year and comment from its
// cells, the genre from its genre number (-1, which the writer refuses, when that is not
// 0 to 255).
Module1::TagRecord tagRecordOf(const SheetRow& row);

// Appends the first `count` cells of `cells`, each as appendCell writes it, separated by
// `separator`: what list prints of a row, in one pass over the row's text where no cell
// needs quoting.
void appendRow(std::string& out, const RowCells& cells, int count, char separator = '\t');

}  // namespace quorvane
