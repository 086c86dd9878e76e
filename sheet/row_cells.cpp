#include "sheet/row_cells.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

RowCells::RowCells(int count) {
  const auto cells = static_cast<std::size_t>(std::max(count, 1));
  data_.assign((1 + cells) * 4, '\0');
  write(0, static_cast<std::uint32_t>(cells));
}

RowCells::RowCells(std::string_view tabbed, int count) {
  if (tabbed.data() == nullptr) tabbed = "";  // memchr and memcpy take no null pointer
  const auto cells = static_cast<std::size_t>(std::max(count, 1));
  data_.resize((1 + cells) * 4 + tabbed.size());
  write(0, static_cast<std::uint32_t>(cells));
  // One pass: each cell's text is copied up to the next tab; its separator is not kept.
  char* const text = data_.data() + textStart();
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
  data_.resize(textStart() + length);
}

RowCells::RowCells(std::span<const std::string_view> texts, int count) {
  const auto cells = static_cast<std::size_t>(std::max(count, 1));
  const std::size_t kept = std::min(texts.size(), cells);
  std::size_t total = 0;
  for (std::size_t cell = 0; cell < kept; ++cell) total += texts[cell].size();
  data_.resize((1 + cells) * 4 + total);
  write(0, static_cast<std::uint32_t>(cells));
  char* const text = data_.data() + textStart();
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

std::uint32_t RowCells::read(std::size_t slot) const {
  std::uint32_t value;
  std::memcpy(&value, data_.data() + slot * 4, 4);
  return value;
}

void RowCells::write(std::size_t slot, std::uint32_t value) {
  std::memcpy(data_.data() + slot * 4, &value, 4);
}

std::string_view RowCells::at(int cell) const {
  const auto index = static_cast<std::size_t>(cell);
  const std::uint32_t begin = index == 0 ? 0 : read(index);
  const std::uint32_t end = read(index + 1);
  return std::string_view(data_).substr(textStart() + begin, end - begin);
}

void RowCells::set(int cell, std::string_view text) {
  const int cells = count();
  RowCells changed(cells);
  std::string texts;
  for (int c = 0; c < cells; ++c) {
    texts.append(c == cell ? text : at(c));
    changed.write(1 + static_cast<std::size_t>(c), static_cast<std::uint32_t>(texts.size()));
  }
  changed.data_.append(texts);
  *this = std::move(changed);
}

void RowCells::resize(int count) {
  const int cells = std::max(count, 1);
  RowCells changed(cells);
  std::string texts;
  for (int c = 0; c < cells; ++c) {
    if (c < this->count()) texts.append(at(c));
    changed.write(1 + static_cast<std::size_t>(c), static_cast<std::uint32_t>(texts.size()));
  }
  changed.data_.append(texts);
  *this = std::move(changed);
}

}  // namespace quorvane
