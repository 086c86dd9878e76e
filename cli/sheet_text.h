#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// Rows of a sheet as `quorvane-tag list` prints them, read back for `apply`.
struct SheetText {
  std::vector<std::string> rows;    // each: ten cells joined by TAB
  std::vector<std::string> errors;  // "line N: ...", in line order
};

// Splits `input` into rows and checks every one before anything may be written: UTF-8,
// exactly ten cells, state "1" or "2", a genre number from 0 to 255, and a loaded name
// that is a plain file name, given once. A byte-order mark, CRLF line ends and one
// trailing empty line are accepted.
SheetText parseSheetText(std::string_view input);

}  // namespace quorvane
