#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tagcodec/file_state.h"
#include "tagcodec/tag_record.h"

namespace quorvane {

// One row of a sheet as `quorvane-tag list` prints it, read back for `apply`.
struct SheetRow {
  std::size_t line = 0;            // 1-based, in the input
  std::vector<std::string> cells;  // the sheet's ten: quoted cells unquoted
  // The eleventh cell, when the row has one: the file's state when it was listed.
  std::optional<FileState> listedState;

  // The cells joined by TAB, as FlexGrid::AddItem takes a row.
  std::string joined() const;
};

struct SheetText {
  std::vector<SheetRow> rows;
  std::vector<std::string> errors;  // "line N: ...", in line order
};

// Reads `input` and checks every row before anything may be written: text in `encoding`
// (see decodeSheetInput: "" reads UTF-8, or UTF-16 by its byte-order mark), ten cells or
// eleven (the last a fingerprint that `list` printed), state "1" or "2", a genre number from 0 to
// 255, a new name and a loaded name that are plain file names, each file loaded once. CRLF line
// ends and one trailing empty line are accepted. Input that does not decode gives that one error
// and no rows.
//
// `isPlainName` tells which names stay in FOLDER on the system the rows are applied to
// (FileService::isPlainName: on Windows no '\\' or ':' either); without it, names without
// '/' or NUL other than "." and "..".
using NameRule = std::function<bool(std::string_view name)>;
SheetText parseSheetText(std::string_view input, const std::string& encoding = {},
                         const NameRule& isPlainName = {});

// Appends `cell` to a row as `list` writes it. A cell that begins with '"' (or with U+FEFF,
// which would read as a byte-order mark at the start of the text) is written as spreadsheet
// programs write a cell holding a quote: between quotes, each of its quotes doubled.
// parseSheetText reads a cell that begins and ends with '"', with every quote between
// doubled, as such a quoted cell, and any other cell as it stands; so every cell written
// here reads back as it was, and so does a spreadsheet program's quoting.
void appendCell(std::string& row, std::string_view cell);

// The tag that Save writes for a row: title, artist, album, year and comment from its
// cells, the genre from its genre number (-1, which the writer refuses, when that is not
// 0 to 255).
Module1::TagRecord tagRecordOf(const SheetRow& row);

}  // namespace quorvane
