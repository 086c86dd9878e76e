// Patterns between file names and tags: reading, matching a name, making a name.
#include "editing/name_patterns.h"

#include <gtest/gtest.h>

#include <map>

#include "sheet/sheet_columns.h"
#include "tests/test_support.h"

namespace {

using namespace quorvane;
using quorvane::testing::caseName;

using Texts = std::vector<std::pair<int, std::string>>;

struct MatchCase {
  const char* what;
  std::string pattern, name;
  std::optional<Texts> texts;  // nullopt: the name does not fit
};

class MatchNames : public ::testing::TestWithParam<MatchCase> {};

TEST_P(MatchNames, TakesTheTagsOutOfTheName) {
  const MatchCase& c = GetParam();
  std::string error;
  const auto pattern = parseNamePattern(c.pattern, false, error);
  ASSERT_TRUE(pattern) << error;
  EXPECT_EQ(matchNamePattern(*pattern, c.name), c.texts);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MatchNames,
    ::testing::Values(
        MatchCase{"artist and title", "%artist% - %title%", "Artist - Title",
                  Texts{{colArtist, "Artist"}, {colTitle, "Title"}}},
        MatchCase{"a track number skipped", "* %artist% - %title%", "03 The Band - A Song",
                  Texts{{colArtist, "The Band"}, {colTitle, "A Song"}}},
        MatchCase{"the first separator splits, the last takes the rest", "%artist% - %title%",
                  "A - B - C", Texts{{colArtist, "A"}, {colTitle, "B - C"}}},
        MatchCase{"surrounding spaces dropped", "%artist%-%title%", " Artist  -  Title ",
                  Texts{{colArtist, "Artist"}, {colTitle, "Title"}}},
        MatchCase{"Japanese text and a full-width separator", "%artist%／%title%", "山田花子／夜明けの歌",
                  Texts{{colArtist, "山田花子"}, {colTitle, "夜明けの歌"}}},
        MatchCase{"a separator missing", "%artist% - %title%", "ArtistTitle", std::nullopt},
        MatchCase{"text that must begin the name", "[%year%] %album%", "1999 Album", std::nullopt},
        MatchCase{"text at both ends", "[%year%] %album% (%comment%)", "[1999] Album (live)",
                  Texts{{colYear, "1999"}, {colAlbum, "Album"}, {colComment, "live"}}},
        MatchCase{"an empty part", "%artist% - %title%", " - Title",
                  Texts{{colArtist, ""}, {colTitle, "Title"}}},
        MatchCase{"a percent sign of the name", "%title% 100%%", "Song 100%",
                  Texts{{colTitle, "Song"}}},
        MatchCase{"genre by name", "%genre% - %title%", "Rock - Song",
                  Texts{{colGenre, "Rock"}, {colTitle, "Song"}}},
        MatchCase{"never splits a character", "%title%曲", "名曲", Texts{{colTitle, "名"}}}),
    caseName<MatchCase>);

struct BadPattern {
  const char* what;
  std::string pattern;
  bool forNames;
  std::string error;
};

class BadPatterns : public ::testing::TestWithParam<BadPattern> {};

TEST_P(BadPatterns, AreRefusedWithTheReason) {
  std::string error;
  EXPECT_FALSE(parseNamePattern(GetParam().pattern, GetParam().forNames, error));
  EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadPatterns,
    ::testing::Values(BadPattern{"unclosed", "%artist% - %title", false, "% が閉じていません。"},
                      BadPattern{"a name spanning text", "%artist - %title%", false,
                                 "不明な項目です: %artist - %"},
                      BadPattern{"unknown", "%track% %title%", false, "不明な項目です: %track%"},
                      BadPattern{"no placeholder", "* - *", false,
                                 "書式に項目 (%title% など) がありません。"},
                      BadPattern{"empty", "", false, "書式に項目 (%title% など) がありません。"},
                      BadPattern{"a star in a name", "* %title%", true,
                                 "ファイル名の書式には * を使えません。"}),
    caseName<BadPattern>);

TEST(BuildName, FillsThePlaceholdersAndKeepsTheNameToOneFolder) {
  std::string error;
  const auto pattern = parseNamePattern("%artist% - %title% [%genre%]", true, error);
  ASSERT_TRUE(pattern) << error;
  const std::map<int, std::string> cells = {
      {colArtist, "AC/DC"}, {colTitle, "What? \"Why\" <x>|y: z*\\"}, {colGenre, "Rock"}};
  EXPECT_EQ(buildName(*pattern, [&](int col) { return cells.at(col); }),
            "AC／DC - What？ ＂Why＂ ＜x＞｜y： z＊＼ [Rock]");
}

TEST(FileNameSafe, ReplacesWhatNamesCannotHoldOnWindowsAndNothingElse) {
  EXPECT_EQ(fileNameSafe("a\tb\x01" "c\x7F"), "a\u2409b\u2401c\u2421");
  EXPECT_EQ(fileNameSafe("曲名 - ｱｰﾃｨｽﾄ (2001) #1 & co.!"), "曲名 - ｱｰﾃｨｽﾄ (2001) #1 & co.!");
}

}  // namespace
