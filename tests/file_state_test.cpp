// A file's fingerprint: every byte of its tag and its length tell two states apart, and
// the text form reads back only when it is exactly what text() writes.
#include "tagcodec/file_state.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace {

using namespace quorvane;
using namespace quorvane::testing;

FileEnd endOf(const Bytes& contents) {
  FileEnd end;
  end.opened = true;
  end.size = static_cast<std::int64_t>(contents.size());
  const std::size_t kept = std::min<std::size_t>(contents.size(), kTagSize);
  std::copy(contents.end() - static_cast<std::ptrdiff_t>(kept), contents.end(), end.tail.begin());
  return end;
}

// Every bit of every byte that the fingerprint covers, in files of every length up to a
// tag and beyond: a hash that skipped a byte (the genre, say) would let another program's
// change through unseen.
TEST(FileStateOf, EveryByteOfTheLastBytesCounts) {
  for (const std::size_t size : {std::size_t{1}, std::size_t{7}, std::size_t{8}, std::size_t{9},
                                 std::size_t{63}, std::size_t{127}, kTagSize, std::size_t{300}}) {
    const Bytes file =
        size >= kTagSize ? concat(audio(size - kTagSize), rawTag(bytesOf("Title"))) : audio(size);
    const FileState state = fileStateOf(endOf(file));
    const std::size_t kept = std::min(size, kTagSize);
    for (std::size_t at = 0; at < kept; ++at) {
      for (int bit = 0; bit < 8; ++bit) {
        Bytes changed = file;
        changed[size - kept + at] ^= static_cast<std::uint8_t>(1u << bit);
        EXPECT_NE(fileStateOf(endOf(changed)), state)
            << "size " << size << ", byte " << at << " of the last " << kept << ", bit " << bit;
      }
    }
  }
}

TEST(FileStateOf, TheLengthCountsWithTheSameLastBytes) {
  const Bytes tag = rawTag(bytesOf("Title"), {}, {}, {}, {}, 17);
  const FileState state = fileStateOf(endOf(concat(audio(300), tag)));
  for (const std::size_t other : {std::size_t{0}, std::size_t{299}, std::size_t{301},
                                  std::size_t{300 + 256}, std::size_t{1} << 20}) {
    FileEnd end = endOf(concat(audio(300), tag));
    end.size = static_cast<std::int64_t>(other + kTagSize);
    EXPECT_NE(fileStateOf(end), state) << other;
    EXPECT_EQ(fileStateOf(end).size, end.size);
  }
  // Zero bytes are bytes: a file of one zero byte is no empty file.
  EXPECT_NE(fileStateOf(endOf(Bytes(1, 0))), fileStateOf(endOf(Bytes())));
  EXPECT_NE(fileStateOf(endOf(Bytes(8, 0))), fileStateOf(endOf(Bytes(9, 0))));
}

TEST(FileStateOf, TheSameBytesGiveTheSameStateAndAnUnreadFileNone) {
  const Bytes file = concat(audio(500), rawTag(bytesOf("Same"), {}, {}, {}, {}, 3));
  EXPECT_EQ(fileStateOf(endOf(file)), fileStateOf(endOf(file)));
  const FileState unread = fileStateOf(FileEnd{});
  EXPECT_EQ(unread.size, -1);
  EXPECT_EQ(unread.text(), "-");
}

// ---- the text form ----

TEST(FileStateText, ReadsBackWhatItWrites) {
  std::vector<FileState> states = {fileStateOf(FileEnd{}), fileStateOf(endOf(Bytes())),
                                   fileStateOf(endOf(audio(5))),
                                   fileStateOf(endOf(concat(audio(300), rawTag(bytesOf("T")))))};
  FileEnd large = endOf(concat(audio(300), rawTag(bytesOf("T"))));
  large.size = std::int64_t{5} << 30;  // past 32 bits, as a sparse 5 GiB file has
  states.push_back(fileStateOf(large));
  for (const FileState& state : states) {
    const std::optional<FileState> back = FileState::parse(state.text());
    ASSERT_TRUE(back.has_value()) << state.text();
    EXPECT_EQ(*back, state) << state.text();
  }
  EXPECT_EQ(fileStateOf(large).text().substr(0, 10), "140000000.");
}

struct BadText {
  const char* what;
  std::string text;
};

void PrintTo(const BadText& c, std::ostream* out) {
  *out << '"' << c.text << '"';
}

class FileStateBadText : public ::testing::TestWithParam<BadText> {};

TEST_P(FileStateBadText, IsNoFingerprint) {
  EXPECT_FALSE(FileState::parse(GetParam().text).has_value()) << GetParam().text;
}

const std::string kHash = "00112233445566778899aabbccddeeff";

INSTANTIATE_TEST_SUITE_P(
    Texts, FileStateBadText,
    ::testing::Values(
        BadText{"one hex digit too many", "1a0." + kHash + "0"},
        BadText{"two hex digits too many", "1a0." + kHash + "00"},
        BadText{"one hex digit too few", "1a0." + kHash.substr(1)},
        BadText{"two hex digits too few", "1a0." + kHash.substr(2)}, BadText{"no hash", "1a0."},
        BadText{"no length", "." + kHash}, BadText{"no dot", "1a0" + kHash},
        BadText{"only the length", "1a0"}, BadText{"empty", ""}, BadText{"only a dot", "."},
        BadText{"two dots", "1a0.." + kHash.substr(1)},
        BadText{"a dot in the hash", "1a0." + kHash.substr(0, 16) + "." + kHash.substr(17)},
        BadText{"upper-case hash", "1a0.00112233445566778899AABBCCDDEEFF"},
        BadText{"upper-case length", "1A0." + kHash},
        BadText{"not hex in the hash", "1a0.0011223344556677889gaabbccddeeff"},
        BadText{"negative length", "-1a0." + kHash}, BadText{"plus sign", "+1a0." + kHash},
        BadText{"space before", " 1a0." + kHash}, BadText{"space after", "1a0." + kHash + " "},
        BadText{"line end after", "1a0." + kHash + "\n"},
        BadText{"length past 64 bits", "10000000000000000." + kHash},
        BadText{"a dash with more", "-." + kHash}),
    caseName<BadText>);

}  // namespace
