#include "cli/sheet_text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <tuple>
#include <vector>

#include "cli/sheet_encoding.h"
#include "sheet/sheet_columns.h"
#include "tagcodec/code_page.h"
#include "tagcodec/utf8.h"
#include "tests/test_support.h"

namespace {

using quorvane::parseSheetText;

const std::string kRow = "a.mp3\tT\tA\tB\t1999\tC\tRock\ta.mp3\t2\t17";

std::vector<std::string> cellsOf(const std::string& row) {
  std::vector<std::string> cells;
  std::string rest = row;
  for (std::size_t tab; (tab = rest.find('\t')) != std::string::npos; rest = rest.substr(tab + 1)) {
    cells.push_back(rest.substr(0, tab));
  }
  cells.push_back(rest);
  return cells;
}

std::string withCell(int col, const std::string& text) {
  std::vector<std::string> cells = cellsOf(kRow);
  cells[static_cast<std::size_t>(col)] = text;
  std::string out;
  for (std::size_t i = 0; i < cells.size(); ++i) out += (i ? "\t" : "") + cells[i];
  return out;
}

// UTF-16 code units of ASCII text, as a spreadsheet program's "Unicode text" holds them.
std::string utf16(std::string_view ascii, bool littleEndian) {
  std::string out = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
  for (char c : ascii) {
    out += littleEndian ? std::string{c, '\0'} : std::string{'\0', c};
  }
  return out;
}

struct ParseCase {
  const char* what;
  std::string input;
  std::size_t rows;
  std::string firstError;  // "" when the input is good
  std::string encoding = "";
};

class SheetTextCases : public ::testing::TestWithParam<ParseCase> {};

TEST_P(SheetTextCases, Parses) {
  const ParseCase& c = GetParam();
  const auto sheet = parseSheetText(c.input, c.encoding);
  EXPECT_EQ(sheet.rows.size(), c.rows);
  if (c.firstError.empty()) {
    EXPECT_TRUE(sheet.errors.empty()) << sheet.errors.front();
  } else {
    ASSERT_FALSE(sheet.errors.empty());
    EXPECT_EQ(sheet.errors.front().substr(0, c.firstError.size()), c.firstError)
        << sheet.errors.front();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SheetTextCases,
    ::testing::Values(
        ParseCase{"empty input", "", 0, ""}, ParseCase{"one row, LF", kRow + "\n", 1, ""},
        ParseCase{"no final line end", kRow, 1, ""},
        ParseCase{"one empty last line", kRow + "\r\n\r\n", 1, ""},
        ParseCase{"two empty last lines", kRow + "\n\n\n", 1, "line 2: expected 10 or 11"},
        ParseCase{"BOM and CRLF", "\xEF\xBB\xBF" + kRow + "\r\n" + withCell(7, "b.mp3") + "\r\n", 2,
                  ""},
        ParseCase{"empty cells", "x.mp3\t\t\t\t\t\t\tx.mp3\t1\t0\n", 1, ""},
        ParseCase{"nine cells", "a\tb\tc\td\te\tf\tg\th\t1\n", 0, "line 1: expected 10 or 11"},
        ParseCase{"eleven cells without a fingerprint", kRow + "\textra\n", 0,
                  "line 1: cell 11 must be a fingerprint"},
        ParseCase{"eleven cells with a fingerprint",
                  kRow + "\t1a0.00112233445566778899aabbccddeeff\n", 1, ""},
        ParseCase{"eleven cells with a short fingerprint", kRow + "\t1a0.0011\n", 0,
                  "line 1: cell 11 must be a fingerprint"},
        ParseCase{"twelve cells", kRow + "\t-\tx\n", 0, "line 1: expected 10 or 11"},
        ParseCase{"blank line in the middle", kRow + "\n\n" + withCell(7, "b.mp3") + "\n", 2,
                  "line 2: expected 10 or 11"},
        ParseCase{"state 3", withCell(8, "3"), 0, "line 1: the state (cell 9)"},
        ParseCase{"genre 256", withCell(9, "256"), 0, "line 1: the genre number (cell 10)"},
        ParseCase{"genre -1", withCell(9, "-1"), 0, "line 1: the genre number"},
        ParseCase{"genre with space", withCell(9, " 7"), 0, "line 1: the genre number"},
        ParseCase{"loaded name with slash", withCell(7, "../x.mp3"), 0,
                  "line 1: the name as loaded (cell 8)"},
        ParseCase{"loaded name empty", withCell(7, ""), 0, "line 1: the name as loaded"},
        ParseCase{"new name with slash", withCell(0, "sub/x.mp3"), 0,
                  "line 1: the file name (cell 1) must be a file name in FOLDER"},
        ParseCase{"new name empty", withCell(0, ""), 0, "line 1: the file name (cell 1)"},
        ParseCase{"new name dot dot", withCell(0, ".."), 0, "line 1: the file name (cell 1)"},
        ParseCase{"same file twice", kRow + "\n" + kRow + "\n", 1,
                  "line 2: the file \"a.mp3\" is already on line 1"},
        ParseCase{"same file twice, once quoted", kRow + "\n" + withCell(7, "\"a.mp3\"") + "\n", 1,
                  "line 2: the file \"a.mp3\" is already on line 1"},
        ParseCase{"control character in the new name", withCell(0, "a\x1B.mp3"), 0,
                  "line 1: cell 1 holds a control character"},
        ParseCase{"DEL in the new name", withCell(0, "a\x7F.mp3"), 0,
                  "line 1: cell 1 holds a control character"},
        ParseCase{"DEL in the loaded name", withCell(7, "a\x7F.mp3"), 0,
                  "line 1: cell 8 holds a control character"},
        ParseCase{"loaded name dot dot", withCell(7, ".."), 0,
                  "line 1: the name as loaded (cell 8)"},
        ParseCase{"loaded name dot", withCell(7, "."), 0, "line 1: the name as loaded (cell 8)"},
        ParseCase{"quoted state", withCell(8, "\"2\""), 1, ""},
        ParseCase{"quoted genre", withCell(9, "\"17\""), 1, ""},
        ParseCase{"quoted loaded name with slash", withCell(7, "\"../x.mp3\""), 0,
                  "line 1: the name as loaded (cell 8)"}),
    quorvane::testing::caseName<SheetTextCases::ParamType>);

// Input that is not text in its encoding: one error, on the first line that is not, with
// the way out; no rows at all, even from the good lines before it.
INSTANTIATE_TEST_SUITE_P(
    Encodings, SheetTextCases,
    ::testing::Values(
        ParseCase{"not UTF-8 on line 3",
                  kRow + "\n" + withCell(7, "b.mp3") + "\n" + withCell(1, "\x82\xA0") + "\n" +
                      withCell(7, "d.mp3") + "\x82\n",
                  0,
                  "line 3: not UTF-8 text; name the file's encoding with --encoding, for example "
                  "--encoding CP932"},
        ParseCase{"a lone UTF-8 lead byte at the end", kRow + "\xE3", 0, "line 1: not UTF-8 text"},
        ParseCase{"zero byte", kRow + "\n" + withCell(7, std::string("b.mp3\0x", 7)), 0,
                  "line 2: not UTF-8 text (it holds a zero byte); name the file's encoding with "
                  "--encoding, for example --encoding UTF-16LE"},
        ParseCase{"UTF-16 without a byte-order mark", utf16(kRow + "\r\n", true).substr(2), 0,
                  "line 1: not UTF-8 text (it holds a zero byte)"},
        ParseCase{"UTF-16LE with BOM", utf16(kRow + "\r\n" + withCell(7, "b.mp3"), true), 2, ""},
        ParseCase{"UTF-16BE with BOM", utf16(kRow + "\n", false), 1, ""},
        ParseCase{"UTF-16LE cut in a code unit", utf16(kRow + "\n" + kRow, true) + "x", 0,
                  "line 2: not UTF-16LE text (the encoding its byte-order mark names)"},
        ParseCase{"UTF-16LE lone surrogate on line 2",
                  utf16(kRow + "\n", true) + std::string("\x00\xD8\x41\x00", 4), 0,
                  "line 2: not UTF-16LE text"},
        ParseCase{"named UTF-16LE with its BOM", utf16(kRow, true), 1, "", "UTF-16LE"},
        ParseCase{"CP932 named", withCell(1, "\x8b\xc8\x96\xbc"), 1, "", "CP932"},
        ParseCase{"CP932 named, bad pair on line 2",
                  kRow + "\r\n" + withCell(1, "\x82\x20") + "\r\n", 0,
                  "line 2: not CP932 text; name the file's encoding with --encoding, for example "
                  "--encoding UTF-8",
                  "CP932"},
        ParseCase{"CP932 named, UTF-8 given", kRow + "\n" + withCell(1, "曲名"), 0,
                  "line 2: not CP932 text", "CP932"},
        ParseCase{"utf-8 named in lower case", "\x82\xA0", 0,
                  "line 1: not utf-8 text; name the file's encoding with --encoding, for example "
                  "--encoding CP932",
                  "utf-8"},
        ParseCase{"unknown encoding", kRow, 0, "unknown encoding: NO-SUCH", "NO-SUCH"}),
    quorvane::testing::caseName<SheetTextCases::ParamType>);

TEST(SheetText, RowsKeepTheirCellsAndLineNumbers) {
  const auto sheet = parseSheetText("bad\n" + withCell(1, "曲 ") + "\n" + withCell(7, "b.mp3"));
  ASSERT_EQ(sheet.rows.size(), 2u);
  EXPECT_EQ(sheet.rows[0].line, 2u);
  EXPECT_EQ(sheet.rows[0].cells, cellsOf(withCell(1, "曲 ")));
  EXPECT_EQ(sheet.rows[1].line, 3u);
  EXPECT_EQ(sheet.rows[1].joined(), withCell(7, "b.mp3"));
}

TEST(SheetText, TagRecordOfTakesTheCellsSaveWrites) {
  const auto sheet = parseSheetText(withCell(1, "Title ") + "\n");
  ASSERT_EQ(sheet.rows.size(), 1u);
  const Module1::TagRecord record = quorvane::tagRecordOf(sheet.rows[0]);
  EXPECT_EQ(record, (Module1::TagRecord{"Title ", "A", "B", "1999", "C", 17}));
}

// CP932 text read with --encoding CP932 gives the characters that the tag codec reads from
// the same bytes: every single byte and every double-byte code that the codec decodes.
TEST(SheetEncoding, Cp932InputReadsAsTheTagCodecReadsIt) {
  std::string error;
  const auto codec = quorvane::CodePage::open("CP932", &error);
  ASSERT_TRUE(codec) << error;
  std::string bytes;
  const auto decodes = [&](const std::string& code) {
    const std::string text = codec->decode(code);
    char32_t cp = 0;
    return quorvane::utf8::decodeOne(text, 0, cp) == text.size() && !quorvane::utf8::isEscape(cp);
  };
  for (int b = 0x20; b <= 0xFF; ++b) {
    const std::string code(1, static_cast<char>(b));
    if (b != 0x7F && decodes(code)) bytes += code;
  }
  std::size_t pairs = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
      if (decodes(code)) {
        bytes += code;
        ++pairs;
      }
    }
  }
  ASSERT_GT(pairs, 7000u);  // JIS X 0208 with NEC's and IBM's extensions
  const quorvane::DecodedInput decoded = quorvane::decodeSheetInput(bytes, "CP932");
  EXPECT_EQ(decoded.error, "");
  EXPECT_EQ(decoded.text, codec->decode(bytes));
  // Where CP932 and JIS Shift_JIS differ, the tag codec's characters: 0x5C is the
  // backslash, 0x8160 the full-width tilde.
  EXPECT_EQ(quorvane::decodeSheetInput("\x5C\x81\x60", "CP932").text, "\\～");
}

// Japanese Windows programs write CP932 under the name Shift_JIS; iconv's own SHIFT_JIS
// would read 0x5C as the yen sign and 0x8160 as the wave dash, which CP932 tags cannot hold.
TEST(SheetEncoding, ShiftJisNamesReadAsCp932) {
  for (const char* name : {"SHIFT_JIS", "Shift-JIS", "sjis", "MS_KANJI", "csShiftJIS"}) {
    const quorvane::DecodedInput decoded = quorvane::decodeSheetInput("\x5C\x81\x60\x82", name);
    EXPECT_EQ(decoded.text, "\\～") << name;
    const std::string expected = std::string("line 1: not ") + name + " text;";
    EXPECT_EQ(decoded.error.substr(0, expected.size()), expected);
  }
}

TEST(SheetEncoding, ByteOrderMarkIsDroppedOnce) {
  const std::string mark = "\xEF\xBB\xBF";
  EXPECT_EQ(quorvane::decodeSheetInput(mark + "a", "").text, "a");
  EXPECT_EQ(quorvane::decodeSheetInput(mark + "a", "UTF-8").text, "a");
  EXPECT_EQ(quorvane::decodeSheetInput(utf16("a", false), "").text, "a");
  // A second one is text, which the rows' checks then see.
  EXPECT_EQ(quorvane::decodeSheetInput(mark + mark + "a", "").text, mark + "a");
}

// UTF-16 code units, with the byte-order mark of their byte order first.
std::string utf16Units(const std::vector<char16_t>& units, bool littleEndian) {
  std::string out = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
  for (const char16_t unit : units) {
    const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    out += littleEndian ? std::string{low, high} : std::string{high, low};
  }
  return out;
}

struct Utf16Case {
  const char* what;
  std::vector<char16_t> units;
  std::string text;   // what decodes: all of it, or what comes before the error
  std::string error;  // the start of the error; "" when the units are good UTF-16
};

class Utf16Input : public ::testing::TestWithParam<std::tuple<Utf16Case, bool>> {};

// Characters above U+FFFF come as a surrogate pair and decode to one four-byte UTF-8
// character; a surrogate without its partner is no text, wherever it stands.
TEST_P(Utf16Input, DecodesByItsByteOrderMark) {
  const auto& [c, littleEndian] = GetParam();
  const quorvane::DecodedInput decoded =
      quorvane::decodeSheetInput(utf16Units(c.units, littleEndian), "");
  EXPECT_EQ(decoded.text, c.text);
  if (c.error.empty()) {
    EXPECT_EQ(decoded.error, "");
    return;
  }
  const std::string error =
      "line " + c.error + (littleEndian ? ": not UTF-16LE text" : ": not UTF-16BE text");
  EXPECT_EQ(decoded.error.substr(0, error.size()), error) << decoded.error;
}

INSTANTIATE_TEST_SUITE_P(
    Surrogates, Utf16Input,
    ::testing::Combine(
        ::testing::Values(
            Utf16Case{"kanji", {0x66F2}, "曲", ""},
            Utf16Case{"last before the surrogates", {0xD7FF}, "\xED\x9F\xBF", ""},
            Utf16Case{"first after the surrogates", {0xE000}, "\xEE\x80\x80", ""},
            Utf16Case{"U+1F3B5", {0xD83C, 0xDFB5}, "\xF0\x9F\x8E\xB5", ""},
            Utf16Case{"U+10000", {0xD800, 0xDC00}, "\xF0\x90\x80\x80", ""},
            Utf16Case{"U+10FFFF", {0xDBFF, 0xDFFF}, "\xF4\x8F\xBF\xBF", ""},
            Utf16Case{"pair between letters",
                      {'a', 0xD83C, 0xDFB5, 'b'},
                      "a\xF0\x9F\x8E\xB5"
                      "b",
                      ""},
            Utf16Case{"two pairs and a kanji",
                      {0xD83C, 0xDFB5, 0xD83D, 0xDE00, 0x66F2},
                      "\xF0\x9F\x8E\xB5\xF0\x9F\x98\x80曲",
                      ""},
            Utf16Case{"high surrogate at the end", {'a', 0xD83C}, "a", "1"},
            Utf16Case{"high surrogate before a letter", {'a', 0xD83C, 'b'}, "a", "1"},
            Utf16Case{"two high surrogates", {0xD83C, 0xD83C, 0xDFB5}, "", "1"},
            Utf16Case{"low surrogate alone", {'a', 0xDFB5, 'b'}, "a", "1"},
            Utf16Case{"pair the wrong way round", {0xDFB5, 0xD83C}, "", "1"},
            Utf16Case{"high surrogate on line 2", {'a', '\n', 'b', 0xDBFF, '\n'}, "a\nb", "2"},
            Utf16Case{"low surrogate on line 3", {'\n', '\n', 0xDC00}, "\n\n", "3"}),
        ::testing::Bool()),
    [](const ::testing::TestParamInfo<Utf16Input::ParamType>& info) {
      std::string name;
      for (const char* p = std::get<0>(info.param).what; *p; ++p) {
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
      }
      return name + (std::get<1>(info.param) ? "_LE" : "_BE");
    });

TEST(SheetEncoding, AUtf16LowSurrogateCutOffAtTheEndIsAnError) {
  for (const bool littleEndian : {true, false}) {
    const std::string cut = utf16Units({'a', 0xD83C, 0xDFB5}, littleEndian);
    const quorvane::DecodedInput decoded =
        quorvane::decodeSheetInput(cut.substr(0, cut.size() - 1), "");
    EXPECT_EQ(decoded.text, "a");
    EXPECT_EQ(decoded.error.substr(0, 20),
              littleEndian ? "line 1: not UTF-16LE" : "line 1: not UTF-16BE");
  }
}

TEST(SheetEncoding, KnownEncodings) {
  EXPECT_TRUE(quorvane::knownEncoding("CP932"));
  EXPECT_TRUE(quorvane::knownEncoding("utf-16le"));
  EXPECT_TRUE(quorvane::knownEncoding("x-sjis"));  // read as CP932
  EXPECT_FALSE(quorvane::knownEncoding("NO-SUCH"));
  EXPECT_FALSE(quorvane::knownEncoding(""));
}

// Cells as they stand in the input, and as apply reads them.
struct QuoteCase {
  const char* what;
  std::string written;
  std::string read;
};

class QuoteCases : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteCases, ReadsTheTitleCell) {
  const auto sheet = parseSheetText(withCell(1, GetParam().written));
  ASSERT_EQ(sheet.rows.size(), 1u) << sheet.errors.front();
  EXPECT_EQ(sheet.rows[0].cells[1], GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, QuoteCases,
    ::testing::Values(QuoteCase{"plain", "Title", "Title"},
                      QuoteCase{"quote inside, as list writes it", "He said \"hi\"",
                                "He said \"hi\""},
                      QuoteCase{"quote inside, as a spreadsheet writes it",
                                "\"He said \"\"hi\"\"\"", "He said \"hi\""},
                      QuoteCase{"quoted plain text", "\"Title\"", "Title"},
                      QuoteCase{"leading quote", "\"\"\"Quoted\"\" title\"", "\"Quoted\" title"},
                      QuoteCase{"one quote, quoted", "\"\"\"\"", "\""},
                      QuoteCase{"two quotes, quoted", "\"\"\"\"\"\"", "\"\""},
                      QuoteCase{"empty, quoted", "\"\"", ""},
                      QuoteCase{"one quote alone", "\"", "\""},
                      QuoteCase{"begins with a quote, does not end with one", "\"abc", "\"abc"},
                      QuoteCase{"ends with a quote, does not begin with one", "abc\"", "abc\""},
                      QuoteCase{"an inner quote not doubled", "\"a\"b\"", "\"a\"b\""},
                      QuoteCase{"three quotes", "\"\"\"", "\"\"\""},
                      QuoteCase{"an odd run of quotes inside", "\"a\"\"\"b\"", "\"a\"\"\"b\""},
                      QuoteCase{"quoted spaces", "\" a \"", " a "}),
    quorvane::testing::caseName<QuoteCases::ParamType>);

// Rows as spreadsheet programs save them: quoted cells that hold the separator, quotes, and
// line breaks, separated by TAB or by commas. `cells` are the title, artist and comment cells
// of each row read, joined by '|'; a TAB, CR or LF in them has become a space.
struct QuotedCase {
  const char* what;
  std::string input;
  std::vector<std::string> cells;  // title|artist|comment of each row
  std::vector<std::size_t> lines;  // where each row begins
  std::vector<std::vector<int>> spaced;
  std::string error = "";  // the one error expected, "" for none
  quorvane::SheetFormat format = quorvane::SheetFormat::Detect;
};

// A row with the given title, artist and comment cells as they stand in the text, separated
// by `sep`, for the file `name`.
std::string rowWith(const std::string& title, const std::string& artist, const std::string& comment,
                    char sep = '\t', const std::string& name = "a.mp3") {
  const std::string s(1, sep);
  return name + s + title + s + artist + s + "B" + s + "1999" + s + comment + s + "Rock" + s +
         name + s + "2" + s + "17";
}

class QuotedCells : public ::testing::TestWithParam<QuotedCase> {};

TEST_P(QuotedCells, ReadAsSpreadsheetsWriteThem) {
  const QuotedCase& c = GetParam();
  const auto sheet = parseSheetText(c.input, {}, {}, c.format);
  if (c.error.empty()) {
    EXPECT_TRUE(sheet.errors.empty()) << sheet.errors.front();
  } else {
    EXPECT_EQ(sheet.errors, std::vector<std::string>{c.error});
  }
  std::vector<std::string> cells;
  std::vector<std::size_t> lines;
  std::vector<std::vector<int>> spaced;
  for (const auto& row : sheet.rows) {
    cells.push_back(row.cells[1] + "|" + row.cells[2] + "|" + row.cells[5]);
    lines.push_back(row.line);
    spaced.push_back(row.spacedColumns);
  }
  EXPECT_EQ(cells, c.cells);
  EXPECT_EQ(lines, c.lines);
  EXPECT_EQ(spaced, c.spaced);
}

INSTANTIATE_TEST_SUITE_P(
    Tabs, QuotedCells,
    ::testing::Values(
        QuotedCase{
            "a TAB in a quoted title", rowWith("\"T\tX\"", "A", "C"), {"T X|A|C"}, {1}, {{1}}},
        QuotedCase{"a line break in a quoted comment, then a row",
                   rowWith("T", "A", "\"Line one\nLine two\"") + "\n" +
                       rowWith("U", "A", "C", '\t', "b.mp3") + "\n",
                   {"T|A|Line one Line two", "U|A|C"},
                   {1, 3},
                   {{5}, {}}},
        QuotedCase{"CR LF in a quoted cell: two spaces, as list shows them",
                   rowWith("\"x\r\ny\"", "A", "C") + "\r\n",
                   {"x  y|A|C"},
                   {1},
                   {{1}}},
        QuotedCase{"breaks in three cells of a row over five lines",
                   rowWith("\"1\n2\"", "\"3\n\n4\"", "\"5\t\r6\"") + "\n" +
                       rowWith("T", "A", "C", '\t', "b.mp3"),
                   {"1 2|3  4|5  6", "T|A|C"},
                   {1, 5},
                   {{1, 2, 5}, {}}},
        QuotedCase{"quotes doubled beside a line break",
                   rowWith("\"\"\"Hi\"\"\nthere\"", "A", "C"),
                   {"\"Hi\" there|A|C"},
                   {1},
                   {{1}}},
        QuotedCase{"a comma in a tab-separated cell stands",
                   rowWith("a, b", "\"c, d\"", "C"),
                   {"a, b|c, d|C"},
                   {1},
                   {{}}},
        QuotedCase{"a quote never closed, in a row cut short",
                   rowWith("T", "A", "C") + "\n" + "b.mp3\t\"Line one\nLine two\tA\n" +
                       rowWith("T", "A", "C", '\t', "c.mp3") + "\n",
                   {"T|A|C"},
                   {1},
                   {{}},
                   "line 2: the double quote that opens cell 2 is never closed"},
        QuotedCase{"a quote never closed on the row's second line",
                   "a.mp3\t\"x\ny\"\t\"z\tA\n",
                   {},
                   {},
                   {},
                   "line 2: the double quote that opens cell 3 is never closed (in the row that "
                   "begins on line 1)"},
        QuotedCase{"an open quote in a whole row reads as it stands, as before",
                   rowWith("\"abc", "A", "C") + "\n" + rowWith("T", "A", "C", '\t', "b.mp3"),
                   {"\"abc|A|C", "T|A|C"},
                   {1, 2},
                   {{}, {}}},
        QuotedCase{"a later quote does not join a whole row to the next ones",
                   rowWith("\"abc", "A", "C") + "\n" + rowWith("T", "x\"", "C", '\t', "b.mp3"),
                   {"\"abc|A|C", "T|x\"|C"},
                   {1, 2},
                   {{}, {}}},
        QuotedCase{
            "wrong size after a line break: the error names the row's first line",
            rowWith("\"a\nb\"", "A", "C") + "\tx\ty\n" + rowWith("T", "A", "C", '\t', "b.mp3"),
            {"T|A|C"},
            {3},
            {{}},
            "line 1: expected 10 or 11 cells separated by TAB, found 12"},
        QuotedCase{"text with commas forced to tabs",
                   rowWith("T", "A", "C", ','),
                   {},
                   {},
                   {},
                   "line 1: expected 10 or 11 cells separated by TAB, found 1",
                   quorvane::SheetFormat::Tabs}),
    quorvane::testing::caseName<QuotedCells::ParamType>);

INSTANTIATE_TEST_SUITE_P(
    Commas, QuotedCells,
    ::testing::Values(
        QuotedCase{"plain", rowWith("T", "A", "C", ','), {"T|A|C"}, {1}, {{}}},
        QuotedCase{"CRLF line ends and a BOM",
                   "\xEF\xBB\xBF" + rowWith("T", "A", "C", ',') + "\r\n" +
                       rowWith("U", "A", "C", ',', "b.mp3") + "\r\n",
                   {"T|A|C", "U|A|C"},
                   {1, 2},
                   {{}, {}}},
        QuotedCase{"commas and quotes in quoted cells",
                   rowWith("\"Hello, \"\"world\"\"\"", "\",\"", "\"\"\"\"", ','),
                   {"Hello, \"world\"|,|\""},
                   {1},
                   {{}}},
        QuotedCase{"a quote inside an unquoted cell stands",
                   rowWith("He said \"hi\"", "A", "C", ','),
                   {"He said \"hi\"|A|C"},
                   {1},
                   {{}}},
        QuotedCase{
            "a line break and a TAB in quoted cells",
            rowWith("\"a\nb\"", "\"c\td\"", "C", ',') + "\n" + rowWith("T", "A", "C", ',', "b.mp3"),
            {"a b|c d|C", "T|A|C"},
            {1, 3},
            {{1, 2}, {}}},
        QuotedCase{"a TAB in a quoted cell of the first line still reads as commas",
                   rowWith("\"a\tb\"", "A", "C", ','),
                   {"a b|A|C"},
                   {1},
                   {{1}}},
        QuotedCase{"quoted empty cells", rowWith("\"\"", "\"\"", "\"\"", ','), {"||"}, {1}, {{}}},
        QuotedCase{"eleven cells with a fingerprint",
                   rowWith("T", "A", "C", ',') + ",1a0.00112233445566778899aabbccddeeff",
                   {"T|A|C"},
                   {1},
                   {{}}},
        QuotedCase{"a quote never closed",
                   rowWith("T", "A", "C", ',') + "\n" + "b.mp3,\"x,y\n" +
                       rowWith("T", "A", "C", ',', "c.mp3"),
                   {"T|A|C"},
                   {1},
                   {{}},
                   "line 2: the double quote that opens cell 2 is never closed"},
        QuotedCase{"a short second row",
                   rowWith("T", "A", "C", ',') + "\nb.mp3,x\n",
                   {"T|A|C"},
                   {1},
                   {{}},
                   "line 2: expected 10 or 11 cells separated by commas, found 2"},
        QuotedCase{"forced, a row that would read as tabs",
                   rowWith("T", "A", "C") + "\n",
                   {},
                   {},
                   {},
                   "line 1: expected 10 or 11 cells separated by commas, found 1",
                   quorvane::SheetFormat::Commas},
        QuotedCase{"forced, a title with commas and TABs",
                   "a.mp3,\"x\ty\",A,B,1999,C,Rock,a.mp3,2,17\n",
                   {"x y|A|C"},
                   {1},
                   {{1}},
                   "",
                   quorvane::SheetFormat::Commas}),
    quorvane::testing::caseName<QuotedCells::ParamType>);

// A TAB or line break can be in no file name: in cells 1 and 8 it is refused, not spaced.
TEST(SheetText, NamesWithATabOrLineBreakAreRefused) {
  for (const std::string name : {"a\tb.mp3", "a\nb.mp3", "a\rb.mp3"}) {
    for (const int col : {0, 7}) {
      std::vector<std::string> cells = cellsOf(kRow);
      cells[static_cast<std::size_t>(col)] = name;
      std::string line;
      for (std::size_t c = 0; c < cells.size(); ++c) {
        if (c > 0) line += ',';
        quorvane::appendCell(line, cells[c], ',');
      }
      const auto sheet = parseSheetText(line + "\r\n");
      ASSERT_EQ(sheet.errors.size(), 1u) << line;
      EXPECT_EQ(sheet.errors[0], "line 1: cell " + std::to_string(col + 1) +
                                     " holds a TAB or line break, which no file name may hold");
    }
  }
}

// Every cell that list writes reads back as it was: all texts up to five characters made of
// quotes, a letter, a space, a comma and U+FEFF, in every cell, the first of the text
// included, separated by TAB and by commas.
TEST(SheetText, EveryCellListWritesReadsBackExactly) {
  const std::vector<std::string> pieces = {"\"", "a", " ", ",", "\xEF\xBB\xBF"};
  std::vector<std::string> texts = {""};
  for (std::size_t begin = 0, length = 0; length < 5; ++length) {
    const std::size_t end = texts.size();
    for (std::size_t i = begin; i < end; ++i) {
      for (const std::string& piece : pieces) texts.push_back(texts[i] + piece);
    }
    begin = end;
  }
  for (const char separator : {'\t', ','}) {
    for (const std::string& text : texts) {
      std::vector<std::string> cells = cellsOf(kRow);
      cells[0] = text + "x.mp3";  // the first cell of the text
      cells[1] = text;
      cells[5] = text + "x";
      cells[7] = "x" + text;
      std::string line;
      for (std::size_t c = 0; c < cells.size(); ++c) {
        if (c > 0) line += separator;
        quorvane::appendCell(line, cells[c], separator);
      }
      const auto sheet = parseSheetText(line + (separator == ',' ? "\r\n" : "\n"));
      ASSERT_EQ(sheet.rows.size(), 1u) << "[" << text << "]: " << sheet.errors.front();
      EXPECT_EQ(sheet.rows[0].cells, cells) << "[" << text << "] written as [" << line << "]";
      EXPECT_EQ(sheet.commaSeparated, separator == ',') << line;
    }
  }
}

TEST(SheetText, ListQuotesOnlyCellsThatBeginWithAQuote) {
  const auto written = [](std::string_view cell) {
    std::string row;
    quorvane::appendCell(row, cell);
    return row;
  };
  EXPECT_EQ(written("He said \"hi\""), "He said \"hi\"");
  EXPECT_EQ(written("\"Quoted\" title"), "\"\"\"Quoted\"\" title\"");
  EXPECT_EQ(written("\""), "\"\"\"\"");
  EXPECT_EQ(written("\"\""), "\"\"\"\"\"\"");
  EXPECT_EQ(written(""), "");
  EXPECT_EQ(written("a, b"), "a, b");
}

// With commas, as RFC 4180 has it: every cell holding a comma, a quote, CR or LF is quoted.
TEST(SheetText, CommaSeparatedCellsAreQuotedByRfc4180) {
  const auto written = [](std::string_view cell) {
    std::string row;
    quorvane::appendCell(row, cell, ',');
    return row;
  };
  EXPECT_EQ(written("plain text"), "plain text");
  EXPECT_EQ(written("a, b"), "\"a, b\"");
  EXPECT_EQ(written("He said \"hi\""), "\"He said \"\"hi\"\"\"");
  EXPECT_EQ(written("a\nb"), "\"a\nb\"");
  EXPECT_EQ(written("a\rb"), "\"a\rb\"");
  EXPECT_EQ(written("a\tb"), "a\tb");
  EXPECT_EQ(written("\xEF\xBB\xBFx"), "\"\xEF\xBB\xBFx\"");
  EXPECT_EQ(written(""), "");
}

}  // namespace

namespace {

// Windows keeps names that only UTF-16 can hold (a surrogate without its partner); list
// prints them as WTF-8 does, and apply must read them back to the same file.
TEST(SheetText, NamesWithALoneSurrogateReadBackAsTheyWereListed) {
  for (const std::string name : {"x\xED\xA0\x80.mp3", "\xED\xB0\x80.mp3", "a\xED\xB0\x80\xED\xA0\x80.mp3"}) {
    const auto sheet = parseSheetText(name + "\tT\tA\tB\t1999\tC\tRock\t" + name + "\t2\t17");
    ASSERT_TRUE(sheet.errors.empty()) << sheet.errors.front();
    EXPECT_EQ(sheet.rows[0].cells[0], name);
    EXPECT_EQ(sheet.rows[0].cells[7], name);
  }
  // A pair has one form, four bytes: written as two surrogates it is no WTF-8.
  const auto pair = parseSheetText(withCell(1, "\xED\xA0\xBD\xED\xBE\xB5"));
  ASSERT_FALSE(pair.errors.empty());
  EXPECT_EQ(pair.errors.front().substr(0, 19), "line 1: not UTF-8 t");
}

// The system's own rule decides which names stay in FOLDER: on Windows a backslash or a
// colon leads out of it as a slash does.
TEST(SheetText, NamesFollowTheSystemsRule) {
  const quorvane::NameRule windows = [](std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("\\/:") == std::string_view::npos;
  };
  for (const auto& [col, name] : std::vector<std::pair<int, std::string>>{
           {7, "..\\..\\somewhere\\file.mp3"}, {0, "\\x.mp3"}, {0, "C:x.mp3"}, {7, "a.mp3:stream"}}) {
    const auto sheet = parseSheetText(withCell(col, name), {}, windows);
    ASSERT_EQ(sheet.errors.size(), 1u) << name;
    EXPECT_NE(sheet.errors[0].find(col == 0 ? "(cell 1)" : "(cell 8)"), std::string::npos)
        << sheet.errors[0];
    EXPECT_TRUE(parseSheetText(withCell(col, name)).errors.empty())
        << name << ": a plain name where only '/' separates";
  }
}

}  // namespace

namespace {

// list prints a row in one pass where no cell needs quoting: it must write exactly what
// writing cell by cell writes, whatever the cells hold and wherever.
TEST(SheetText, ARowWrittenAtOnceIsItsCellsWrittenOneByOne) {
  std::mt19937 random(11);
  const std::vector<std::string> pieces = {"a", "曲名", " ", "\t", "\r", "\n", ",", "\"",
                                           "\xEF\xBB\xBF", "\xEF", "0123456789", "x y z w v"};
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::string> texts(quorvane::kSheetCols);
    for (std::string& text : texts) {
      for (unsigned n = random() % 5; n > 0; --n) text += pieces[random() % pieces.size()];
    }
    std::vector<std::string_view> views(texts.begin(), texts.end());
    const quorvane::RowCells cells(views, quorvane::kSheetCols);
    for (char separator : {'\t', ','}) {
      std::string expected;
      for (int c = 0; c < quorvane::kSheetCols; ++c) {
        if (c > 0) expected += separator;
        quorvane::appendCell(expected, texts[static_cast<std::size_t>(c)], separator);
      }
      std::string written = "before";
      quorvane::appendRow(written, cells, quorvane::kSheetCols, separator);
      ASSERT_EQ(written, "before" + expected) << "round " << round;
    }
  }
}

}  // namespace
