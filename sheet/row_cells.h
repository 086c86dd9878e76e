#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace quorvane {

class RowArena;

// The texts of one grid row's cells in a single buffer: the number of cells and where
// each ends, then the texts one after another. A row of a loaded sheet costs one
// allocation instead of one per cell, the row itself one pointer, and reading a cell
// copies nothing.
class RowCells {
 public:
  RowCells();  // one empty cell
  explicit RowCells(int count);
  // The cells of `tabbed`, separated by tab characters, leftmost first; missing cells
  // are empty, texts beyond the last cell are dropped.
  RowCells(std::string_view tabbed, int count);
  // The given texts as the first cells; missing cells are empty, extra texts dropped.
  RowCells(std::span<const std::string_view> texts, int count);
  // The same in memory of `arena`, which must outlive the row.
  RowCells(std::span<const std::string_view> texts, int count, RowArena& arena);
  RowCells(const RowCells& other);
  RowCells(RowCells&& other) noexcept;
  RowCells& operator=(const RowCells& other);
  RowCells& operator=(RowCells&& other) noexcept;
  ~RowCells();

  int count() const { return static_cast<int>(read(0) & ~kBorrowed); }
  // `cell` from 0 to count() - 1
  std::string_view at(int cell) const {
    const auto index = static_cast<std::size_t>(cell);
    const std::uint32_t begin = index == 0 ? 0 : read(index);
    return {data_ + textStart() + begin, read(index + 1) - begin};
  }
  // Every cell's text, one after another, and where cell `cell` ends in it: for readers
  // that go through a whole row at once.
  std::string_view texts() const { return {data_ + textStart(), end(count() - 1)}; }
  std::size_t end(int cell) const { return read(1 + static_cast<std::size_t>(cell)); }
  void set(int cell, std::string_view text);
  // Keeps the first cells, adds empty ones at the end.
  void resize(int count);

 private:
  // Set in the count of a buffer that is not the row's to free.
  static constexpr std::uint32_t kBorrowed = 0x80000000u;
  // A buffer for `cells` cells and `textBytes` bytes of text, the count written: of its own,
  // or from `arena`.
  void allocate(std::size_t cells, std::size_t textBytes, RowArena* arena = nullptr);
  void fill(std::span<const std::string_view> texts, std::size_t cells, RowArena* arena);
  void release();
  std::uint32_t read(std::size_t slot) const {
    std::uint32_t value;
    std::memcpy(&value, data_ + slot * 4, 4);
    return value;
  }
  void write(std::size_t slot, std::uint32_t value);
  std::size_t textStart() const { return (1 + static_cast<std::size_t>(count())) * 4; }

  // The count, the count end offsets (from the text start), the texts. A new or moved-from
  // row holds one empty cell, in a buffer shared by all such rows.
  char* data_;
};

}  // namespace quorvane
