#include "cli/row_warnings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sheet/sheet_columns.h"
#include "tagcodec/code_page.h"
#include "tests/test_support.h"

namespace {

using quorvane::TagBlock;

// A file's tag with `text` in the field under `column` and "x" in the others, padded with
// spaces, or with zero bytes when `zeros`.
TagBlock fileTag(int column, const std::string& text, bool zeros) {
  Module1::TagRecord record{"x", "x", "x", "1999", "x", 17};
  std::string* fields[] = {&record.Title, &record.Artist, &record.Album, &record.Year,
                           &record.Comment};
  *fields[column - quorvane::colTitle] = text;
  TagBlock block = quorvane::renderTagBlock(record);
  if (zeros) {
    constexpr quorvane::FieldSpan spans[] = {quorvane::kTitleField, quorvane::kArtistField,
                                             quorvane::kAlbumField, quorvane::kYearField,
                                             quorvane::kCommentField};
    const quorvane::FieldSpan span = spans[column - quorvane::colTitle];
    std::fill(block.begin() + static_cast<std::ptrdiff_t>(span.offset + text.size()),
              block.begin() + static_cast<std::ptrdiff_t>(span.offset + span.width), 0);
  }
  return block;
}

// Row 3 of a sheet: "x" in every tag cell but `column`, which holds `cell`.
quorvane::SheetRow rowWith(int column, const std::string& cell) {
  quorvane::SheetRow row;
  row.line = 3;
  row.cells = {"a.mp3", "x", "x", "x", "1999", "x", "Rock", "a.mp3", "2", "17"};
  row.cells[static_cast<std::size_t>(column)] = cell;
  return row;
}

struct ChangeCase {
  const char* what;
  int column;
  std::string fileText;
  bool zeros;
  std::string cell;
  std::string warning;  // "" for none
};

class SpreadsheetChanges : public ::testing::TestWithParam<ChangeCase> {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(quorvane::initTagCodePage(nullptr)); }
};

TEST_P(SpreadsheetChanges, AreWarnedAbout) {
  const ChangeCase& c = GetParam();
  const TagBlock tag = fileTag(c.column, c.fileText, c.zeros);
  const std::vector<std::string> warnings = quorvane::rowWarnings(rowWith(c.column, c.cell), &tag);
  EXPECT_EQ(warnings,
            c.warning.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.warning});
}

const std::string kNumber = ": the spreadsheet may have read it as a number";

INSTANTIATE_TEST_SUITE_P(
    Cells, SpreadsheetChanges,
    ::testing::Values(
        ChangeCase{"year without its leading zeros", quorvane::colYear, "0001", false, "1",
                   "line 3, cell 5 (year): \"1\", the file has \"0001\"" + kNumber},
        ChangeCase{"artist 00 as 0", quorvane::colArtist, "00", false, "0",
                   "line 3, cell 3 (artist): \"0\", the file has \"00\"" + kNumber},
        ChangeCase{"a number's trailing space cut", quorvane::colComment, "1999 ", true, "1999",
                   "line 3, cell 6 (comment): \"1999\", the file has \"1999 \"" + kNumber},
        ChangeCase{"a text's trailing spaces cut", quorvane::colComment, "note  ", true, "note",
                   "line 3, cell 6 (comment): \"note\", the file has \"note  \": the spreadsheet "
                   "may have cut its trailing spaces"},
        ChangeCase{"a formula evaluated", quorvane::colComment, "=1+1", false, "2",
                   "line 3, cell 6 (comment): \"2\", the file has \"=1+1\": the spreadsheet may "
                   "have read it as a formula"},
        ChangeCase{"decimal zeros dropped", quorvane::colTitle, "1.50", false, "1.5",
                   "line 3, cell 2 (title): \"1.5\", the file has \"1.50\"" + kNumber},
        ChangeCase{"digit groups dropped", quorvane::colAlbum, "1,000", false, "1000",
                   "line 3, cell 4 (album): \"1000\", the file has \"1,000\"" + kNumber},
        ChangeCase{"a long number in 15 digits", quorvane::colTitle, "12345678901234567", false,
                   "1.23456789012346E+16",
                   "line 3, cell 2 (title): \"1.23456789012346E+16\", the file has "
                   "\"12345678901234567\"" +
                       kNumber},
        ChangeCase{"a plus sign dropped", quorvane::colYear, "+5", false, "5",
                   "line 3, cell 5 (year): \"5\", the file has \"+5\"" + kNumber},
        // The same bytes on disk: padding spaces that list shows are no loss.
        ChangeCase{"padding spaces cut", quorvane::colComment, "1999", false, "1999", ""},
        ChangeCase{"padding spaces kept, as list shows them", quorvane::colComment, "1999", false,
                   "1999" + std::string(26, ' '), ""},
        ChangeCase{"a number's padding space kept", quorvane::colYear, "199", false, "199 ", ""},
        ChangeCase{"the same text", quorvane::colYear, "0001", false, "0001", ""},
        ChangeCase{"another number", quorvane::colYear, "0001", false, "2", ""},
        ChangeCase{"another text", quorvane::colTitle, "Old", false, "New", ""},
        ChangeCase{"a number from text", quorvane::colTitle, "one", false, "1", ""},
        ChangeCase{"a space cut inside", quorvane::colTitle, "a b", false, "ab", ""},
        ChangeCase{"a text after a number", quorvane::colComment, "12", false, "12a", ""},
        ChangeCase{"leading spaces cut from a title, as list shows it", quorvane::colTitle, "  007",
                   false, "007", ""},
        ChangeCase{"zeros after a decimal point kept", quorvane::colTitle, "1.5", false, "1.50",
                   "line 3, cell 2 (title): \"1.50\", the file has \"1.5\"" + kNumber}),
    quorvane::testing::caseName<SpreadsheetChanges::ParamType>);

TEST(RowWarnings, AFileWithoutATagGivesNoChanges) {
  ASSERT_TRUE(quorvane::initTagCodePage(nullptr));
  EXPECT_TRUE(quorvane::rowWarnings(rowWith(quorvane::colYear, "1"), nullptr).empty());
  TagBlock untagged{};
  EXPECT_TRUE(quorvane::rowWarnings(rowWith(quorvane::colYear, "1"), &untagged).empty());
}

// Every warning of a row comes in the order of its cells: spaced, changed, cut.
TEST(RowWarnings, ComeInTheOrderOfTheCells) {
  ASSERT_TRUE(quorvane::initTagCodePage(nullptr));
  quorvane::SheetRow row = rowWith(quorvane::colYear, "1");
  row.cells[quorvane::colTitle] = std::string(31, 't');
  row.cells[quorvane::colComment] = "a b";
  row.spacedColumns = {quorvane::colComment, quorvane::colArtist};
  const TagBlock tag = fileTag(quorvane::colYear, "0001", false);
  EXPECT_EQ(
      quorvane::rowWarnings(row, &tag),
      (std::vector<std::string>{
          "line 3, cell 2 (title): 31 bytes in CP932, cut to 30",
          "line 3, cell 3 (artist): its TAB and line breaks become spaces, as list shows them",
          "line 3, cell 5 (year): \"1\", the file has \"0001\"" + kNumber,
          "line 3, cell 6 (comment): its TAB and line breaks become spaces, as list shows "
          "them"}));
}

}  // namespace
