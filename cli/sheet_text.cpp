#include "cli/sheet_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <optional>
#include <unordered_map>

#include "cli/sheet_encoding.h"
#include "cli/sheet_records.h"
#include "sheet/sheet_columns.h"

namespace quorvane {
namespace {

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
    const std::string& name = cells[col];
    if (name.find_first_of("\t\r\n") != std::string::npos) {
      errors.push_back(at + "cell " + std::to_string(col + 1) +
                       " holds a TAB or line break, which no file name may hold");
    } else if (std::any_of(name.begin(), name.end(), [](char c) {
                 return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
               })) {
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

// A TAB, CR or LF in any cell but the two names becomes one space, as list shows such text;
// returns the tag cells (title to comment) that held one.
std::vector<int> breaksToSpaces(std::vector<std::string>& cells) {
  std::vector<int> spaced;
  for (int col = 0; col < static_cast<int>(cells.size()); ++col) {
    if (col == colFileName || col == colOrigName) continue;
    bool changed = false;
    for (char& c : cells[static_cast<std::size_t>(col)]) {
      if (c == '\t' || c == '\r' || c == '\n') {
        c = ' ';
        changed = true;
      }
    }
    if (changed && col >= colTitle && col <= colComment) spaced.push_back(col);
  }
  return spaced;
}

// Whether `text` holds a byte that makes list quote a cell: CR or LF; where TABs separate,
// a TAB; where commas do, a comma or a quote. Eight bytes at a time: list runs every cell of
// a large folder through here.
bool holdsSpecial(std::string_view text, char separator) {
  const auto has = [](std::uint64_t word, std::uint8_t byte) {
    const std::uint64_t x = word ^ (0x0101010101010101ULL * byte);
    return ((x - 0x0101010101010101ULL) & ~x & 0x8080808080808080ULL) != 0;
  };
  const bool commas = separator == ',';
  std::size_t at = 0;
  for (; at + 8 <= text.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + at, 8);
    // Bytes below 0x20 first, which TAB, CR and LF are.
    if (((word - 0x2020202020202020ULL) & ~word & 0x8080808080808080ULL) != 0 &&
        ((!commas && has(word, '\t')) || has(word, '\r') || has(word, '\n'))) {
      return true;
    }
    if (commas && (has(word, ',') || has(word, '"'))) return true;
  }
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '\r' || c == '\n' || (commas ? c == ',' || c == '"' : c == '\t')) return true;
  }
  return false;
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
                         const NameRule& isPlainName, SheetFormat format) {
  const NameRule isPlainFileName = isPlainName ? isPlainName : NameRule(isPosixPlainName);
  SheetText sheet;
  sheet.commaSeparated = format == SheetFormat::Commas;
  const DecodedInput decoded = decodeSheetInput(input, encoding);
  if (!decoded.error.empty()) {
    sheet.errors.push_back(decoded.error);
    return sheet;
  }
  const std::vector<std::size_t> cellCounts = {kSheetCols, kSheetCols + 1};
  if (format == SheetFormat::Detect) {
    sheet.commaSeparated = looksCommaSeparated(decoded.text, cellCounts);
  }
  SheetRecordReader reader(decoded.text, sheet.commaSeparated ? ',' : '\t', cellCounts);
  std::unordered_map<std::string, std::size_t> firstLineOf;
  while (!reader.atEnd()) {
    SheetRecord record = reader.next();
    if (record.blank && reader.atEnd()) break;  // the text's last line end, doubled
    const std::string at = "line " + std::to_string(record.line) + ": ";
    std::vector<std::string>& cells = record.cells;
    if (cells.size() != kSheetCols && cells.size() != kSheetCols + 1) {
      if (record.unclosed) {
        // Everything after such a quote would be one cell: nothing more can be read.
        std::string error = "line " + std::to_string(record.unclosed->line) +
                            ": the double quote that opens cell " +
                            std::to_string(record.unclosed->cell + 1) + " is never closed";
        if (record.unclosed->line != record.line) {
          error += " (in the row that begins on line " + std::to_string(record.line) + ")";
        }
        sheet.errors.push_back(error);
        break;
      }
      sheet.errors.push_back(at + "expected 10 or 11 cells separated by " +
                             (sheet.commaSeparated ? "commas" : "TAB") + ", found " +
                             std::to_string(cells.size()));
      continue;
    }
    const std::vector<int> spaced = breaksToSpaces(cells);
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
      if (auto [it, added] = firstLineOf.emplace(loaded, record.line); !added) {
        sheet.errors.push_back(at + "the file " + quoted(loaded) + " is already on line " +
                               std::to_string(it->second));
      }
    }
    if (sheet.errors.size() == errorsBefore) {
      sheet.rows.push_back({record.line, std::move(cells), listedState, spaced});
    }
  }
  return sheet;
}

void appendRow(std::string& out, const RowCells& cells, int count, char separator) {
  const std::string_view texts = cells.texts().substr(0, cells.end(count - 1));
  bool plain = !holdsSpecial(texts, separator);
  // A cell that begins with a quote (or, to be sure, a byte that may begin the byte-order
  // mark) goes the long way.
  for (int c = 0; c < count && plain; ++c) {
    const std::size_t begin = c == 0 ? 0 : cells.end(c - 1);
    plain = begin == cells.end(c) || (texts[begin] != '"' && texts[begin] != '\xEF');
  }
  if (!plain) {
    for (int c = 0; c < count; ++c) {
      if (c > 0) out += separator;
      appendCell(out, cells.at(c), separator);
    }
    return;
  }
  // The texts as they stand, a separator where each cell ends.
  const std::size_t start = out.size();
  out.resize(start + texts.size() + static_cast<std::size_t>(count - 1));
  char* to = out.data() + start;
  std::size_t from = 0;
  for (int c = 0; c < count; ++c) {
    const std::size_t end = cells.end(c);
    std::memcpy(to, texts.data() + from, end - from);
    to += end - from;
    if (c + 1 < count) *to++ = separator;
    from = end;
  }
}

void appendCell(std::string& row, std::string_view cell, char separator) {
  // U+FEFF too: at the start of the text it would read as a byte-order mark and vanish.
  // With commas a quote anywhere is quoted, as RFC 4180 has it; with TABs only a first one.
  // One pass over the cell, a table look-up a byte: list writes every cell of a large
  // folder through here.
  const bool special = holdsSpecial(cell, separator);
  if (!special && !cell.starts_with('"') && !cell.starts_with("\xEF\xBB\xBF")) {
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
  return tagRecordOfCells([&](int col) -> const std::string& { return row.cells[col]; });
}

}  // namespace quorvane
