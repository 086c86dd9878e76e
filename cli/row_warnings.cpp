#include "cli/row_warnings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

#include "cli/field_cuts.h"
#include "cli/save_preview.h"
#include "sheet/sheet_columns.h"
#include "tagcodec/text_fields.h"

namespace quorvane {
namespace {

constexpr std::pair<int, FieldSpan> kTagCells[] = {{colTitle, kTitleField},
                                                   {colArtist, kArtistField},
                                                   {colAlbum, kAlbumField},
                                                   {colYear, kYearField},
                                                   {colComment, kCommentField}};

std::span<const std::uint8_t> bytesOf(const TagBlock& block, FieldSpan field) {
  return std::span<const std::uint8_t>(block).subspan(field.offset, field.width);
}

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The value of a number as a spreadsheet program reads one: spaces around it, a sign,
// digits grouped by commas, a decimal point, an exponent. Nothing for any other text.
std::optional<double> numberIn(std::string_view text) {
  text = trimmed(text);
  std::string plain;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') plain += '-';
    ++i;
  }
  bool digits = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (isDigit(c)) {
      plain += c;
      digits = true;
    } else if (c == ',' && i > 0 && isDigit(text[i - 1]) && i + 1 < text.size() &&
               isDigit(text[i + 1])) {
      continue;
    } else {
      break;
    }
  }
  if (i < text.size() && text[i] == '.') {
    plain += text[i++];
    for (; i < text.size() && isDigit(text[i]); ++i) {
      plain += text[i];
      digits = true;
    }
  }
  if (!digits) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    plain += text[i++];
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) plain += text[i++];
    if (i == text.size() || !isDigit(text[i])) return std::nullopt;
    while (i < text.size() && isDigit(text[i])) plain += text[i++];
  }
  if (i != text.size()) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (error != std::errc() || end != plain.data() + plain.size()) return std::nullopt;
  return value;
}

// Spreadsheet programs keep 15 significant digits.
bool sameNumber(double a, double b) {
  return a == b || std::fabs(a - b) <= 1e-14 * std::max(std::fabs(a), std::fabs(b));
}

// A field's text as list shows it in its cell, less the spaces that pad a field without a
// zero byte: those are no text of the user's, and the writer pads with them anyway.
std::string listedText(std::span<const std::uint8_t> field, int column) {
  std::string text = Module1::BytesToText(field);
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
  if (column != colYear && column != colComment) return std::string(trimmed(text));
  if (std::find(field.begin(), field.end(), std::uint8_t{0}) == field.end()) {
    text.erase(text.find_last_not_of(' ') + 1);
  }
  return text;
}

std::optional<SpreadsheetChange::Kind> changeKind(std::string_view cell, std::string_view file) {
  if (cell == file) return std::nullopt;
  if (trimmed(file).starts_with('=')) return SpreadsheetChange::Kind::Formula;
  const auto before = numberIn(file), after = numberIn(cell);
  if (before && after && sameNumber(*before, *after)) return SpreadsheetChange::Kind::Number;
  if (file.starts_with(cell) && file.find_first_not_of(' ', cell.size()) == std::string::npos) {
    return SpreadsheetChange::Kind::TrailingSpaces;
  }
  return std::nullopt;
}

std::string cellAt(std::size_t line, int column) {
  return "line " + std::to_string(line) + ", cell " + std::to_string(column + 1) + " (" +
         fieldName(column) + "): ";
}

}  // namespace

std::vector<SpreadsheetChange> spreadsheetChanges(const SheetRow& row, const TagBlock* fileTag) {
  std::vector<SpreadsheetChange> changes;
  if (!fileTag || !hasTagMarker(fileTag->data())) return changes;
  const TagBlock written = renderTagBlock(tagRecordOf(row));
  for (const auto& [column, span] : kTagCells) {
    const auto before = bytesOf(*fileTag, span), after = bytesOf(written, span);
    // The same bytes: whatever the spreadsheet did, the file keeps what it had.
    if (std::equal(before.begin(), before.end(), after.begin())) continue;
    std::string fileText = listedText(before, column);
    if (const auto kind = changeKind(row.cells[static_cast<std::size_t>(column)], fileText)) {
      changes.push_back({column, *kind, std::move(fileText)});
    }
  }
  return changes;
}

std::vector<std::string> rowWarnings(const SheetRow& row, const TagBlock* fileTag) {
  std::vector<std::pair<int, std::string>> warnings;
  for (int column : row.spacedColumns) {
    warnings.emplace_back(column, cellAt(row.line, column) +
                                      "its TAB and line breaks become spaces, as list shows them");
  }
  for (const SpreadsheetChange& change : spreadsheetChanges(row, fileTag)) {
    const char* why = change.kind == SpreadsheetChange::Kind::Formula
                          ? "the spreadsheet may have read it as a formula"
                      : change.kind == SpreadsheetChange::Kind::Number
                          ? "the spreadsheet may have read it as a number"
                          : "the spreadsheet may have cut its trailing spaces";
    warnings.emplace_back(change.column,
                          cellAt(row.line, change.column) +
                              shownText(row.cells[static_cast<std::size_t>(change.column)]) +
                              ", the file has " + shownText(change.fileText) + ": " + why);
  }
  for (const FieldCut& cut : fieldCuts(row)) {
    warnings.emplace_back(cut.column, describeCut(row.line, cut));
  }
  std::stable_sort(warnings.begin(), warnings.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> texts;
  for (auto& warning : warnings) texts.push_back(std::move(warning.second));
  return texts;
}

}  // namespace quorvane
