#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numeric>

#include "sheet/flex_grid.h"

// The grid's sort: which rows move where, and how two cells compare.
namespace quorvane {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads `text` as a number: spaces around it, an optional sign, digits with an optional
// point, an optional exponent. Empty text and anything else is text.
bool readNumber(std::string_view text, double& value) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return false;
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);

  std::size_t i = 0;
  const bool negative = text[0] == '-';
  if (text[0] == '-' || text[0] == '+') ++i;
  const std::size_t unsignedStart = i;

  // Decimal magnitude of the first significant digit, to tell overflow from underflow.
  long magnitude = 0;
  bool significant = false;
  int digits = 0;
  for (; i < text.size() && isDigit(text[i]); ++i, ++digits) {
    if (significant) {
      ++magnitude;
    } else if (text[i] != '0') {
      significant = true;
    }
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && isDigit(text[i]); ++i, ++digits) {
      if (!significant) {
        --magnitude;
        significant = text[i] != '0';
      }
    }
  }
  if (digits == 0) return false;

  long exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    const bool negativeExponent = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    int exponentDigits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++exponentDigits) {
      exponent = std::min(exponent * 10 + (text[i] - '0'), 1'000'000L);
    }
    if (exponentDigits == 0) return false;
    if (negativeExponent) exponent = -exponent;
  }
  if (i != text.size()) return false;

  // from_chars rather than strtod: the decimal point must not follow the user's locale.
  const auto [end, error] =
      std::from_chars(text.data() + unsignedStart, text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) {
    value = magnitude + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (error != std::errc() || end != text.data() + text.size()) {
    return false;
  }
  if (negative) value = -value;
  return true;
}

char foldCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Ignoring the case of A-Z first; texts equal that way fall back to exact byte order,
// which for UTF-8 is code point order.
int compareText(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(foldCase(a[i]));
    const auto y = static_cast<unsigned char>(foldCase(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b);
}

}  // namespace

// ---- sort ----

void FlexGrid::resetSortOrder() {
  sortedFrom_.clear();
  sortedTo_.clear();
}

int FlexGrid::rowAfterLastSort(int oldRow) const {
  if (oldRow < 0 || oldRow >= Rows()) return -1;
  return sortedTo_.empty() ? oldRow : sortedTo_[oldRow];
}

int FlexGrid::rowBeforeLastSort(int newRow) const {
  if (newRow < 0 || newRow >= Rows()) return -1;
  return sortedFrom_.empty() ? newRow : sortedFrom_[newRow];
}

void FlexGrid::setSort(int order) {
  if (order != 1) return;  // only the ascending generic sort is used
  const int firstKey = std::min(col_, colSel_);
  const auto keyCount = static_cast<std::size_t>(std::max(col_, colSel_) - firstKey + 1);
  const std::size_t dataRows = rows_.size() - 1;

  struct Key {
    double number = 0;
    bool isNumber = false;
  };
  const auto keyOf = [&](std::size_t dataRow, std::size_t k) {
    Key key;
    key.isNumber =
        readNumber(rows_[dataRow + 1].cells.at(firstKey + static_cast<int>(k)), key.number);
    return key;
  };
  // Whether data row `a` goes before `b`, given their keys.
  const auto keysBefore = [&](const Key* x, std::size_t a, const Key* y, std::size_t b) {
    for (std::size_t k = 0; k < keyCount; ++k) {
      if (x[k].isNumber && y[k].isNumber) {
        if (x[k].number != y[k].number) return x[k].number < y[k].number;
      } else if (x[k].isNumber != y[k].isNumber) {
        return x[k].isNumber;
      } else {
        const int textOrder = compareText(rows_[a + 1].cells.at(firstKey + static_cast<int>(k)),
                                          rows_[b + 1].cells.at(firstKey + static_cast<int>(k)));
        if (textOrder != 0) return textOrder < 0;
      }
    }
    return false;
  };

  // A folder's listing mostly arrives in order already: one pass over neighbours, with no
  // key kept beyond the pair, then settles it, and no row moves.
  std::vector<Key> pair(2 * keyCount);
  bool inOrder = true;
  for (std::size_t r = 0; r < dataRows && inOrder; ++r) {
    Key* current = &pair[(r % 2) * keyCount];
    for (std::size_t k = 0; k < keyCount; ++k) current[k] = keyOf(r, k);
    inOrder = r == 0 || !keysBefore(current, r, &pair[((r + 1) % 2) * keyCount], r - 1);
  }
  if (inOrder) {
    resetSortOrder();
    contentChanged();
    return;
  }

  // Every cell's number is read once up front; comparisons then only look things up.
  std::vector<Key> keys(dataRows * keyCount);
  for (std::size_t r = 0; r < dataRows; ++r) {
    for (std::size_t k = 0; k < keyCount; ++k) keys[r * keyCount + k] = keyOf(r, k);
  }
  const auto before = [&](std::size_t a, std::size_t b) {
    return keysBefore(&keys[a * keyCount], a, &keys[b * keyCount], b);
  };
  std::vector<std::size_t> sequence(dataRows);
  std::iota(sequence.begin(), sequence.end(), std::size_t{0});
  std::stable_sort(sequence.begin(), sequence.end(), before);

  std::vector<GridRow> sorted;
  sorted.reserve(rows_.size());
  sorted.push_back(std::move(rows_[0]));
  sortedFrom_.assign(rows_.size(), 0);
  sortedTo_.assign(rows_.size(), 0);
  for (std::size_t i = 0; i < dataRows; ++i) {
    const auto newRow = static_cast<int>(i + 1);
    const auto oldRow = static_cast<int>(sequence[i] + 1);
    sorted.push_back(std::move(rows_[oldRow]));
    sortedFrom_[newRow] = oldRow;
    sortedTo_[oldRow] = newRow;
  }
  rows_ = std::move(sorted);
  contentChanged();
}

}  // namespace quorvane
