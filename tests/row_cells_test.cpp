// One row's cells in one buffer: splitting tabbed text, changing a cell, resizing.
#include "sheet/row_cells.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/test_support.h"

namespace {

using quorvane::RowCells;

std::vector<std::string> cellsOf(const RowCells& row) {
  std::vector<std::string> cells;
  for (int c = 0; c < row.count(); ++c) cells.emplace_back(row.at(c));
  return cells;
}

struct SplitCase {
  const char* what;
  std::string tabbed;
  int count;
  std::vector<std::string> cells;
};

class RowCellsSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(RowCellsSplit, TakesCellsBetweenTabs) {
  EXPECT_EQ(cellsOf(RowCells(GetParam().tabbed, GetParam().count)), GetParam().cells);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RowCellsSplit,
    ::testing::Values(SplitCase{"exact", "a\tbb\tccc", 3, {"a", "bb", "ccc"}},
                      SplitCase{"missing_cells_empty", "a\tb", 4, {"a", "b", "", ""}},
                      SplitCase{"extra_dropped", "a\tb\tc\td", 2, {"a", "b"}},
                      SplitCase{"empty_cells", "\t\tx\t", 4, {"", "", "x", ""}},
                      SplitCase{"empty_text", "", 3, {"", "", ""}},
                      SplitCase{"one_cell_keeps_no_tab", "a\tb", 1, {"a"}},
                      SplitCase{"japanese", "曲名\t歌手", 2, {"曲名", "歌手"}}),
    quorvane::testing::caseName<SplitCase>);

TEST(RowCells, SetChangesOneCellAndKeepsTheOthers) {
  RowCells row("a\tb\tc", 3);
  row.set(1, "a much longer text than before");
  EXPECT_EQ(cellsOf(row), (std::vector<std::string>{"a", "a much longer text than before", "c"}));
  row.set(0, "");
  row.set(2, "tab\tinside");  // a cell may hold a tab once it is in the grid
  EXPECT_EQ(cellsOf(row),
            (std::vector<std::string>{"", "a much longer text than before", "tab\tinside"}));
}

TEST(RowCells, ResizeKeepsTheFirstCells) {
  RowCells row("a\tb\tc", 3);
  row.resize(5);
  EXPECT_EQ(cellsOf(row), (std::vector<std::string>{"a", "b", "c", "", ""}));
  row.resize(2);
  EXPECT_EQ(cellsOf(row), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(RowCells(0).count(), 1);
}

TEST(RowCells, CopiesOwnTheirTextsAndMovedFromRowsStayUsable) {
  RowCells row("a\tb", 2);
  RowCells copy = row;
  row.set(0, "changed");
  EXPECT_EQ(cellsOf(copy), (std::vector<std::string>{"a", "b"}));
  copy = row;
  EXPECT_EQ(cellsOf(copy), (std::vector<std::string>{"changed", "b"}));

  RowCells moved = std::move(row);
  EXPECT_EQ(cellsOf(moved), (std::vector<std::string>{"changed", "b"}));
  EXPECT_EQ(cellsOf(row), (std::vector<std::string>{""}));  // NOLINT(bugprone-use-after-move)
  row = moved;
  row.set(1, row.at(0));  // a cell set from a view of the row's own text
  EXPECT_EQ(cellsOf(row), (std::vector<std::string>{"changed", "changed"}));
}

}  // namespace
