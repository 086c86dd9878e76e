#include "cli/sheet_text.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>
#include <optional>

#include "cli/sheet_encoding.h"
#include "sheet/sheet_columns.h"

namespace quorvane {
namespace {

// The text of a cell that spreadsheet quoting wrapped: it begins and ends with '"' and
// every quote between is doubled. Nothing for any other cell, which stands as it is.
std::optional<std::string> unquoted(std::string_view cell) {
  if (cell.size() < 2 || cell.front() != '"' || cell.back() != '"') return std::nullopt;
  const std::string_view inner = cell.substr(1, cell.size() - 2);
  std::string text;
  text.reserve(inner.size());
  for (std::size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] == '"' && (i + 1 == inner.size() || inner[++i] != '"')) return std::nullopt;
    text += inner[i];
  }
  return text;
}

// The one place that splits a line into cells; their number is checked by the caller.
std::vector<std::string> splitRow(std::string_view line) {
  std::vector<std::string> cells;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    const std::string_view cell =
        line.substr(start, tab == std::string_view::npos ? line.npos : tab - start);
    std::optional<std::string> text = unquoted(cell);
    cells.push_back(text ? std::move(*text) : std::string(cell));
    if (tab == std::string_view::npos) return cells;
    start = tab + 1;
  }
}

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
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

bool isPosixPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

// Appended piece by piece: GCC 12 at -O2 warns (-Wrestrict, falsely) about
// `"\"" + std::string(text)`.
std::string quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.append(1, '"').append(text).append(1, '"');
  return out;
}

// Adds to `errors` what is wrong with the cells of one row.
void checkRow(const std::vector<std::string>& cells, const std::string& at,
              const NameRule& isPlainFileName, std::vector<std::string>& errors) {
  if (cells[colState] != kStateLoaded && cells[colState] != kStateChanged) {
    errors.push_back(at + "the state (cell 9) must be 1 or 2, not " + quoted(cells[colState]));
  }
  if (!isGenreNumber(cells[colGenreNo])) {
    errors.push_back(at + "the genre number (cell 10) must be 0 to 255, not " +
                     quoted(cells[colGenreNo]));
  }
  for (int col : {colFileName, colOrigName}) {
    if (std::any_of(cells[col].begin(), cells[col].end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
      errors.push_back(at + "cell " + std::to_string(col + 1) +
                       " holds a control character, which no file name may hold");
    }
  }
  // Save could not rename to such a name; refused here, before any file is written.
  if (!isPlainFileName(cells[colFileName])) {
    errors.push_back(at + "the file name (cell 1) must be a file name in FOLDER, not " +
                     quoted(cells[colFileName]));
  }
  if (!isPlainFileName(cells[colOrigName])) {
    errors.push_back(at + "the name as loaded (cell 8) must be a file name in FOLDER, not " +
                     quoted(cells[colOrigName]));
  }
}

}  // namespace

std::string SheetRow::joined() const {
  std::string row;
  for (std::size_t c = 0; c < cells.size(); ++c) {
    if (c > 0) row += '\t';
    row += cells[c];
  }
  return row;
}

SheetText parseSheetText(std::string_view input, const std::string& encoding,
                         const NameRule& isPlainName) {
  const NameRule isPlainFileName = isPlainName ? isPlainName : NameRule(isPosixPlainName);
  SheetText sheet;
  const DecodedInput decoded = decodeSheetInput(input, encoding);
  if (!decoded.error.empty()) {
    sheet.errors.push_back(decoded.error);
    return sheet;
  }
  const std::vector<std::string_view> lines = splitLines(decoded.text);
  std::unordered_map<std::string, std::size_t> firstLineOf;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string at = "line " + std::to_string(i + 1) + ": ";
    std::vector<std::string> cells = splitRow(lines[i]);
    if (cells.size() != kSheetCols && cells.size() != kSheetCols + 1) {
      sheet.errors.push_back(at + "expected 10 or 11 cells separated by TAB, found " +
                             std::to_string(cells.size()));
      continue;
    }
    const std::size_t errorsBefore = sheet.errors.size();
    std::optional<FileState> listedState;
    if (cells.size() == kSheetCols + 1) {
      listedState = FileState::parse(cells.back());
      if (!listedState) {
        sheet.errors.push_back(at + "cell 11 must be a fingerprint as list prints it, not " +
                               quoted(cells.back()));
      }
      cells.pop_back();
    }
    checkRow(cells, at, isPlainFileName, sheet.errors);
    const std::string& loaded = cells[colOrigName];
    if (isPlainFileName(loaded)) {
      if (auto [it, added] = firstLineOf.emplace(loaded, i + 1); !added) {
        sheet.errors.push_back(at + "the file " + quoted(loaded) + " is already on line " +
                               std::to_string(it->second));
      }
    }
    if (sheet.errors.size() == errorsBefore) {
      sheet.rows.push_back({i + 1, std::move(cells), listedState});
    }
  }
  return sheet;
}

void appendCell(std::string& row, std::string_view cell) {
  // U+FEFF too: at the start of the text it would read as a byte-order mark and vanish.
  if (!cell.starts_with('"') && !cell.starts_with("\xEF\xBB\xBF")) {
    row += cell;
    return;
  }
  row += '"';
  for (char c : cell) {
    if (c == '"') row += '"';
    row += c;
  }
  row += '"';
}

Module1::TagRecord tagRecordOf(const SheetRow& row) {
  Module1::TagRecord record;
  record.Title = row.cells[colTitle];
  record.Artist = row.cells[colArtist];
  record.Album = row.cells[colAlbum];
  record.Year = row.cells[colYear];
  record.Comment = row.cells[colComment];
  const std::string& genre = row.cells[colGenreNo];
  int value = -1;
  const auto [end, error] = std::from_chars(genre.data(), genre.data() + genre.size(), value);
  const bool valid =
      error == std::errc() && end == genre.data() + genre.size() && value >= 0 && value <= 255;
  record.Genre = static_cast<std::int16_t>(valid ? value : -1);
  return record;
}

}  // namespace quorvane
