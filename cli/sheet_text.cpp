#include "cli/sheet_text.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "sheet/sheet_columns.h"
#include "tagcodec/utf8.h"

namespace quorvane {
namespace {

bool isUtf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp = 0;
    const std::size_t len = utf8::decodeOne(text, pos, cp);
    if (len == 0) return false;
    pos += len;
  }
  return true;
}

std::vector<std::string_view> splitCells(std::string_view line) {
  std::vector<std::string_view> cells;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    cells.push_back(line.substr(start, tab == std::string_view::npos ? line.npos : tab - start));
    if (tab == std::string_view::npos) return cells;
    start = tab + 1;
  }
}

bool isGenreNumber(std::string_view text) {
  if (text.empty() || text.size() > 3 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  int value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value <= 255;
}

// Appended piece by piece: GCC 12 at -O2 warns (-Wrestrict, falsely) about
// `"\"" + std::string(text)`.
std::string quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.append(1, '"').append(text).append(1, '"');
  return out;
}

}  // namespace

SheetText parseSheetText(std::string_view input) {
  SheetText sheet;
  if (input.substr(0, 3) == "\xEF\xBB\xBF") input.remove_prefix(3);
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < input.size()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string_view::npos) end = input.size();
    std::string_view line = input.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  if (!lines.empty() && lines.back().empty()) lines.pop_back();

  std::map<std::string_view, std::size_t> firstLineOf;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string at = "line " + std::to_string(i + 1) + ": ";
    const std::string_view line = lines[i];
    if (!isUtf8(line)) {
      sheet.errors.push_back(at + "not UTF-8 text");
      continue;
    }
    const auto cells = splitCells(line);
    if (cells.size() != kSheetCols) {
      sheet.errors.push_back(at + "expected 10 cells separated by TAB, found " +
                             std::to_string(cells.size()));
      continue;
    }
    const std::size_t errorsBefore = sheet.errors.size();
    if (cells[colState] != kStateLoaded && cells[colState] != kStateChanged) {
      sheet.errors.push_back(at + "the state (cell 9) must be 1 or 2, not " +
                             quoted(cells[colState]));
    }
    if (!isGenreNumber(cells[colGenreNo])) {
      sheet.errors.push_back(at + "the genre number (cell 10) must be 0 to 255, not " +
                             quoted(cells[colGenreNo]));
    }
    for (int col : {colFileName, colOrigName}) {
      if (std::any_of(cells[col].begin(), cells[col].end(),
                      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
        sheet.errors.push_back(at + "cell " + std::to_string(col + 1) +
                               " holds a control character, which no file name may hold");
      }
    }
    const std::string_view loaded = cells[colOrigName];
    if (loaded.empty() || loaded == "." || loaded == ".." ||
        loaded.find('/') != std::string_view::npos) {
      sheet.errors.push_back(at + "the name as loaded (cell 8) must be a file name in FOLDER, not " +
                             quoted(loaded));
    } else if (auto [it, added] = firstLineOf.emplace(loaded, i + 1); !added) {
      sheet.errors.push_back(at + "the file " + quoted(loaded) + " is already on line " +
                             std::to_string(it->second));
    }
    if (sheet.errors.size() == errorsBefore) sheet.rows.emplace_back(line);
  }
  return sheet;
}

}  // namespace quorvane
