#include "tagcodec/tag_file.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>

#ifndef _WIN32
#include "os/posix/file_names.h"
#endif
#include "tagcodec/code_page.h"
#include "tests/test_support.h"
#include "ui/headless/headless_message_boxes.h"

namespace {

using namespace quorvane::testing;
using Module1::ReadTag;
using Module1::TagRecord;
using Module1::WriteOutcome;
using Module1::WriteTag;
using quorvane::HeadlessMessageBoxes;
using quorvane::MessageAnswer;
using quorvane::MessageButtons;
using quorvane::MessageIcon;

const TagRecord kPrevious{"prev title", "prev artist", "prev album", "1990", "prev comment", 7};

TagRecord sample() {
  return {"Title", "Artist", "Album", "2001", "Comment", 17};
}

// ---- reading ----

TEST(ReadTag, FileOfExactly128BytesStartingWithTagIsAllTag) {
  TempDir dir;
  writeFile(dir.file("a.mp3"),
            rawTag(bytesOf("Song"), bytesOf("Band"), {}, bytesOf("1999"), {}, 255));
  TagRecord record;
  ASSERT_TRUE(ReadTag(dir.file("a.mp3"), record, quorvane::testing::systemFiles()));
  EXPECT_EQ(record, (TagRecord{"Song", "Band", "", "1999", "", 255}));
}

TEST(ReadTag, ReadsJapaneseFieldsAndStopsAtZeroByte) {
  TempDir dir;
  Bytes comment = bytesOf("note");
  comment.resize(30, 0);
  comment[28] = 0, comment[29] = 5;  // a v1.1 track number after the zero is ignored
  writeFile(dir.file("a.mp3"),
            concat(audio(1000), rawTag({0x82, 0xA0, 0x82, 0xA2}, {}, {}, {}, comment, 17)));
  TagRecord record;
  ASSERT_TRUE(ReadTag(dir.file("a.mp3"), record, quorvane::testing::systemFiles()));
  EXPECT_EQ(record.Title, "あい");
  EXPECT_EQ(record.Comment, "note");
  EXPECT_EQ(record.Genre, 17);
}

struct UntaggedCase {
  const char* what;
  Bytes contents;
};

class ReadTagWithoutTag : public ::testing::TestWithParam<UntaggedCase> {};

TEST_P(ReadTagWithoutTag, ReturnsFalseAndLeavesRecordUntouched) {
  TempDir dir;
  writeFile(dir.file("a.mp3"), GetParam().contents);
  TagRecord record = kPrevious;
  EXPECT_FALSE(ReadTag(dir.file("a.mp3"), record, quorvane::testing::systemFiles()))
      << GetParam().what;
  EXPECT_EQ(record, kPrevious);
}

Bytes lowerCaseMarker() {
  Bytes tag = rawTag(bytesOf("x"));
  tag[0] = 't', tag[1] = 'a', tag[2] = 'g';
  return tag;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadTagWithoutTag,
    ::testing::Values(UntaggedCase{"empty file", {}},
                      UntaggedCase{"127 bytes starting with TAG", slice(rawTag({}), 0, 127)},
                      UntaggedCase{"no marker", audio(5000)},
                      UntaggedCase{"lower-case marker", concat(audio(100), lowerCaseMarker())},
                      UntaggedCase{"marker one byte too early",
                                   concat(concat(audio(100), rawTag(bytesOf("x"))), {0x00})}),
    quorvane::testing::caseName<ReadTagWithoutTag::ParamType>);

// Audio whose last 128 bytes start with a near miss of "TAG": no tag. Reading gives none,
// and writing appends a tag behind every old byte instead of overwriting the audio.
struct NearMiss {
  const char* what;
  std::uint8_t marker[3];
};

Bytes endingInNearMiss(const NearMiss& c) {
  Bytes block = rawTag(bytesOf("Hidden"), bytesOf("Not an artist"), {}, bytesOf("1999"), {}, 17);
  std::copy(std::begin(c.marker), std::end(c.marker), block.begin());
  return concat(audio(700), block);
}

class NearMissMarker : public ::testing::TestWithParam<NearMiss> {};

TEST_P(NearMissMarker, ReadsAsUntagged) {
  TempDir dir;
  writeFile(dir.file("a.mp3"), endingInNearMiss(GetParam()));
  TagRecord record = kPrevious;
  EXPECT_FALSE(ReadTag(dir.file("a.mp3"), record, quorvane::testing::systemFiles()));
  EXPECT_EQ(record, kPrevious);
}

TEST_P(NearMissMarker, WriteAppendsATagAndKeepsEveryOldByte) {
  TempDir dir;
  const std::string path = dir.file("a.mp3");
  const Bytes original = endingInNearMiss(GetParam());
  writeFile(path, original);
  HeadlessMessageBoxes boxes;
  EXPECT_EQ(WriteTag(path, sample(), "", boxes, quorvane::testing::systemFiles()),
            WriteOutcome::Written);
  const Bytes written = readFile(path);
  ASSERT_EQ(written.size(), original.size() + quorvane::kTagSize);
  EXPECT_EQ(slice(written, 0, original.size()), original);
  EXPECT_EQ(slice(written, original.size(), 3), bytesOf("TAG"));
  TagRecord back;
  ASSERT_TRUE(ReadTag(path, back, quorvane::testing::systemFiles()));
  EXPECT_EQ(back.Title, "Title" + std::string(25, ' '));
  EXPECT_TRUE(boxes.shown().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Markers, NearMissMarker,
    ::testing::Values(NearMiss{"TAx", {'T', 'A', 'x'}}, NearMiss{"TAg", {'T', 'A', 'g'}},
                      NearMiss{"TA zero", {'T', 'A', 0}}, NearMiss{"TA space", {'T', 'A', ' '}},
                      NearMiss{"TAH", {'T', 'A', 'H'}}, NearMiss{"TxG", {'T', 'x', 'G'}},
                      NearMiss{"TaG", {'T', 'a', 'G'}}, NearMiss{"xAG", {'x', 'A', 'G'}},
                      NearMiss{"tAG", {'t', 'A', 'G'}},
                      NearMiss{"TAG with high bit", {'T', 'A', 'G' | 0x80}}),
    quorvane::testing::caseName<NearMiss>);

TEST(ReadTag, MissingFileFolderAndFifoGiveFalse) {
  TempDir dir;
  std::filesystem::create_directory(pathOf(dir.file("folder.mp3")));
#ifndef _WIN32
  ASSERT_EQ(::mkfifo(dir.file("pipe.mp3").c_str(), 0644), 0);
#endif
  for (const char* name : {"missing.mp3", "folder.mp3", "pipe.mp3"}) {
    TagRecord record = kPrevious;
    EXPECT_FALSE(ReadTag(dir.file(name), record, quorvane::testing::systemFiles()))
        << name;  // must not block on the FIFO
    EXPECT_EQ(record, kPrevious) << name;
  }
}

TEST(ReadTag, LargeSparseFileUsesSixtyFourBitOffsets) {
  TempDir dir;
  const std::string path = dir.file("big.mp3");
  writeFile(path, {});
  const std::uintmax_t fiveGiB = std::uintmax_t{5} << 30;
  std::filesystem::resize_file(pathOf(path), fiveGiB);
  HeadlessMessageBoxes boxes;
  WriteTag(path, sample(), "", boxes, quorvane::testing::systemFiles());
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_EQ(std::filesystem::file_size(pathOf(path)), fiveGiB + 128);
  TagRecord record;
  ASSERT_TRUE(ReadTag(path, record, quorvane::testing::systemFiles()));
  EXPECT_EQ(record.Title, "Title" + std::string(25, ' '));
}

// ---- writing ----

TEST(WriteTag, WritesTheBlockLayoutByteForByte) {
  TempDir dir;
  const std::string path = dir.file("a.mp3");
  writeFile(path, audio(300));
  HeadlessMessageBoxes boxes;
  WriteTag(path, {"あ" + std::string(27, 'x') + "い", "Artist", "", "20011", "c", 255}, "", boxes,
           quorvane::testing::systemFiles());
  ASSERT_TRUE(boxes.shown().empty());
  const Bytes written = readFile(path);
  ASSERT_EQ(written.size(), 300u + 128u);
  const Bytes tag = lastBytes(written, 128);
  EXPECT_EQ(slice(tag, 0, 3), bytesOf("TAG"));
  EXPECT_EQ(slice(tag, 3, 30), concat(concat({0x82, 0xA0}, Bytes(27, 'x')), {0x82}))
      << "the cut keeps the lead byte of the straddling character";
  EXPECT_EQ(slice(tag, 33, 30), concat(bytesOf("Artist"), spaces(24)));
  EXPECT_EQ(slice(tag, 63, 30), spaces(30));
  EXPECT_EQ(slice(tag, 93, 4), bytesOf("2001"));
  EXPECT_EQ(slice(tag, 97, 30), concat(bytesOf("c"), spaces(29)));
  EXPECT_EQ(tag[127], 0xFF);
}

TEST(WriteTag, TheMarkerIsTheBytesTagUnderAnyCodePage) {
  for (const char* name : {"EUC-JP", "ISO-8859-1", "CP932"}) {
    SCOPED_TRACE(name);
    if (!QUORVANE_HAVE_ICONV && std::string_view(name) != "CP932") continue;
    quorvane::testing::setEnvironment("QUORVANE_CODEPAGE", name);
    ASSERT_TRUE(quorvane::initTagCodePage(nullptr));
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    writeFile(path, audio(200));
    HeadlessMessageBoxes boxes;
    TagRecord record;
    record.Title = "T";
    EXPECT_EQ(WriteTag(path, record, "", boxes, quorvane::testing::systemFiles()),
              WriteOutcome::Written);
    EXPECT_EQ(slice(readFile(path), 200, 3), bytesOf("TAG"));
    // Read back as a tag, and a second write replaces it rather than appending.
    EXPECT_TRUE(ReadTag(path, record, quorvane::testing::systemFiles()));
    EXPECT_EQ(WriteTag(path, record, "", boxes, quorvane::testing::systemFiles()),
              WriteOutcome::Written);
    EXPECT_EQ(readFile(path).size(), 200u + quorvane::kTagSize);
  }
  quorvane::testing::unsetEnvironment("QUORVANE_CODEPAGE");
  ASSERT_TRUE(quorvane::initTagCodePage(nullptr));
}

TEST(WriteTag, AppendsToUntaggedFileThenReplaces) {
  TempDir dir;
  const std::string path = dir.file("a.mp3");
  const Bytes original = audio(1000);
  writeFile(path, original);
  HeadlessMessageBoxes boxes;
  WriteTag(path, sample(), "", boxes, quorvane::testing::systemFiles());
  Bytes written = readFile(path);
  ASSERT_EQ(written.size(), 1128u);
  EXPECT_EQ(slice(written, 0, 1000), original);

  TagRecord changed = sample();
  changed.Title = "Other";
  WriteTag(path, changed, "", boxes, quorvane::testing::systemFiles());
  written = readFile(path);
  ASSERT_EQ(written.size(), 1128u);
  EXPECT_EQ(slice(written, 0, 1000), original);
  TagRecord back;
  ASSERT_TRUE(ReadTag(path, back, quorvane::testing::systemFiles()));
  EXPECT_EQ(back.Title, "Other" + std::string(25, ' '));
  EXPECT_TRUE(boxes.shown().empty());
}

TEST(WriteTag, ReplacesExistingTagAndDropsOldCommentBytes) {
  TempDir dir;
  const std::string path = dir.file("a.mp3");
  Bytes comment(30, 0);
  comment[0] = 'x', comment[29] = 9;
  const Bytes original = concat(audio(500), rawTag(bytesOf("old"), {}, {}, {}, comment, 3));
  writeFile(path, original);
  HeadlessMessageBoxes boxes;
  WriteTag(path, sample(), "", boxes, quorvane::testing::systemFiles());
  const Bytes written = readFile(path);
  ASSERT_EQ(written.size(), original.size());
  EXPECT_EQ(slice(written, 0, 500), slice(original, 0, 500));
  EXPECT_EQ(slice(lastBytes(written, 128), 97, 30), concat(bytesOf("Comment"), spaces(23)));
}

TEST(WriteTag, MarkerAnywhereElseCountsAsUntagged) {
  TempDir dir;
  const std::string path = dir.file("a.mp3");
  const Bytes original = concat(concat(audio(50), rawTag(bytesOf("x"))), bytesOf("!"));
  writeFile(path, original);
  HeadlessMessageBoxes boxes;
  WriteTag(path, sample(), "", boxes, quorvane::testing::systemFiles());
  const Bytes written = readFile(path);
  ASSERT_EQ(written.size(), original.size() + 128);
  EXPECT_EQ(slice(written, 0, original.size()), original);
}

TEST(WriteTag, UndecodableBytesSurviveReadAndWrite) {
  TempDir dir;
  const std::string path = dir.file("a.mp3");
  const Bytes title = {'a', 0x80, 0xFD, 0x82, 0xA0, 0x82};  // ends in a lone lead byte
  writeFile(path, concat(audio(10), rawTag(title)));
  TagRecord record;
  ASSERT_TRUE(ReadTag(path, record, quorvane::testing::systemFiles()));
  HeadlessMessageBoxes boxes;
  WriteTag(path, record, "", boxes, quorvane::testing::systemFiles());
  EXPECT_EQ(slice(lastBytes(readFile(path), 128), 3, 6), title);
}

// ---- failures ----

void expectFailureBox(const HeadlessMessageBoxes& boxes, const std::string& path) {
  ASSERT_EQ(boxes.shown().size(), 1u);
  const auto& box = boxes.shown()[0];
  EXPECT_EQ(box.title, "Quorvane  :書き込みエラー");
  const std::string head = "ファイル名 :" + path + "\r\n変更を保存できませんでした。\r\n";
  EXPECT_EQ(box.text.substr(0, head.size()), head);
  EXPECT_GT(box.text.size(), head.size()) << "the system's description follows";
  EXPECT_EQ(box.buttons, MessageButtons::Ok);
  EXPECT_EQ(box.icon, MessageIcon::Exclamation);
}

TEST(WriteTag, ShortFileGetsNoTagAndAMessage) {
  TempDir dir;
  const std::string path = dir.file("a.mp3");
  writeFile(path, audio(127));
  HeadlessMessageBoxes boxes;
  WriteTag(path, sample(), "", boxes, quorvane::testing::systemFiles());
  expectFailureBox(boxes, path);
  EXPECT_EQ(readFile(path), audio(127));
}

TEST(WriteTag, MissingFileIsReportedAndNotCreated) {
  TempDir dir;
  const std::string path = dir.file("gone.mp3");
  HeadlessMessageBoxes boxes;
  WriteTag(path, sample(), dir.file("new.mp3"), boxes, quorvane::testing::systemFiles());
  expectFailureBox(boxes, path);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(std::filesystem::exists(dir.file("new.mp3")));
}

TEST(WriteTag, ReadOnlyFileIsReportedAndUnchanged) {
  TempDir dir;
  const std::string path = dir.file("a.mp3");
  writeFile(path, audio(400));
  makeReadOnly(path);
  HeadlessMessageBoxes boxes;
  EXPECT_EQ(WriteTag(path, sample(), dir.file("b.mp3"), boxes, quorvane::testing::systemFiles()),
            WriteOutcome::NotWritten);
  expectFailureBox(boxes, path);
  EXPECT_EQ(readFile(path), audio(400));
  EXPECT_FALSE(std::filesystem::exists(dir.file("b.mp3")));
}

TEST(WriteTag, RenamesAfterWriting) {
  TempDir dir;
  writeFile(dir.file("a.mp3"), audio(400));
  HeadlessMessageBoxes boxes;
  EXPECT_EQ(WriteTag(dir.file("a.mp3"), sample(), dir.file("曲 b.mp3"), boxes,
                     quorvane::testing::systemFiles()),
            WriteOutcome::Written);
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_FALSE(std::filesystem::exists(dir.file("a.mp3")));
  TagRecord record;
  ASSERT_TRUE(ReadTag(dir.file("曲 b.mp3"), record, quorvane::testing::systemFiles()));
  EXPECT_EQ(record.Artist.substr(0, 6), "Artist");
}

TEST(WriteTag, RenameChangingOnlyLetterCase) {
  TempDir dir;
  writeFile(dir.file("song.mp3"), audio(400));
  HeadlessMessageBoxes boxes;
  WriteTag(dir.file("song.mp3"), sample(), dir.file("Song.MP3"), boxes,
           quorvane::testing::systemFiles());
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_EQ(dir.names(), std::vector<std::string>{"Song.MP3"});
}

TEST(WriteTag, RenameOntoExistingNameLeavesBothFiles) {
  TempDir dir;
  writeFile(dir.file("a.mp3"), audio(400));
  writeFile(dir.file("b.mp3"), audio(333));
  HeadlessMessageBoxes boxes;
  EXPECT_EQ(WriteTag(dir.file("a.mp3"), sample(), dir.file("b.mp3"), boxes,
                     quorvane::testing::systemFiles()),
            WriteOutcome::NotRenamed);
  expectFailureBox(boxes, dir.file("a.mp3"));
  EXPECT_EQ(readFile(dir.file("b.mp3")), audio(333));
  TagRecord record;
  ASSERT_TRUE(ReadTag(dir.file("a.mp3"), record, quorvane::testing::systemFiles()))
      << "the tag is written before the rename";
  EXPECT_EQ(record.Year, "2001");
}

struct BadName {
  const char* what;
  std::string newName;  // joined to the folder as the save does
};

class WriteTagRefusesName : public ::testing::TestWithParam<BadName> {};

TEST_P(WriteTagRefusesName, KeepsFileUnderOldName) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("sub"));
  writeFile(dir.file("a.mp3"), audio(400));
  HeadlessMessageBoxes boxes;
  WriteTag(dir.file("a.mp3"), sample(), dir.path().string() + "/" + GetParam().newName, boxes,
           quorvane::testing::systemFiles());
  expectFailureBox(boxes, dir.file("a.mp3"));
  EXPECT_EQ(readFile(dir.file("a.mp3")).size(), 528u) << GetParam().what;
  EXPECT_FALSE(std::filesystem::exists(dir.file("sub/x.mp3")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            2);
}

INSTANTIATE_TEST_SUITE_P(Names, WriteTagRefusesName,
                         ::testing::Values(BadName{"empty", ""}, BadName{"dot", "."},
                                           BadName{"dot dot", ".."},
                                           BadName{"into a sub-folder", "sub/x.mp3"},
                                           BadName{"out of the folder", "../x.mp3"}),
                         quorvane::testing::caseName<WriteTagRefusesName::ParamType>);

TEST(WriteTag, GenreOutOfRangeIsReportedNotClamped) {
  TempDir dir;
  writeFile(dir.file("a.mp3"), audio(400));
  TagRecord record = sample();
  record.Genre = 256;
  HeadlessMessageBoxes boxes;
  WriteTag(dir.file("a.mp3"), record, "", boxes, quorvane::testing::systemFiles());
  expectFailureBox(boxes, dir.file("a.mp3"));
  EXPECT_EQ(readFile(dir.file("a.mp3")), audio(400));
}

#ifndef _WIN32  // names are bytes on Linux, UTF-16 on Windows
TEST(WriteTag, NameThatIsNotUtf8IsWrittenAndRenamed) {
  TempDir dir;
  const std::string rawName = "\x82\xA0\xFF.mp3";  // CP932 bytes, not UTF-8
  writeFile(dir.path().string() + "/" + rawName, audio(200));
  const std::string asText = quorvane::nameFromBytes(rawName);
  HeadlessMessageBoxes boxes;
  WriteTag(dir.path().string() + "/" + asText, sample(),
           dir.path().string() + "/" + asText + ".bak", boxes, quorvane::testing::systemFiles());
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_EQ(readFile(dir.path().string() + "/" + rawName + ".bak").size(), 328u);
}

#endif

}  // namespace
