// Save when the world fails it: the folder gone, files that cannot be read, flushes,
// put-backs and folder flushes that fail, names that cannot be given. Whatever happens,
// what the user typed is on disk or still in its row, and the user is told what the disk
// holds.
#include <gtest/gtest.h>

#include "tests/faulty_sheet.h"

namespace {

using namespace quorvane;
using namespace quorvane::testing;
using Op = FaultyFiles::Op;

bool markedChanged(FaultySheet& s, int row) {
  return row > 0 && s.cell(row, colState) == kStateChanged &&
         s.grid().cellBackColorAt(row, colTitle) == kChangedBackColor;
}

std::string titleOf(const Bytes& file) {
  return std::string(file.end() - 125, file.end() - 95);
}

std::string padded(const std::string& text, std::size_t width = 30) {
  return text + std::string(width - text.size(), ' ');
}

// ---- a folder that has gone ----

TEST(VanishedFolder, SaveKeepsTheSheetAndItsEditsUntilTheFolderIsBack) {
  FaultySheet s({{"a.mp3", taggedFile("Alpha")}, {"b.mp3", taggedFile("Beta")}});
  s.edit(1, colTitle, "New A");
  s.edit(2, colFileName, "renamed.mp3");
  s.files.vanish(FaultySheet::kFolder);
  s.save();

  ASSERT_EQ(s.boxes().size(), 3u) << "the question and one box per row";
  EXPECT_NE(s.boxes()[1].text.find("No such file or directory"), std::string::npos);
  ASSERT_EQ(s.grid().Rows(), 3) << "the sheet is not replaced by an empty one";
  EXPECT_EQ(s.cell(1, colTitle), "New A");
  EXPECT_TRUE(markedChanged(s, 1));
  EXPECT_EQ(s.cell(2, colFileName), "renamed.mp3");
  EXPECT_TRUE(markedChanged(s, 2));
  EXPECT_TRUE(s.window.blnChanged);
  EXPECT_EQ(s.form.StatusBar1.PanelText(2), "フォルダを読めません: No such file or directory");

  s.form.messages.clear();
  s.form.messages.queueAnswer(MessageAnswer::No);
  s.form.cmdEnd.click();
  EXPECT_EQ(s.boxes().size(), 1u) << "Quit still asks";
  EXPECT_FALSE(s.form.window.ended());

  s.files.restore();
  s.form.messages.clear();
  s.save();
  ASSERT_EQ(s.boxes().size(), 1u);
  EXPECT_EQ(titleOf(s.bytes("a.mp3")), padded("New A"));
  EXPECT_EQ(titleOf(s.bytes("renamed.mp3")), padded("Beta"));
  EXPECT_FALSE(s.window.blnChanged);
  EXPECT_EQ(s.form.StatusBar1.PanelText(2), "");
}

TEST(VanishedFolder, RowsWrittenBeforeItWentShowTheirFilesAndTheRestWait) {
  FaultySheet s({{"a.mp3", taggedFile("Alpha")},
                 {"b.mp3", taggedFile("Beta")},
                 {"c.mp3", taggedFile("Gamma")}});
  s.edit(1, colFileName, "x.mp3");
  s.edit(1, colTitle, "New A");
  s.edit(3, colTitle, "New C");
  s.files.fail(Op::OpenWrite, FaultySheet::path("c.mp3"), EIO);
  s.files.fail(Op::List, FaultySheet::kFolder, ENOENT);  // gone when the reload reads it
  s.save();

  ASSERT_EQ(s.boxes().size(), 2u);
  EXPECT_EQ(s.cell(1, colOrigName), "x.mp3") << "the row follows its renamed file";
  EXPECT_EQ(s.cell(1, colFileName), "x.mp3");
  EXPECT_EQ(s.cell(1, colState), kStateLoaded);
  EXPECT_EQ(s.grid().cellBackColorAt(1, colTitle), FlexGrid::kDefaultBackColor);
  EXPECT_TRUE(markedChanged(s, 3));
  EXPECT_TRUE(s.window.blnChanged);

  // Once readable again, another Save writes what waited, and the renamed file's next
  // edit goes to its new name as a file in the state this Save left it.
  s.edit(1, colArtist, "Artist X");
  s.form.messages.clear();
  s.save();
  ASSERT_EQ(s.boxes().size(), 1u) << s.boxes().back().text;
  EXPECT_EQ(titleOf(s.bytes("c.mp3")), padded("New C"));
  const Bytes x = s.bytes("x.mp3");
  EXPECT_EQ(std::string(x.end() - 95, x.end() - 65), padded("Artist X"));
  EXPECT_FALSE(s.window.blnChanged);
}

// ---- files that cannot be read ----

struct UnreadCase {
  const char* what;
  Op op;
  int error;
};

class UnreadableFile : public ::testing::TestWithParam<UnreadCase> {};

TEST_P(UnreadableFile, IsLeftOutOfTheSheetWithItsReasonAndNeverWritten) {
  FaultySheet s({{"a.mp3", taggedFile("Alpha")},
                 {"b.mp3", taggedFile("Beta", "Artist B")},
                 {"c.mp3", taggedFile("Gamma")}});
  const Bytes b = s.bytes("b.mp3");
  s.files.fail(GetParam().op, FaultySheet::path("b.mp3"), GetParam().error, 1);
  s.window.ReloadFolder();

  ASSERT_EQ(s.grid().Rows(), 3) << "no empty row that would pass for an untagged file";
  EXPECT_EQ(s.rowOf("b.mp3"), 0);
  ASSERT_EQ(s.window.unreadFiles().size(), 1u);
  EXPECT_EQ(s.window.unreadFiles()[0].name, "b.mp3");
  EXPECT_EQ(s.form.StatusBar1.PanelText(2), "表示できないファイル 1 件");
  EXPECT_NE(s.form.StatusBar1.panelToolTip(2).find(std::string("b.mp3: ") +
                                                   std::strerror(GetParam().error)),
            std::string::npos)
      << s.form.StatusBar1.panelToolTip(2);

  s.edit(1, colTitle, "New A");
  s.save();
  EXPECT_EQ(s.bytes("b.mp3"), b);
  EXPECT_EQ(titleOf(s.bytes("a.mp3")), padded("New A"));
  EXPECT_EQ(s.rowOf("b.mp3"), 2) << "readable again at the reload";
  EXPECT_EQ(s.cell(2, colArtist), "Artist B");
}

INSTANTIATE_TEST_SUITE_P(Faults, UnreadableFile,
                         ::testing::Values(UnreadCase{"no permission", Op::OpenRead, EACCES},
                                           UnreadCase{"locked", Op::OpenRead, EBUSY},
                                           UnreadCase{"input output error", Op::Read, EIO}),
                         caseName<UnreadableFile::ParamType>);

// ---- what is put back after a refusal ----

TEST(Refusal, PutsBackOnlyTheCellsTheUserChangedOverTheFileAsItNowIs) {
  FaultySheet s({{"a.mp3", taggedFile("Alpha", "Artist A", "Album A", 17)}});
  s.edit(1, colTitle, "Mine");
  // Another program retags the file after the load.
  s.files.node(FaultySheet::path("a.mp3"))->bytes = taggedFile("Theirs", "Their artist", "", 5);
  s.save();
  ASSERT_EQ(s.boxes().size(), 2u);
  EXPECT_NE(s.boxes()[1].text.find("他のプログラムで変更されています"), std::string::npos);
  EXPECT_EQ(s.cell(1, colTitle), "Mine");
  EXPECT_EQ(s.cell(1, colArtist), "Their artist") << "not the artist of the first load";
  EXPECT_EQ(s.cell(1, colAlbum), "");
  EXPECT_EQ(s.cell(1, colGenreNo), "5");
  EXPECT_TRUE(markedChanged(s, 1));

  s.form.messages.clear();
  s.save();
  const Bytes a = s.bytes("a.mp3");
  EXPECT_EQ(titleOf(a), padded("Mine"));
  EXPECT_EQ(std::string(a.end() - 95, a.end() - 65), padded("Their artist"));
  EXPECT_EQ(a.back(), 5);
}

// ---- one record per row, matched by the file ----

TEST(SaveRecords, AFailedFlushInARenameChainStaysWithItsOwnFile) {
  FaultySheet s({{"a.mp3", taggedFile("Alpha")}, {"b.mp3", taggedFile("Beta")}});
  s.edit(1, colFileName, "c.mp3");  // a -> c
  s.edit(1, colTitle, "New A");
  s.edit(2, colFileName, "a.mp3");  // b -> a, once a has moved
  s.edit(2, colTitle, "New B");
  s.files.fail(Op::Flush, FaultySheet::path("c.mp3"), EIO);
  s.save();

  // The file that was a.mp3 got its old tag back but cannot have its name back.
  EXPECT_EQ(titleOf(s.bytes("c.mp3")), padded("Alpha"));
  EXPECT_EQ(titleOf(s.bytes("a.mp3")), padded("New B"));
  ASSERT_EQ(s.boxes().size(), 2u);
  EXPECT_NE(s.boxes()[1].text.find("Input/output error"), std::string::npos);
  EXPECT_NE(s.boxes()[1].text.find("c.mp3 のままです"), std::string::npos) << s.boxes()[1].text;

  const int c = s.rowOf("c.mp3"), a = s.rowOf("a.mp3");
  ASSERT_GT(c, 0);
  ASSERT_GT(a, 0);
  EXPECT_EQ(s.cell(c, colTitle), "New A") << "a's edit stays with a's file";
  EXPECT_TRUE(markedChanged(s, c));
  EXPECT_EQ(s.cell(a, colTitle), "New B");
  EXPECT_EQ(s.cell(a, colState), kStateLoaded) << "b's file was saved";

  s.form.messages.clear();
  s.save();
  EXPECT_EQ(titleOf(s.bytes("c.mp3")), padded("New A"));
  EXPECT_FALSE(s.window.blnChanged);
}

TEST(SaveRecords, APutBackThatFailsSaysTheFileHoldsTheNewTag) {
  FaultySheet s({{"a.mp3", audio(400)}});  // untagged: the put-back cuts the tag off
  s.edit(1, colTitle, "New A");
  s.files.fail(Op::Flush, FaultySheet::path("a.mp3"), EIO);
  s.files.fail(Op::Truncate, FaultySheet::path("a.mp3"), EROFS);
  s.save();
  ASSERT_EQ(s.boxes().size(), 2u);
  EXPECT_NE(s.boxes()[1].text.find("ファイルには書き込んだタグが残っています"), std::string::npos)
      << s.boxes()[1].text;
  EXPECT_EQ(s.bytes("a.mp3").size(), 528u);
  // What the file holds may not be on the device: the row waits for another Save.
  EXPECT_EQ(s.cell(1, colTitle), "New A");
  EXPECT_TRUE(markedChanged(s, 1));
  EXPECT_TRUE(s.window.blnChanged);
}

TEST(SaveRecords, AFolderThatCannotBeFlushedIsReportedWithTheNameTheFileHas) {
  FaultySheet s({{"a.mp3", taggedFile("Alpha")}});
  s.edit(1, colFileName, "x.mp3");
  s.files.fail(Op::FlushFolder, FaultySheet::kFolder, EIO);
  s.save();
  ASSERT_EQ(s.boxes().size(), 2u);
  EXPECT_NE(s.boxes()[1].text.find("Input/output error"), std::string::npos);
  EXPECT_NE(s.boxes()[1].text.find("x.mp3"), std::string::npos) << s.boxes()[1].text;
  EXPECT_TRUE(s.files.node(FaultySheet::path("x.mp3")));
  EXPECT_TRUE(s.window.blnChanged) << "not known to be on the device";
}

// ---- names ----

TEST(NewNames, WithATabOrLineBreakAreRefusedAndNothingOfTheRowIsWritten) {
  for (const char* name : {"a\tb.mp3", "a\nb.mp3", "a\rb.mp3", "sub/a.mp3", "..", "."}) {
    SCOPED_TRACE(name);
    FaultySheet s({{"a.mp3", taggedFile("Alpha")}});
    const Bytes before = s.bytes("a.mp3");
    s.edit(1, colFileName, name);
    s.edit(1, colTitle, "New A");
    s.save();
    ASSERT_EQ(s.boxes().size(), 2u);
    EXPECT_EQ(s.boxes()[1].title, "Quorvane  :書き込みエラー");
    EXPECT_NE(s.boxes()[1].text.find("新しいファイル名"), std::string::npos) << s.boxes()[1].text;
    EXPECT_EQ(s.bytes("a.mp3"), before);
    EXPECT_EQ(s.files.files(FaultySheet::kFolder).size(), 1u);
    EXPECT_EQ(s.cell(1, colFileName), name);
    EXPECT_TRUE(markedChanged(s, 1));
  }
}

}  // namespace
