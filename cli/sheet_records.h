#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// One row of separated text, its cells unquoted.
struct SheetRecord {
  std::size_t line = 0;  // 1-based: where the row begins
  std::vector<std::string> cells;
  // A cell that begins with a double quote that nothing closes, read as it stands.
  struct Unclosed {
    std::size_t cell;  // 0-based
    std::size_t line;  // where the cell begins
  };
  std::optional<Unclosed> unclosed;
  bool blank = false;  // an empty line
};

// Reads rows of cells separated by `separator` (TAB or comma) the way spreadsheet programs
// write them. A cell that begins with '"' is quoted: it runs to a quote followed by the
// separator, a line end or the end of the text, may hold separators and line ends, and its
// quotes are doubled. A cell whose quoting is not closed so (a lone quote followed by
// anything else, or no closing quote at all) is read as it stands up to the next separator
// on its line, and so is every cell that does not begin with a quote. Lines end in LF or
// CR LF. When a row read so has another number of cells than `cellCounts` allows because a
// quoted cell ran over its line, the line alone is read as it stands, if that gives a
// row of the right size.
class SheetRecordReader {
 public:
  SheetRecordReader(std::string_view text, char separator, std::vector<std::size_t> cellCounts);

  bool atEnd() const { return pos_ >= text_.size(); }
  // The next row; at the end of the text only.
  SheetRecord next();

 private:
  enum class Quoting { Spanning, OneLine };
  SheetRecord read(std::size_t& pos, std::size_t& line, Quoting quoting) const;
  // Where the quoted cell opened at `open` has its closing quote, in the text's quote runs.
  std::optional<std::size_t> closingQuote(std::size_t open) const;
  bool endsCell(std::size_t pos) const;
  std::size_t nextBreak(std::size_t pos) const;
  bool rightSize(const SheetRecord& record) const;

  std::string_view text_;
  char separator_;
  std::vector<std::size_t> cellCounts_;
  std::vector<std::size_t> closers_;  // the last quote of every run of an odd number of quotes
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
};

// True when `text` reads as comma-separated rows: its first row has a number of cells that
// `cellCounts` allows when split at commas, and not when split at TABs.
bool looksCommaSeparated(std::string_view text, const std::vector<std::size_t>& cellCounts);

}  // namespace quorvane
