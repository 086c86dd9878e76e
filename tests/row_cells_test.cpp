// One row's cells in one buffer: splitting tabbed text, changing a cell, resizing.
#include "sheet/row_cells.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "sheet/flex_grid.h"
#include "sheet/row_arena.h"
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

// Readers build rows in one arena at once: no two pieces may overlap, each is aligned for
// the row's counts, and pieces larger than a block still fit.
TEST(RowArena, HandsOutSeparatePiecesToManyThreads) {
  quorvane::RowArena arena(1000);
  constexpr int kThreads = 4;
  constexpr int kPieces = 20000;
  struct Piece {
    char* at;
    std::size_t size;
  };
  std::vector<std::vector<Piece>> pieces(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kPieces; ++i) {
        const std::size_t size = i == kPieces / 2 ? (std::size_t{5} << 20) : 1 + (i * 7 + t) % 300;
        char* at = arena.allocate(size);
        std::memset(at, 'a' + t, size);
        pieces[t].push_back({at, size});
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    for (const Piece& piece : pieces[t]) {
      ASSERT_EQ(reinterpret_cast<std::uintptr_t>(piece.at) % 4, 0u);
      ASSERT_EQ(std::string_view(piece.at, piece.size), std::string(piece.size, 'a' + t));
    }
  }
}

// A thread's piece of an arena that is gone is never handed out by the next one, even where
// the next one takes its place in memory (caught by the address sanitizer).
TEST(RowArena, AnArenaGoneLeavesNothingToTheNext) {
  for (int i = 0; i < 4; ++i) {
    auto arena = std::make_unique<quorvane::RowArena>(100);
    char* piece = arena->allocate(40);
    std::memset(piece, 'x', 40);
    ASSERT_EQ(std::string_view(piece, 40), std::string(40, 'x'));
  }
}

// Rows built in an arena that the grid keeps: they sort and change like any row, and a copy
// taken from the grid stays readable after the grid let its rows and the arena go.
TEST(RowArena, RowsInTheGridsArenaLiveAsLongAsTheRows) {
  quorvane::FlexGrid grid;
  grid.setCols(2);
  quorvane::RowArena& arena = grid.newRowArena(3 << 20);
  for (const char* name : {"c", "a", "b"}) {
    const std::string_view cells[] = {name, name};
    grid.AddItemRow(RowCells(cells, 2, arena), 0);
  }
  grid.setCol(0);
  grid.setColSel(0);
  grid.setSort(1);
  grid.setTextMatrix(2, 1, "changed");
  RowCells copy = grid.rowCells(1);
  const RowCells second = grid.rowCells(2);
  EXPECT_EQ(cellsOf(copy), (std::vector<std::string>{"a", "a"}));
  grid.setRows(1);
  grid.Clear();
  EXPECT_EQ(cellsOf(copy), (std::vector<std::string>{"a", "a"}));
  EXPECT_EQ(cellsOf(second), (std::vector<std::string>{"b", "changed"}));
  copy = second;
  EXPECT_EQ(cellsOf(copy), (std::vector<std::string>{"b", "changed"}));
}

}  // namespace
