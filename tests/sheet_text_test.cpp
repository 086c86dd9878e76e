#include "cli/sheet_text.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace {

using quorvane::parseSheetText;

const std::string kRow = "a.mp3\tT\tA\tB\t1999\tC\tRock\ta.mp3\t2\t17";

struct ParseCase {
  const char* what;
  std::string input;
  std::size_t rows;
  std::string firstError;  // "" when the input is good
};

class SheetTextCases : public ::testing::TestWithParam<ParseCase> {};

TEST_P(SheetTextCases, Parses) {
  const ParseCase& c = GetParam();
  const auto sheet = parseSheetText(c.input);
  EXPECT_EQ(sheet.rows.size(), c.rows);
  if (c.firstError.empty()) {
    EXPECT_TRUE(sheet.errors.empty()) << sheet.errors.front();
  } else {
    ASSERT_FALSE(sheet.errors.empty());
    EXPECT_EQ(sheet.errors.front().substr(0, c.firstError.size()), c.firstError);
  }
}

std::string withCell(int col, const std::string& text) {
  std::vector<std::string> cells;
  std::string rest = kRow;
  for (std::size_t tab; (tab = rest.find('\t')) != std::string::npos; rest = rest.substr(tab + 1)) {
    cells.push_back(rest.substr(0, tab));
  }
  cells.push_back(rest);
  cells[static_cast<std::size_t>(col)] = text;
  std::string out;
  for (std::size_t i = 0; i < cells.size(); ++i) out += (i ? "\t" : "") + cells[i];
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, SheetTextCases,
    ::testing::Values(
        ParseCase{"empty input", "", 0, ""},
        ParseCase{"one row, LF", kRow + "\n", 1, ""},
        ParseCase{"no final line end", kRow, 1, ""},
        ParseCase{"BOM and CRLF", "\xEF\xBB\xBF" + kRow + "\r\n" + withCell(7, "b.mp3") + "\r\n",
                  2, ""},
        ParseCase{"empty cells", "x.mp3\t\t\t\t\t\t\tx.mp3\t1\t0\n", 1, ""},
        ParseCase{"nine cells", "a\tb\tc\td\te\tf\tg\th\t1\n", 0, "line 1: expected 10 cells"},
        ParseCase{"eleven cells", kRow + "\textra\n", 0, "line 1: expected 10 cells"},
        ParseCase{"blank line in the middle", kRow + "\n\n" + withCell(7, "b.mp3") + "\n", 2,
                  "line 2: expected 10 cells"},
        ParseCase{"state 3", withCell(8, "3"), 0, "line 1: the state (cell 9)"},
        ParseCase{"genre 256", withCell(9, "256"), 0, "line 1: the genre number (cell 10)"},
        ParseCase{"genre -1", withCell(9, "-1"), 0, "line 1: the genre number"},
        ParseCase{"genre with space", withCell(9, " 7"), 0, "line 1: the genre number"},
        ParseCase{"loaded name with slash", withCell(7, "../x.mp3"), 0,
                  "line 1: the name as loaded (cell 8)"},
        ParseCase{"loaded name empty", withCell(7, ""), 0, "line 1: the name as loaded"},
        ParseCase{"same file twice", kRow + "\n" + kRow + "\n", 1,
                  "line 2: the file \"a.mp3\" is already on line 1"},
        ParseCase{"not UTF-8", withCell(1, "\x82\xA0"), 0, "line 1: not UTF-8"},
        ParseCase{"zero byte in the loaded name", withCell(7, std::string("a.mp3\0.bak", 11)), 0,
                  "line 1: cell 8 holds a control character"},
        ParseCase{"control character in the new name", withCell(0, "a\x1B.mp3"), 0,
                  "line 1: cell 1 holds a control character"}),
    quorvane::testing::caseName<SheetTextCases::ParamType>);

}  // namespace
