#include "tagcodec/field_bytes.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace {

using quorvane::countFieldBytes;

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

struct CountCase {
  const char* what;
  std::string text;
  std::size_t width, bytes;
  bool tooLong, splits;
  std::string shown;
};

class FieldByteCounts : public ::testing::TestWithParam<CountCase> {};

TEST_P(FieldByteCounts, CountsEncodedBytes) {
  const CountCase& c = GetParam();
  const auto count = countFieldBytes(c.text, c.width);
  EXPECT_EQ(count.bytes, c.bytes);
  EXPECT_EQ(count.tooLong(), c.tooLong);
  EXPECT_EQ(count.splitsCharacter, c.splits);
  EXPECT_EQ(quorvane::formatByteCount(count), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FieldByteCounts,
    ::testing::Values(
        CountCase{"empty", "", 30, 0, false, false, "0/30 バイト"},
        CountCase{"ASCII", "Hello", 30, 5, false, false, "5/30 バイト"},
        CountCase{"Japanese counts two a character", "夜明け", 30, 6, false, false,
                  "6/30 バイト"},
        CountCase{"half-width katakana counts one", "ｱｲｳ", 30, 3, false, false, "3/30 バイト"},
        CountCase{"fifteen double-byte fill exactly", repeat("あ", 15), 30, 30, false, false,
                  "30/30 バイト"},
        CountCase{"mixed, cut inside a character", "a" + repeat("あ", 15), 30, 31, true, true,
                  "31/30 バイト"},
        CountCase{"too long, cut between characters", repeat("あ", 17), 30, 34, true, false,
                  "34/30 バイト"},
        CountCase{"year", "20011", 4, 5, true, false, "5/4 バイト"},
        CountCase{"outside the code page is one '?'", "😀", 30, 1, false, false,
                  "1/30 バイト"}),
    quorvane::testing::caseName<FieldByteCounts::ParamType>);

}  // namespace
