#include "sheet/flex_grid.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/test_support.h"

namespace {

using quorvane::FlexGrid;
using quorvane::testing::caseName;
using Texts = std::vector<std::string>;

// A grid of `cols` columns whose data rows are added from tab-separated texts.
FlexGrid gridOf(int cols, const Texts& rows) {
  FlexGrid grid;
  grid.setCols(cols);
  for (const std::string& row : rows) grid.AddItem(row);
  return grid;
}

Texts dataColumn(const FlexGrid& grid, int col) {
  Texts texts;
  for (int r = 1; r < grid.Rows(); ++r) texts.push_back(grid.TextMatrix(r, col));
  return texts;
}

Texts rowTexts(const FlexGrid& grid, int row) {
  Texts texts;
  for (int c = 0; c < grid.Cols(); ++c) texts.push_back(grid.TextMatrix(row, c));
  return texts;
}

// The columns ColIsVisible() accepts, as digits: "0123".
std::string visibleCols(const FlexGrid& grid) {
  std::string cols;
  for (int c = 0; c < grid.Cols(); ++c) {
    if (grid.ColIsVisible(c)) cols += std::to_string(c);
  }
  return cols;
}

struct CountingObserver : quorvane::GridObserver {
  int content = 0, scrolled = 0, placed = 0;
  void gridContentChanged() override { ++content; }
  void gridScrolled() override { ++scrolled; }
  void gridPlaced() override { ++placed; }
};

// ---- shape and text ----

TEST(FlexGridAddItem, SplitsAtTabsLeftmostFirstIntoThreeColumns) {
  const std::pair<std::string, Texts> cases[] = {
      {"a\tb\tc", {"a", "b", "c"}},
      {"a", {"a", "", ""}},
      {"a\tb\tc\td", {"a", "b", "c"}},
      {"\t\tc", {"", "", "c"}},
      {"a\t", {"a", "", ""}},
      {"", {"", "", ""}},
      {"曲名\tあ b", {"曲名", "あ b", ""}},
  };
  for (const auto& [text, cells] : cases) EXPECT_EQ(rowTexts(gridOf(3, {text}), 1), cells) << text;
}

TEST(FlexGridShape, ShrinkPullsCurrentCellBackAndGrowAddsEmptyCells) {
  FlexGrid grid = gridOf(4, {"a\tb\tc\td", "e\tf\tg\th", "i\tj\tk\tl"});
  grid.setRow(3);
  grid.setCol(1);
  grid.setColSel(3);
  grid.setRows(2);
  grid.setCols(2);
  EXPECT_EQ(std::tuple(grid.Row(), grid.Col(), grid.ColSel()), std::tuple(1, 1, 1));
  grid.setRows(3);
  grid.setCols(3);
  EXPECT_EQ(rowTexts(grid, 1), (Texts{"a", "b", ""}));
  EXPECT_EQ(rowTexts(grid, 2), (Texts{"", "", ""}));
  grid.setRows(0);
  grid.setCols(-1);
  grid.setRow(3);
  grid.setCol(3);
  grid.setTextMatrix(0, 3, "x");
  EXPECT_EQ(std::tuple(grid.Rows(), grid.Cols(), grid.Row(), grid.Col()), std::tuple(3, 3, 1, 1))
      << "out-of-range writes change nothing";
  EXPECT_EQ(grid.TextMatrix(-1, 0), "");
}

TEST(FlexGridShape, SetColCollapsesSelectionButSetColSelKeepsCol) {
  FlexGrid grid = gridOf(4, {});
  grid.setColSel(3);
  grid.setCol(2);
  EXPECT_EQ(grid.ColSel(), 2);
  grid.setColSel(0);
  EXPECT_EQ(std::pair(grid.Col(), grid.ColSel()), std::pair(2, 0));
}

TEST(FlexGridShape, ClearEmptiesTextAndColoursButKeepsShape) {
  FlexGrid grid = gridOf(2, {"a\tb"});
  grid.setTextMatrix(0, 1, "Title");
  grid.setColWidth(1, 0);
  grid.setRow(1);
  grid.setCol(1);
  grid.setCellBackColor(0xFF);
  grid.setCellForeColor(0xFF00);
  grid.Clear();
  EXPECT_EQ(rowTexts(grid, 0), (Texts{"", ""}));
  EXPECT_EQ(rowTexts(grid, 1), (Texts{"", ""}));
  EXPECT_EQ(std::pair(grid.CellBackColor(), grid.CellForeColor()), std::pair(0xFFFFFFu, 0u));
  EXPECT_EQ(std::tuple(grid.Rows(), grid.ColWidth(0), grid.ColWidth(1), grid.Row()),
            std::tuple(2, 960, 0, 1));
}

// ---- sort ----

struct SortCase {
  const char* what;
  Texts before, after;
};

class FlexGridSortOrder : public ::testing::TestWithParam<SortCase> {};

TEST_P(FlexGridSortOrder, SortsOneColumnAscending) {
  FlexGrid grid = gridOf(1, GetParam().before);
  grid.setSort(1);
  EXPECT_EQ(dataColumn(grid, 0), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, FlexGridSortOrder,
    ::testing::Values(
        SortCase{"numbers by value", {"10", "9", "abc", "2.5"}, {"2.5", "9", "10", "abc"}},
        SortCase{"signs decimals exponents spaces",
                 {"1e1", "-1", " 3 ", ".5", "-10", "5.", "+2E-1"},
                 {"-10", "-1", "+2E-1", ".5", " 3 ", "5.", "1e1"}},
        SortCase{"number before any text", {"b", "", "7", "+4"}, {"+4", "7", "", "b"}},
        SortCase{"near numbers are text",
                 {"1e", "5", "-", "1.2.3", "- 5"},
                 {"5", "-", "- 5", "1.2.3", "1e"}},
        SortCase{"case ignored then exact", {"a", "B", "A", "b"}, {"A", "a", "B", "b"}},
        SortCase{"letters fold to lower case", {"B", "_", "a"}, {"_", "a", "B"}},
        SortCase{"shorter prefix first", {"Abc", "ab", "A"}, {"A", "ab", "Abc"}},
        SortCase{
            "japanese by code point", {"亜", "い", "ア", "あ", "z"}, {"z", "あ", "い", "ア", "亜"}},
        SortCase{"equal values keep their order",
                 {"1.0", "x", "1", "01", "X"},
                 {"1.0", "1", "01", "X", "x"}},
        SortCase{"out of range exponents",
                 {"1e400", "5", "-1e400", "1e-400"},
                 {"-1e400", "1e-400", "5", "1e400"}}),
    caseName<SortCase>);

TEST(FlexGridSort, KeysRunFromColToColSelInEitherOrder) {
  const Texts rows = {"b\t2\tr1", "a\t2\tr2", "a\t1\tr3", "b\t1\tr4", "a\t1\tr5"};
  for (const auto& [col, colSel] : {std::pair{0, 1}, std::pair{1, 0}}) {
    FlexGrid grid = gridOf(3, rows);
    grid.setCol(col);
    grid.setColSel(colSel);
    grid.setSort(1);
    EXPECT_EQ(dataColumn(grid, 2), (Texts{"r3", "r5", "r2", "r4", "r1"})) << col;
  }
  FlexGrid byNumber = gridOf(3, rows);
  byNumber.setCol(1);
  byNumber.setSort(1);
  EXPECT_EQ(dataColumn(byNumber, 2), (Texts{"r3", "r4", "r5", "r1", "r2"}));
}

TEST(FlexGridSort, EqualNumbersDeferToTheNextKeyColumn) {
  FlexGrid grid = gridOf(2, {"1.0\tb", "1\ta", "-0\tc", "0\ta"});
  grid.setColSel(1);
  grid.setSort(1);
  EXPECT_EQ(dataColumn(grid, 0), (Texts{"0", "-0", "1", "1.0"}));
}

TEST(FlexGridSort, WholeRowsMoveWithColoursHeaderStaysAndOrderIsRecorded) {
  FlexGrid grid;
  grid.setCols(10);
  const Texts keys = {"c", "a", "d", "b"};
  std::vector<Texts> original;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    std::string line;
    for (int c = 0; c < 10; ++c) line += (c == 3 ? keys[i] : std::to_string(i * 10 + c)) + "\t";
    grid.AddItem(line);
    original.push_back(rowTexts(grid, grid.Rows() - 1));
  }
  grid.setTextMatrix(0, 3, "header");
  grid.setRow(1);
  grid.setCol(9);
  grid.setCellBackColor(0x0000FF);  // on the row keyed "c", which goes to row 3
  grid.setCol(3);
  grid.setSort(1);

  EXPECT_EQ(grid.TextMatrix(0, 3), "header");
  EXPECT_EQ(grid.Row(), 1) << "the cursor keeps its place, not its row";
  EXPECT_EQ(dataColumn(grid, 3), (Texts{"a", "b", "c", "d"}));
  EXPECT_EQ(grid.cellBackColorAt(3, 9), 0x0000FFu);
  EXPECT_EQ(grid.cellBackColorAt(1, 9), FlexGrid::kDefaultBackColor);
  for (int oldRow = 1; oldRow < grid.Rows(); ++oldRow) {
    const int newRow = grid.rowAfterLastSort(oldRow);
    EXPECT_EQ(grid.rowBeforeLastSort(newRow), oldRow);
    EXPECT_EQ(rowTexts(grid, newRow), original[oldRow - 1]);
  }
  EXPECT_EQ(std::pair(grid.rowAfterLastSort(0), grid.rowAfterLastSort(1)), std::pair(0, 3));

  grid.AddItem("new");
  EXPECT_EQ(std::pair(grid.rowAfterLastSort(1), grid.rowBeforeLastSort(5)), std::pair(1, 5))
      << "a change of Rows forgets the sort";
}

TEST(FlexGridSort, RowDataMovesWithItsRow) {
  FlexGrid grid;
  grid.setCols(2);
  const std::string_view keys[] = {"c", "a", "b"};
  for (std::size_t i = 0; i < 3; ++i) {
    const std::string_view cells[] = {keys[i], "x\ty"};  // a cell may hold a tab
    grid.AddItemCells(cells);
    grid.setRowData(grid.Rows() - 1, static_cast<std::int64_t>(100 + i));
  }
  EXPECT_EQ(grid.TextMatrix(1, 1), "x\ty");
  grid.setCol(0);
  grid.setSort(1);
  EXPECT_EQ(dataColumn(grid, 0), (Texts{"a", "b", "c"}));
  EXPECT_EQ((std::vector<std::int64_t>{grid.RowData(1), grid.RowData(2), grid.RowData(3)}),
            (std::vector<std::int64_t>{101, 102, 100}));
  EXPECT_EQ(grid.RowData(0), 0);
  EXPECT_EQ(grid.RowData(9), 0);
}

TEST(FlexGridSort, HundredThousandRowsLoadAndSortStably) {
  FlexGrid grid;
  grid.setCols(2);
  grid.setRedraw(false);
  const int count = 100'000;
  for (int i = 0; i < count; ++i) {
    // A thousand keys, each a hundred times, in scattered order.
    grid.AddItem(std::to_string(i * 7919 % 1000) + "\t" + std::to_string(i));
  }
  grid.setRedraw(true);
  grid.setSort(1);
  ASSERT_EQ(grid.Rows(), count + 1);
  for (int r = 1; r <= count; ++r) {
    const int loadedAt = std::stoi(grid.TextMatrix(r, 1));
    ASSERT_EQ(grid.TextMatrix(r, 0), std::to_string((r - 1) / 100)) << r;
    ASSERT_EQ(grid.rowBeforeLastSort(r), loadedAt + 1) << r;
    if (r > 1 && grid.TextMatrix(r, 0) == grid.TextMatrix(r - 1, 0)) {
      ASSERT_GT(loadedAt, std::stoi(grid.TextMatrix(r - 1, 1))) << "unstable at " << r;
    }
  }
}

// ---- notifications ----

TEST(FlexGridRedraw, ChangesWhileOffAreAnnouncedOnceWhenBackOn) {
  FlexGrid grid;
  CountingObserver seen;
  grid.setObserver(&seen);
  grid.setText("a");
  EXPECT_EQ(seen.content, 1);
  grid.setRedraw(false);
  grid.setText("b");
  grid.AddItem("c");
  grid.setCellBackColor(0);
  grid.setRedraw(false);
  EXPECT_EQ(seen.content, 1);
  grid.setRedraw(true);
  EXPECT_EQ(seen.content, 2);
  grid.setRedraw(false);
  grid.setRedraw(true);
  grid.setTextMatrix(9, 0, "out of range");
  grid.setRow(1);
  EXPECT_EQ(seen.content, 2) << "no change, nothing to paint";
  grid.setHeight(200);
  EXPECT_EQ(seen.placed, 1);
  const int scrolledBefore = seen.scrolled;
  grid.setTopRow(1);
  EXPECT_EQ(seen.scrolled, scrolledBefore) << "TopRow did not move";
}

// ---- geometry ----

TEST(FlexGridGeometry, RowVisibilityAtTheViewportEdges) {
  struct Case {
    const char* what;
    int viewportTwips, topRow, row;
    bool visible;
  };
  const Case cases[] = {
      {"fits exactly", 1500, 1, 4, true},      {"one twip short", 1499, 1, 4, false},
      {"row above top", 1500, 2, 1, false},    {"partly shown below top", 1650, 1, 5, false},
      {"partial top row", 301, 1, 1, true},    {"top row below viewport", 300, 1, 1, false},
      {"header with height", 1, 1, 0, true},   {"header without height", 0, 1, 0, false},
      {"beyond last row", 9000, 1, 10, false},
  };
  for (const Case& c : cases) {
    FlexGrid grid(1, 1);  // one twip per pixel and no frame: the height is the viewport
    grid.setFrameMetrics(0, 0);
    grid.setRows(10);
    grid.setHeight(static_cast<float>(c.viewportTwips));
    grid.setTopRow(c.topRow);
    ASSERT_EQ(grid.TopRow(), c.topRow) << c.what;
    EXPECT_EQ(grid.RowIsVisible(c.row), c.visible) << c.what;
  }
}

// The sheet's own layout: ten columns, the last three hidden, in a 539 x 385 pixel grid.
FlexGrid sheetGrid(int rows) {
  FlexGrid grid;
  grid.setCols(10);
  const int pixels[] = {140, 140, 140, 140, 40, 160, 110, 0, 0, 0};
  for (int c = 0; c < 10; ++c) grid.setColWidth(c, pixels[c] * 15);
  grid.setRows(rows);
  grid.setWidth(539);
  grid.setHeight(385);
  return grid;
}

TEST(FlexGridGeometry, SheetLayoutShowsSeventeenRowsAndScrollsToTheLastShownColumn) {
  FlexGrid grid = sheetGrid(101);
  EXPECT_EQ(std::pair(grid.viewportWidth(), grid.viewportHeight()), std::pair(518, 364));
  EXPECT_TRUE(grid.RowIsVisible(17));
  EXPECT_FALSE(grid.RowIsVisible(18));
  EXPECT_EQ(visibleCols(grid), "012");

  EXPECT_EQ(std::pair(grid.maxTopRow(), grid.maxLeftCol()), std::pair(84, 3));
  grid.setTopRow(1000);
  grid.setLeftCol(9);
  EXPECT_EQ(std::pair(grid.TopRow(), grid.LeftCol()), std::pair(84, 3));
  EXPECT_TRUE(grid.RowIsVisible(100));
  EXPECT_FALSE(grid.RowIsVisible(83));
  EXPECT_EQ(visibleCols(grid), "3456") << "zero-width columns stay hidden";

  grid.setRows(50);
  EXPECT_EQ(grid.TopRow(), 33) << "shrinking pulls the scroll position back";
  grid.setHeight(3000);
  EXPECT_EQ(grid.TopRow(), 1);
}

TEST(FlexGridGeometry, ScrollLimitsInATinyViewport) {
  FlexGrid grid = sheetGrid(10);
  grid.setWidth(21);
  grid.setHeight(21);  // border and scroll bar only: no viewport at all
  EXPECT_EQ(grid.maxTopRow(), 9);
  EXPECT_EQ(grid.maxLeftCol(), 6) << "never past the last column that has a width";
  grid.setLeftCol(6);
  EXPECT_FALSE(grid.ColIsVisible(6));
  grid.setWidth(22);
  EXPECT_TRUE(grid.ColIsVisible(6)) << "the left column counts once any of it shows";
  grid.setColWidth(6, 0);
  EXPECT_EQ(grid.LeftCol(), 5);
  grid.setWidth(539);
  grid.setLeftCol(0);
  grid.setColWidth(0, 0);
  EXPECT_EQ(visibleCols(grid), "1234") << "a zero-width column is hidden even at LeftCol";
}

TEST(FlexGridGeometry, CellPlaceFollowsScrollingAndIncludesTheBorder) {
  FlexGrid grid = sheetGrid(101);
  grid.setTopRow(84);
  grid.setLeftCol(3);
  grid.setRow(90);
  grid.setCol(5);
  EXPECT_EQ(grid.CellLeft(), 30 + (140 + 40) * 15);
  EXPECT_EQ(grid.CellTop(), 30 + 300 + 6 * 300);
  EXPECT_EQ(std::pair(grid.CellWidth(), grid.CellHeight()), std::pair(160 * 15, 300));
  grid.setRow(0);
  grid.setCol(1);
  EXPECT_EQ(grid.CellLeft(), 30 - (140 + 140) * 15) << "scrolled off to the left";
  EXPECT_EQ(grid.CellTop(), 30) << "the header does not scroll";

  FlexGrid coarse(12, 20);
  coarse.setRows(3);
  coarse.setRow(2);
  EXPECT_EQ(std::pair(coarse.CellLeft(), coarse.CellTop()), std::pair(2 * 12, 2 * 20 + 600));
}

}  // namespace
