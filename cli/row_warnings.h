#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "cli/sheet_text.h"
#include "tagcodec/tag_block.h"

namespace quorvane {

// A tag cell that differs from the file's text only the way a spreadsheet program changes
// a cell it opened as a number or a formula rather than as text, with field bytes that
// change for it.
struct SpreadsheetChange {
  enum class Kind { Number, Formula, TrailingSpaces };
  int column;  // colTitle to colComment
  Kind kind;
  std::string fileText;  // the field's text as list shows it, without padding spaces
};

// The cells of `row` changed so, against the tag `fileTag` of its file (nullptr when it has
// none), in column order: "0001" read back as "1", "1999 " as "1999", "=1+1" as "2".
std::vector<SpreadsheetChange> spreadsheetChanges(const SheetRow& row, const TagBlock* fileTag);

// Every warning about a row that Save writes, in the order of its cells, each as
// "line 3, cell 5 (year): ...": TABs and line breaks that became spaces, changes a
// spreadsheet program may have made (against `fileTag`, as above), and cuts (fieldCuts).
std::vector<std::string> rowWarnings(const SheetRow& row, const TagBlock* fileTag);

}  // namespace quorvane
