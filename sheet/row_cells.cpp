#include "sheet/row_cells.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "sheet/row_arena.h"

namespace quorvane {
namespace {

// One empty cell: what a new or moved-from row holds, never freed nor written.
alignas(4) char kOneEmptyCell[8] = {1, 0, 0, static_cast<char>(0x80), 0, 0, 0, 0};

}  // namespace

void RowCells::allocate(std::size_t cells, std::size_t textBytes, RowArena* arena) {
  const std::size_t bytes = (1 + cells) * 4 + textBytes;
  data_ = arena ? arena->allocate(bytes) : static_cast<char*>(::operator new(bytes));
  write(0, static_cast<std::uint32_t>(cells) | (arena ? kBorrowed : 0));
}

void RowCells::release() {
  // The shared empty row is marked borrowed too; the address test is for the compiler.
  if (!(read(0) & kBorrowed) && data_ != kOneEmptyCell) ::operator delete(data_);
}

RowCells::RowCells() : data_(kOneEmptyCell) {}

RowCells::RowCells(int count) {
  const auto cells = static_cast<std::size_t>(std::max(count, 1));
  allocate(cells, 0);
  std::memset(data_ + 4, 0, cells * 4);
}

RowCells::RowCells(std::string_view tabbed, int count) {
  if (tabbed.data() == nullptr) tabbed = "";  // memchr and memcpy take no null pointer
  const auto cells = static_cast<std::size_t>(std::max(count, 1));
  allocate(cells, tabbed.size());
  // One pass: each cell's text is copied up to the next tab; its separator is not kept.
  char* const text = data_ + textStart();
  std::size_t length = 0;
  std::size_t cell = 0;
  for (std::size_t from = 0; cell < cells && from <= tabbed.size(); ++cell) {
    const void* found = std::memchr(tabbed.data() + from, '\t', tabbed.size() - from);
    const std::size_t tab =
        found ? static_cast<std::size_t>(static_cast<const char*>(found) - tabbed.data())
              : tabbed.size();
    std::memcpy(text + length, tabbed.data() + from, tab - from);
    length += tab - from;
    write(1 + cell, static_cast<std::uint32_t>(length));
    from = tab + 1;
  }
  for (; cell < cells; ++cell) write(1 + cell, static_cast<std::uint32_t>(length));
}

RowCells::RowCells(std::span<const std::string_view> texts, int count) {
  fill(texts, static_cast<std::size_t>(std::max(count, 1)), nullptr);
}

RowCells::RowCells(std::span<const std::string_view> texts, int count, RowArena& arena) {
  fill(texts, static_cast<std::size_t>(std::max(count, 1)), &arena);
}

void RowCells::fill(std::span<const std::string_view> texts, std::size_t cells, RowArena* arena) {
  const std::size_t kept = std::min(texts.size(), cells);
  std::size_t total = 0;
  for (std::size_t cell = 0; cell < kept; ++cell) total += texts[cell].size();
  allocate(cells, total, arena);
  char* const text = data_ + textStart();
  std::size_t length = 0;
  for (std::size_t cell = 0; cell < cells; ++cell) {
    // An empty view may have no data at all, which memcpy must not be given.
    if (cell < kept && !texts[cell].empty()) {
      std::memcpy(text + length, texts[cell].data(), texts[cell].size());
      length += texts[cell].size();
    }
    write(1 + cell, static_cast<std::uint32_t>(length));
  }
}

RowCells::RowCells(const RowCells& other) {
  // A copy is the copy's own, wherever the original's buffer lives.
  const std::size_t textBytes = other.end(other.count() - 1);
  allocate(static_cast<std::size_t>(other.count()), textBytes);
  std::memcpy(data_ + 4, other.data_ + 4, other.textStart() - 4 + textBytes);
}

RowCells::RowCells(RowCells&& other) noexcept : data_(std::exchange(other.data_, kOneEmptyCell)) {}

RowCells& RowCells::operator=(const RowCells& other) {
  if (this != &other) *this = RowCells(other);
  return *this;
}

RowCells& RowCells::operator=(RowCells&& other) noexcept {
  if (this != &other) {
    release();
    data_ = std::exchange(other.data_, kOneEmptyCell);
  }
  return *this;
}

RowCells::~RowCells() {
  release();
}

void RowCells::write(std::size_t slot, std::uint32_t value) {
  std::memcpy(data_ + slot * 4, &value, 4);
}

// Both build the new row from views of the old one's texts, which stay put until the
// new row takes this one's place.
void RowCells::set(int cell, std::string_view text) {
  std::vector<std::string_view> texts(static_cast<std::size_t>(count()));
  for (std::size_t c = 0; c < texts.size(); ++c) {
    texts[c] = static_cast<int>(c) == cell ? text : at(static_cast<int>(c));
  }
  *this = RowCells(texts, count());
}

void RowCells::resize(int count) {
  std::vector<std::string_view> texts(static_cast<std::size_t>(std::min(this->count(), count)));
  for (std::size_t c = 0; c < texts.size(); ++c) texts[c] = at(static_cast<int>(c));
  *this = RowCells(texts, count);
}

}  // namespace quorvane
