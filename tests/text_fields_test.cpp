#include "tagcodec/text_fields.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "tagcodec/code_page.h"
#include "tagcodec/utf8.h"
#include "tests/test_support.h"

namespace {

using quorvane::testing::Bytes;
using quorvane::testing::bytesOf;
using quorvane::testing::concat;
using quorvane::testing::spaces;

std::string escape(std::uint8_t byte) {
  std::string text;
  quorvane::utf8::appendEscape(text, byte);
  return text;
}

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

const Bytes kA = {0x82, 0xA0};  // "あ" in CP932

Bytes repeatBytes(const Bytes& b, int n) {
  Bytes out;
  for (int i = 0; i < n; ++i) out.insert(out.end(), b.begin(), b.end());
  return out;
}

struct ReadCase {
  const char* what;
  Bytes field;
  std::string text;
};

class BytesToTextCases : public ::testing::TestWithParam<ReadCase> {};

TEST_P(BytesToTextCases, Reads) {
  const ReadCase& c = GetParam();
  EXPECT_EQ(Module1::BytesToText(c.field), c.text) << c.what;
}

Bytes padded(Bytes b, std::size_t width, std::uint8_t fill) {
  b.resize(width, fill);
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, BytesToTextCases,
    ::testing::Values(ReadCase{"zero bytes only", Bytes(30, 0), ""},
                      ReadCase{"first byte zero", padded({0, 'a', 'b'}, 30, 'x'), ""},
                      ReadCase{"letters, zero, more bytes",
                               padded({'a', 'b', 'c', 0, 'x', 'y'}, 30, 'z'), "abc"},
                      ReadCase{"no zero keeps trailing spaces", padded(bytesOf("word"), 30, ' '),
                               "word" + std::string(26, ' ')},
                      ReadCase{"year field", bytesOf("1999"), "1999"},
                      ReadCase{"double-byte text", padded(repeatBytes(kA, 2), 30, 0), "ああ"},
                      ReadCase{"half-width katakana", padded({0xB1, 0xB2}, 30, 0), "ｱｲ"},
                      ReadCase{"undecodable single bytes", padded({0x80, 'a', 0xFF}, 30, 0),
                               escape(0x80) + "a" + escape(0xFF)},
                      ReadCase{"lead byte cut off at the end",
                               padded(concat(bytesOf("a"), {0x82}), 2, 0), "a" + escape(0x82)},
                      ReadCase{"lead byte before an invalid trail",
                               padded({0x82, 0x20, 'b'}, 30, 0), escape(0x82) + " b"}),
    quorvane::testing::caseName<BytesToTextCases::ParamType>);

struct WriteCase {
  const char* what;
  std::size_t width;
  std::string text;
  Bytes field;
};

class TextToBytesCases : public ::testing::TestWithParam<WriteCase> {};

TEST_P(TextToBytesCases, Writes) {
  const WriteCase& c = GetParam();
  Bytes field(c.width, 0xEE);  // every byte must be overwritten
  Module1::TextToBytes(field, c.text);
  EXPECT_EQ(field, c.field) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, TextToBytesCases,
    ::testing::Values(
        WriteCase{"empty title is spaces, never zeros", 30, "", spaces(30)},
        WriteCase{"empty year", 4, "", spaces(4)},
        WriteCase{"short word padded with spaces", 30, "word", padded(bytesOf("word"), 30, ' ')},
        WriteCase{"31 letters keep 30", 30, std::string(31, 'x'), Bytes(30, 'x')},
        WriteCase{"five-digit year cut", 4, "12345", bytesOf("1234")},
        WriteCase{"two-digit year padded", 4, "12", bytesOf("12  ")},
        WriteCase{"marker", 3, "TAG", {0x54, 0x41, 0x47}},
        WriteCase{"fifteen double-byte characters fill exactly", 30, repeat("あ", 15),
                  repeatBytes(kA, 15)},
        WriteCase{"straddling character keeps its lead byte", 30, "a" + repeat("あ", 15),
                  concat(concat(bytesOf("a"), repeatBytes(kA, 14)), {0x82})},
        WriteCase{"character outside the code page is '?'", 4, "a😀é", bytesOf("a?? ")},
        WriteCase{"escapes become their bytes",
                  4,
                  escape(0x80) + "b" + escape(0xFD),
                  {0x80, 'b', 0xFD, ' '}},
        WriteCase{"invalid UTF-8 is '?'", 4, std::string("a\xC3", 2), bytesOf("a?  ")}),
    quorvane::testing::caseName<TextToBytesCases::ParamType>);

// Decode then encode, the way a tag field travels when the user leaves it alone.
Bytes roundTrip(const Bytes& bytes) {
  const auto& page = quorvane::tagCodePage();
  const std::string text =
      page.decode(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  const std::string back = page.encode(text);
  return Bytes(back.begin(), back.end());
}

std::string decodeBytes(const Bytes& bytes) {
  return quorvane::tagCodePage().decode(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// CP932 maps some characters twice, and encoding can give back only one of each pair:
// NEC's row 13 repeats nine symbols of JIS X 0208 (lead 0x87), NEC's selection of IBM
// extensions (leads 0xED, 0xEE) repeats IBM's own (0xFA-0xFC), and fifteen of IBM's
// (lead 0xFA: roman numerals and signs) repeat NEC's.
bool isKnownDuplicateLead(std::uint8_t lead) {
  return lead == 0x87 || lead == 0xED || lead == 0xEE || lead == 0xFA;
}

TEST(CodePageRoundTrip, EverySingleAndDoubleByteSequenceComesBack) {
  int duplicates = 0;
  for (int b1 = 1; b1 <= 0xFF; ++b1) {
    const Bytes one{static_cast<std::uint8_t>(b1)};
    ASSERT_EQ(roundTrip(one), one) << std::hex << b1;
    for (int b2 = 1; b2 <= 0xFF; ++b2) {
      const Bytes two{static_cast<std::uint8_t>(b1), static_cast<std::uint8_t>(b2)};
      const Bytes back = roundTrip(two);
      if (back == two) continue;
      ++duplicates;
      // A duplicate must still mean the same character, and only the known pairs may differ.
      EXPECT_TRUE(isKnownDuplicateLead(two[0])) << std::hex << b1 << " " << b2;
      EXPECT_EQ(decodeBytes(back), decodeBytes(two)) << std::hex << b1 << " " << b2;
      EXPECT_EQ(roundTrip(back), back);
    }
  }
  EXPECT_EQ(duplicates, 9 + 188 + 186 + 15);  // glibc's CP932 table
}

TEST(CodePageRoundTrip, UndecodableBytesSurviveInAnyContext) {
  const auto& page = quorvane::tagCodePage();
  int undecodable = 0;
  for (int b = 0x80; b <= 0xFF; ++b) {
    const std::string one(1, static_cast<char>(b));
    if (page.decode(one) != escape(static_cast<std::uint8_t>(b))) continue;
    ++undecodable;
    for (const Bytes& bytes :
         {Bytes{static_cast<std::uint8_t>(b)}, Bytes{'x', static_cast<std::uint8_t>(b), ' '},
          Bytes{0x82, 0xA0, static_cast<std::uint8_t>(b)}}) {
      EXPECT_EQ(roundTrip(bytes), bytes) << std::hex << b;
    }
  }
  // 0x80, 0xA0 and 0xFD-0xFF never decode in CP932; the 60 lead bytes do not on their own.
  EXPECT_EQ(undecodable, 65);
}

TEST(CodePageRoundTrip, LoneLeadByteBeforeADuplicatePairStaysAlone) {
  // A lone lead byte is kept as an escape; the character after it must not be written
  // with a code whose first byte would pair with it (EE ED 40 once came back as EE FA 5C).
  const auto& page = quorvane::tagCodePage();
  int checked = 0;
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    for (int b1 : {0x87, 0xED, 0xEE, 0xFA}) {
      for (int b2 = 0x40; b2 <= 0xFC; ++b2) {
        const Bytes pair{static_cast<std::uint8_t>(b1), static_cast<std::uint8_t>(b2)};
        if (roundTrip(pair) == pair) continue;  // not a duplicate
        const Bytes bytes{static_cast<std::uint8_t>(lead), pair[0], pair[1]};
        const std::string text = decodeBytes(bytes);
        if (text.rfind(escape(static_cast<std::uint8_t>(lead)), 0) != 0) continue;
        ++checked;
        const std::string back = page.encode(text);
        ASSERT_EQ(page.decode(back), text) << std::hex << lead << " " << b1 << " " << b2;
      }
    }
  }
  EXPECT_GT(checked, 398);
  EXPECT_EQ(roundTrip({0xEE, 0xED, 0x40}), (Bytes{0xEE, 0xED, 0x40}));
}

TEST(CodePageRoundTrip, EscapesBelow0x80AreNotBytes) {
  // Decoding never makes them in CP932; as text they must not become ASCII (or zero) bytes.
  Bytes field(4);
  Module1::TextToBytes(field, escape(0x00) + escape(0x2F) + "a");
  EXPECT_EQ(field, bytesOf("??a "));
}

TEST(CodePageRoundTrip, RandomFieldsComeBack) {
  std::mt19937 random(1234);
  for (int i = 0; i < 20000; ++i) {
    Bytes field(1 + random() % 30);
    for (auto& b : field) b = static_cast<std::uint8_t>(1 + random() % 255);
    // Avoid the duplicate pairs: pin every lead of them to a plain letter.
    for (auto& b : field) {
      if (isKnownDuplicateLead(b)) b = 'k';
    }
    ASSERT_EQ(roundTrip(field), field);
  }
}

struct Encoding {
  const char* name;
};

class OtherCodePages : public ::testing::TestWithParam<Encoding> {};

TEST_P(OtherCodePages, RandomBytesComeBack) {
  QUORVANE_SKIP_WITHOUT_ICONV();
  std::string error;
  auto page = quorvane::CodePage::open(GetParam().name, &error);
  ASSERT_TRUE(page) << error;
  std::mt19937 random(99);
  for (int i = 0; i < 5000; ++i) {
    std::string bytes(1 + random() % 30, '\0');
    for (auto& b : bytes) b = static_cast<char>(1 + random() % 255);
    const std::string text = page->decode(bytes);
    ASSERT_EQ(page->encode(text), bytes) << GetParam().name;
  }
}

// UTF-8 can name U+10FExx itself: those bytes must come back as they were, not as one byte.
INSTANTIATE_TEST_SUITE_P(Encodings, OtherCodePages,
                         ::testing::Values(Encoding{"UTF-8"}, Encoding{"EUC-JP"},
                                           Encoding{"ISO-8859-1"}));

TEST(OtherCodePages, UnicodeEscapeRangeInUtf8IsKeptAsBytes) {
  QUORVANE_SKIP_WITHOUT_ICONV();
  auto page = quorvane::CodePage::open("UTF-8", nullptr);
  ASSERT_TRUE(page);
  const std::string bytes = "\xF4\x8F\xBA\x81";  // U+10FE81 written out in UTF-8
  EXPECT_EQ(page->encode(page->decode(bytes)), bytes);
}

class TagCodePageSetting : public ::testing::Test {
 protected:
  void TearDown() override {
    quorvane::testing::unsetEnvironment("QUORVANE_CODEPAGE");
    ASSERT_TRUE(quorvane::initTagCodePage(nullptr));
  }
};

TEST_F(TagCodePageSetting, UnknownNameIsAnErrorNotAFallback) {
  const std::string before = quorvane::tagCodePage().name();
  quorvane::testing::setEnvironment("QUORVANE_CODEPAGE", "NO-SUCH-CODEPAGE");
  std::string error;
  EXPECT_FALSE(quorvane::initTagCodePage(&error));
  EXPECT_NE(error.find("NO-SUCH-CODEPAGE"), std::string::npos);
  EXPECT_EQ(quorvane::tagCodePage().name(), before);
}

TEST_F(TagCodePageSetting, AnotherCodePageIsUsedForFields) {
  QUORVANE_SKIP_WITHOUT_ICONV();
  quorvane::testing::setEnvironment("QUORVANE_CODEPAGE", "ISO-8859-1");
  ASSERT_TRUE(quorvane::initTagCodePage(nullptr));
  EXPECT_EQ(Module1::BytesToText(Bytes{'c', 'a', 'f', 0xE9}), "café");
  Bytes field(4);
  Module1::TextToBytes(field, "あé");
  EXPECT_EQ(field, (Bytes{'?', 0xE9, ' ', ' '}));
}

TEST_F(TagCodePageSetting, CodePagesThatChangeAsciiAreRefused) {
  QUORVANE_SKIP_WITHOUT_ICONV();
  for (const char* name : {"IBM037", "UTF-16", "UTF-32LE"}) {
    SCOPED_TRACE(name);
    quorvane::testing::setEnvironment("QUORVANE_CODEPAGE", name);
    std::string error;
    EXPECT_FALSE(quorvane::initTagCodePage(&error));
    EXPECT_NE(error.find(name), std::string::npos) << error;
    EXPECT_NE(error.find("ASCII"), std::string::npos) << error;
  }
}

TEST_F(TagCodePageSetting, DefaultIsCp932) {
  quorvane::testing::unsetEnvironment("QUORVANE_CODEPAGE");
  ASSERT_TRUE(quorvane::initTagCodePage(nullptr));
  EXPECT_EQ(quorvane::tagCodePage().name(), "CP932");
  EXPECT_EQ(Module1::BytesToText(kA), "あ");
}

}  // namespace
