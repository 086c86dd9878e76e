#include "cli/sheet_records.h"

#include <algorithm>

namespace quorvane {

SheetRecordReader::SheetRecordReader(std::string_view text, char separator,
                                     std::vector<std::size_t> cellCounts)
    : text_(text), separator_(separator), cellCounts_(std::move(cellCounts)) {
  // Where a quoted cell closes depends only on the runs of quotes after its opening one:
  // an even run is doubled quotes, the first odd run ends in the closing quote. Found once
  // here, so that a text full of unclosed quotes still reads in linear time.
  for (std::size_t pos = text_.find('"'); pos != std::string_view::npos;
       pos = text_.find('"', pos)) {
    const std::size_t start = pos;
    while (pos < text_.size() && text_[pos] == '"') ++pos;
    if ((pos - start) % 2 == 1) closers_.push_back(pos - 1);
  }
}

std::optional<std::size_t> SheetRecordReader::closingQuote(std::size_t open) const {
  std::size_t run = 0;
  while (open + run < text_.size() && text_[open + run] == '"') ++run;
  // The opening quote and an odd number after it: the last of them closes.
  if (run % 2 == 0) return open + run - 1;
  const auto closer = std::lower_bound(closers_.begin(), closers_.end(), open + run);
  if (closer == closers_.end()) return std::nullopt;
  return *closer;
}

bool SheetRecordReader::endsCell(std::size_t pos) const {
  if (pos >= text_.size()) return true;
  const char c = text_[pos];
  return c == separator_ || c == '\n' ||
         (c == '\r' && (pos + 1 == text_.size() || text_[pos + 1] == '\n'));
}

std::size_t SheetRecordReader::nextBreak(std::size_t pos) const {
  const char breaks[] = {separator_, '\n'};
  const std::size_t found = text_.find_first_of(std::string_view(breaks, 2), pos);
  return found == std::string_view::npos ? text_.size() : found;
}

bool SheetRecordReader::rightSize(const SheetRecord& record) const {
  return std::find(cellCounts_.begin(), cellCounts_.end(), record.cells.size()) !=
         cellCounts_.end();
}

SheetRecord SheetRecordReader::read(std::size_t& pos, std::size_t& line, Quoting quoting) const {
  SheetRecord record;
  record.line = line;
  const std::size_t n = text_.size();
  const bool opensWithQuote = pos < n && text_[pos] == '"';
  while (true) {
    std::string cell;
    bool quoted = false;
    if (pos < n && text_[pos] == '"') {
      const std::optional<std::size_t> close = closingQuote(pos);
      quoted = close && endsCell(*close + 1) &&
               (quoting == Quoting::Spanning || *close < nextBreak(pos));
      if (quoted) {
        for (std::size_t i = pos + 1; i < *close; ++i) {
          cell += text_[i];
          if (text_[i] == '"') {
            ++i;  // the second of a doubled quote
          } else if (text_[i] == '\n') {
            ++line;
          }
        }
        pos = *close + 1;
      } else if (!close && quoting == Quoting::Spanning && !record.unclosed) {
        record.unclosed = SheetRecord::Unclosed{record.cells.size(), line};
      }
    }
    if (!quoted) {
      const std::size_t end = nextBreak(pos);
      std::size_t stop = end;
      // The CR of a CR LF line end.
      if ((end == n || text_[end] == '\n') && stop > pos && text_[stop - 1] == '\r') --stop;
      cell.assign(text_.substr(pos, stop - pos));
      pos = end;
    }
    record.cells.push_back(std::move(cell));
    if (pos < n && text_[pos] == separator_) {
      ++pos;
      continue;
    }
    if (pos < n && text_[pos] == '\r') ++pos;  // after a quoted cell
    if (pos < n && text_[pos] == '\n') {
      ++pos;
      ++line;
    }
    record.blank = record.cells.size() == 1 && record.cells[0].empty() && !opensWithQuote;
    return record;
  }
}

SheetRecord SheetRecordReader::next() {
  std::size_t pos = pos_, line = line_;
  SheetRecord record = read(pos, line, Quoting::Spanning);
  if (!rightSize(record)) {
    // A quote that a hand-made line left open must not swallow the rows after it.
    std::size_t onePos = pos_, oneLine = line_;
    SheetRecord alone = read(onePos, oneLine, Quoting::OneLine);
    if (rightSize(alone)) {
      pos_ = onePos;
      line_ = oneLine;
      return alone;
    }
  }
  pos_ = pos;
  line_ = line;
  return record;
}

bool looksCommaSeparated(std::string_view text, const std::vector<std::size_t>& cellCounts) {
  const auto firstRowFits = [&](char separator) {
    SheetRecordReader reader(text, separator, cellCounts);
    if (reader.atEnd()) return false;
    const std::size_t cells = reader.next().cells.size();
    return std::find(cellCounts.begin(), cellCounts.end(), cells) != cellCounts.end();
  };
  return firstRowFits(',') && !firstRowFits('\t');
}

}  // namespace quorvane
