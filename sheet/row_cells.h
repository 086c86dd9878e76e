#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quorvane {

// The texts of one grid row's cells in a single buffer: the number of cells and where
// each ends, then the texts one after another. A row of a loaded sheet costs one
// allocation instead of one per cell, and reading a cell copies nothing.
class RowCells {
 public:
  RowCells() : RowCells(1) {}
  explicit RowCells(int count);
  // The cells of `tabbed`, separated by tab characters, leftmost first; missing cells
  // are empty, texts beyond the last cell are dropped.
  RowCells(std::string_view tabbed, int count);
  // The given texts as the first cells; missing cells are empty, extra texts dropped.
  RowCells(std::span<const std::string_view> texts, int count);

  int count() const { return read(0); }
  std::string_view at(int cell) const;  // `cell` from 0 to count() - 1
  // Every cell's text, one after another, and where cell `cell` ends in it: for readers
  // that go through a whole row at once.
  std::string_view texts() const { return std::string_view(data_).substr(textStart()); }
  std::size_t end(int cell) const { return read(1 + static_cast<std::size_t>(cell)); }
  void set(int cell, std::string_view text);
  // Keeps the first cells, adds empty ones at the end.
  void resize(int count);

 private:
  std::uint32_t read(std::size_t slot) const;
  void write(std::size_t slot, std::uint32_t value);
  std::size_t textStart() const { return (1 + static_cast<std::size_t>(count())) * 4; }

  std::string data_;  // count, count end offsets (from the text start), texts
};

}  // namespace quorvane
