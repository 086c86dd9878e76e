#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "tagcodec/tag_file.h"
#include "tests/sheet_fixture.h"

namespace {

using namespace quorvane;
using namespace quorvane::testing;
using Module1::ReadTag;
using Module1::TagRecord;

const std::vector<TestFile> kFiles = {
    {"b.mp3", "Beta", 0}, {"a.mp3", "Alpha", 17}, {"c.mp3", "", 0, false}, {"d.mp3", "Delta", 84}};

class CommandsTest : public ::testing::Test {
 protected:
  void edit(int row, int col, const std::string& text) {
    s.click(row, col);
    s.form.EditText.setText(text);
    s.key(kKeyReturn);
  }
  void chooseGenre(int row, const std::string& name) {
    s.click(row, colGenre);
    s.form.Combo1.setListIndex(s.genreItem(name));
    s.key(kKeyReturn);
  }
  TagRecord tagOf(const std::string& name) {
    TagRecord record;
    EXPECT_TRUE(ReadTag(s.dir.file(name), record, quorvane::testing::systemFiles())) << name;
    return record;
  }
  std::vector<MessageBoxRequest> boxes() { return s.form.messages.shown(); }

  SheetFixture s{kFiles};
};

bool isSaveQuestion(const MessageBoxRequest& box) {
  return box.text == "保存します。" && box.title == "Quorvane" &&
         box.buttons == MessageButtons::YesNo && box.defaultButton == MessageAnswer::Yes &&
         box.icon == MessageIcon::Question;
}

TEST_F(CommandsTest, SaveWithoutEditsAsksNothing) {
  s.form.cmdSave.click();
  s.click(1, colTitle);  // an open editor whose text is unchanged
  s.form.cmdSave.click();
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(readFile(s.dir.file("a.mp3")), tagFor(kFiles[1]));
}

TEST_F(CommandsTest, SaveWritesChangedRowsRenamesAndReloadsUnsorted) {
  ASSERT_EQ(s.cell(1, colOrigName), "a.mp3");
  edit(1, colTitle, "新しい曲");    // a.mp3
  chooseGenre(3, "Bebob");          // c.mp3, untagged so far
  edit(4, colFileName, "Zed.mp3");  // d.mp3 renamed: first by bytes, last ignoring case
  s.click(2, colComment);           // b.mp3: an open editor is stored by Save itself
  s.form.EditText.setText("open editor");
  const Bytes untouchedB = readFile(s.dir.file("b.mp3"));
  const int busyBefore = s.form.window.timesBusy();

  s.form.cmdSave.click();

  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_TRUE(isSaveQuestion(boxes()[0]));
  EXPECT_EQ(tagOf("a.mp3").Title, "新しい曲" + std::string(22, ' '));
  EXPECT_EQ(tagOf("a.mp3").Genre, 17);
  EXPECT_EQ(readFile(s.dir.file("c.mp3")).size(), 300u + 128u) << "a tag was appended";
  EXPECT_EQ(tagOf("c.mp3").Genre, 84);
  EXPECT_FALSE(std::filesystem::exists(s.dir.file("d.mp3")));
  EXPECT_EQ(tagOf("Zed.mp3").Title, "Delta" + std::string(25, ' '));
  EXPECT_EQ(tagOf("b.mp3").Comment, "open editor" + std::string(19, ' '));
  EXPECT_NE(readFile(s.dir.file("b.mp3")), untouchedB);

  // The reload shows the folder in the file list's order (by bytes), which is not sorted
  // again (that would put "Zed.mp3" last).
  EXPECT_FALSE(s.window.blnChanged);
  ASSERT_EQ(s.grid().Rows(), 5);
  EXPECT_EQ(s.cell(1, colFileName), "Zed.mp3");
  EXPECT_EQ(s.cell(2, colTitle), "新しい曲");
  for (int r = 1; r < 5; ++r) EXPECT_EQ(s.cell(r, colState), "1");
  EXPECT_EQ(s.form.window.timesBusy(), busyBefore + 1);
  EXPECT_FALSE(s.form.window.busy());
}

TEST_F(CommandsTest, SaveAnsweredNoKeepsEditsAndTheOpenEditor) {
  edit(1, colTitle, "Changed");
  s.form.EditText.setText("pending");  // editor now over (1, artist)
  s.form.messages.queueAnswer(MessageAnswer::No);
  s.form.cmdSave.click();
  EXPECT_EQ(readFile(s.dir.file("a.mp3")), tagFor(kFiles[1]));
  EXPECT_TRUE(s.window.blnChanged);
  EXPECT_EQ(s.cell(1, colArtist), "pending");
  EXPECT_EQ(s.cell(1, colState), "2");
  EXPECT_TRUE(s.form.EditText.Visible());
  EXPECT_EQ(s.grid().Row(), 1);
  EXPECT_EQ(s.grid().Col(), colArtist);
  s.form.EditText.setText("after no");
  s.key(kKeyReturn);
  EXPECT_EQ(s.cell(1, colArtist), "after no");
}

TEST_F(CommandsTest, FailuresAreReportedAndTheOtherRowsStillWritten) {
  edit(1, colFileName, "b.mp3");   // a.mp3 onto an existing name
  edit(3, colTitle, "Read only");  // c.mp3
  edit(4, colTitle, "Written");    // d.mp3
  makeReadOnly(s.dir.file("c.mp3"));
  const Bytes before = readFile(s.dir.file("b.mp3"));
  s.form.cmdSave.click();
  ASSERT_EQ(boxes().size(), 3u);
  EXPECT_EQ(boxes()[1].title, "Quorvane  :書き込みエラー");
  EXPECT_EQ(boxes()[1].text.rfind("ファイル名 :" + s.dir.file("a.mp3") + "\r\n", 0), 0u);
  EXPECT_EQ(boxes()[2].text.rfind("ファイル名 :" + s.dir.file("c.mp3") + "\r\n", 0), 0u);
  EXPECT_EQ(readFile(s.dir.file("b.mp3")), before);
  EXPECT_TRUE(std::filesystem::exists(s.dir.file("a.mp3")));
  EXPECT_EQ(readFile(s.dir.file("c.mp3")), tagFor(kFiles[2]));
  EXPECT_EQ(tagOf("d.mp3").Title, "Written" + std::string(23, ' '));
  // The rows that failed keep what the user typed for another Save.
  EXPECT_EQ(s.cell(1, colOrigName), "a.mp3");
  EXPECT_EQ(s.cell(1, colFileName), "b.mp3");
  EXPECT_TRUE(s.window.blnChanged);
}

bool markedChanged(SheetFixture& s, int row) {
  for (int c = colFileName; c <= colGenre; ++c) {
    if (s.grid().cellBackColorAt(row, c) != kChangedBackColor) return false;
    if (s.grid().cellForeColorAt(row, c) != kChangedForeColor) return false;
  }
  return s.cell(row, colState) == kStateChanged;
}

TEST_F(CommandsTest, FailedRowsKeepTheirEditsUntilASaveWritesThem) {
  edit(1, colFileName, "b.mp3");  // a.mp3: the tag is written, the name is taken
  edit(1, colTitle, "New A");
  edit(3, colTitle, " Read only ");  // c.mp3, untagged and read-only
  chooseGenre(3, "Bebob");
  edit(4, colTitle, "Written");  // d.mp3
  makeReadOnly(s.dir.file("c.mp3"));
  const Bytes untouchedC = readFile(s.dir.file("c.mp3"));

  s.form.cmdSave.click();

  ASSERT_EQ(boxes().size(), 3u);  // the question and two failures
  EXPECT_EQ(readFile(s.dir.file("c.mp3")), untouchedC);
  ASSERT_EQ(s.grid().Rows(), 5);
  // a.mp3: the tag as written, the new name still waiting.
  EXPECT_EQ(s.cell(1, colOrigName), "a.mp3");
  EXPECT_EQ(s.cell(1, colFileName), "b.mp3");
  EXPECT_EQ(s.cell(1, colTitle), "New A");
  EXPECT_TRUE(markedChanged(s, 1));
  // c.mp3: everything the user typed, untrimmed, with the genre's number.
  EXPECT_EQ(s.cell(3, colOrigName), "c.mp3");
  EXPECT_EQ(s.cell(3, colTitle), " Read only ");
  EXPECT_EQ(s.cell(3, colGenre), "Bebob");
  EXPECT_EQ(s.cell(3, colGenreNo), "84");
  EXPECT_TRUE(markedChanged(s, 3));
  // The rows that were saved show the disk as it now is.
  EXPECT_EQ(s.cell(4, colTitle), "Written");
  EXPECT_EQ(s.cell(4, colState), kStateLoaded);
  EXPECT_EQ(s.grid().cellBackColorAt(4, colTitle), FlexGrid::kDefaultBackColor);
  EXPECT_EQ(s.cell(2, colState), kStateLoaded);
  EXPECT_TRUE(s.window.blnChanged);

  // The user mends both causes and saves again.
  makeWritable(s.dir.file("c.mp3"));
  edit(1, colFileName, "e.mp3");
  s.form.messages.clear();
  s.form.cmdSave.click();
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(tagOf("c.mp3").Title, " Read only" + std::string(20, ' '));
  EXPECT_EQ(tagOf("c.mp3").Genre, 84);
  EXPECT_EQ(tagOf("e.mp3").Title, "New A" + std::string(25, ' '));
  EXPECT_FALSE(std::filesystem::exists(s.dir.file("a.mp3")));
  EXPECT_FALSE(s.window.blnChanged);
  for (int r = 1; r < s.grid().Rows(); ++r) EXPECT_EQ(s.cell(r, colState), kStateLoaded) << r;
}

TEST_F(CommandsTest, QuitAfterAFailedSaveStillAsks) {
  edit(2, colTitle, "Kept");
  makeReadOnly(s.dir.file("b.mp3"));
  s.form.cmdSave.click();
  s.form.messages.clear();
  s.form.messages.queueAnswer(MessageAnswer::No);
  s.form.cmdEnd.click();
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "内容が保存されていません終了しますか？");
  EXPECT_FALSE(s.form.window.ended());
}

TEST_F(CommandsTest, NameDifferingOnlyInCaseIsARename) {
  edit(1, colFileName, "A.mp3");
  s.form.cmdSave.click();
  const std::vector<std::string> names = s.dir.names();
  EXPECT_NE(std::find(names.begin(), names.end(), "A.mp3"), names.end());
  EXPECT_EQ(std::find(names.begin(), names.end(), "a.mp3"), names.end());
}

TEST_F(CommandsTest, TwoRenamesInOneSave) {
  edit(1, colFileName, "x.mp3");
  edit(2, colFileName, "y.mp3");
  s.form.cmdSave.click();
  EXPECT_EQ(tagOf("x.mp3").Title, "Alpha" + std::string(25, ' '));
  EXPECT_EQ(tagOf("y.mp3").Title, "Beta" + std::string(26, ' '));
}

// Files whose last 128 bytes start with a near miss of "TAG" hold no tag: their rows are
// empty, and Save appends a tag behind every old byte instead of overwriting the audio.
TEST_F(CommandsTest, ANearMissOfTheTagMarkerIsNoTagAndSaveAppendsOne) {
  const std::vector<std::pair<std::string, Bytes>> nearMisses = {
      {"e.mp3", bytesOf("TAx")}, {"f.mp3", bytesOf("TA ")}, {"g.mp3", bytesOf("xAG")}};
  std::map<std::string, Bytes> originals;
  for (const auto& [name, marker] : nearMisses) {
    Bytes block = rawTag(bytesOf("Hidden"), bytesOf("Not an artist"), {}, bytesOf("1999"), {}, 17);
    std::copy(marker.begin(), marker.end(), block.begin());
    originals[name] = concat(audio(400), block);
    writeFile(s.dir.file(name), originals[name]);
  }
  s.form.Dir1.setPath(s.dir.path().string());
  ASSERT_EQ(s.grid().Rows(), 8);
  for (int r = 5; r <= 7; ++r) {
    SCOPED_TRACE(s.cell(r, colOrigName));
    for (int c : {colTitle, colArtist, colAlbum, colYear, colComment}) EXPECT_EQ(s.cell(r, c), "");
    EXPECT_EQ(s.cell(r, colGenreNo), "0");
    edit(r, colAlbum, "Mine");
  }
  s.form.cmdSave.click();
  for (const auto& [name, original] : originals) {
    SCOPED_TRACE(name);
    const Bytes written = readFile(s.dir.file(name));
    ASSERT_EQ(written.size(), original.size() + kTagSize);
    EXPECT_EQ(slice(written, 0, original.size()), original);
    EXPECT_EQ(tagOf(name),
              (TagRecord{std::string(30, ' '), std::string(30, ' '), "Mine" + std::string(26, ' '),
                         "    ", std::string(30, ' '), 0}));
  }
}

struct QuitCase {
  const char* what;
  bool edit;               // a stored edit before quitting
  std::string openEditor;  // text in an open title editor ("" for no editor)
  MessageAnswer answer;
  bool asks, ends;
};

class QuitAndClose : public CommandsTest, public ::testing::WithParamInterface<QuitCase> {};

TEST_P(QuitAndClose, AskOnlyWithUnsavedEdits) {
  const QuitCase& q = GetParam();
  for (bool viaClose : {false, true}) {
    SheetFixture f(kFiles);
    if (q.edit) {
      f.click(2, colAlbum);
      f.form.EditText.setText("edited");
      f.key(kKeyReturn);
    }
    if (!q.openEditor.empty()) {
      f.click(1, colTitle);
      f.form.EditText.setText(q.openEditor);
    }
    f.form.messages.queueAnswer(q.answer);
    bool ended;
    if (viaClose) {
      std::int16_t cancel = -1;
      f.window.Form_QueryUnload(cancel);
      ended = cancel == 0;
      EXPECT_FALSE(f.form.window.ended()) << "the window system ends it after the close";
    } else {
      f.form.cmdEnd.click();
      ended = f.form.window.ended();
    }
    EXPECT_EQ(ended, q.ends) << (viaClose ? "close" : "quit");
    ASSERT_EQ(f.form.messages.shown().size(), q.asks ? 1u : 0u);
    if (q.asks) {
      const auto& box = f.form.messages.shown()[0];
      EXPECT_EQ(box.text, "内容が保存されていません終了しますか？");
      EXPECT_EQ(box.title, "Quorvane");
      EXPECT_EQ(box.defaultButton, MessageAnswer::Yes);
      EXPECT_EQ(box.icon, MessageIcon::Question);
    }
    EXPECT_EQ(readFile(f.dir.file("a.mp3")), tagFor(kFiles[1])) << "quitting writes nothing";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QuitAndClose,
    ::testing::Values(
        QuitCase{"no edits", false, "", MessageAnswer::No, false, true},
        QuitCase{"unchanged open editor", false, "Alpha", MessageAnswer::No, false, true},
        QuitCase{"changed open editor, yes", false, "New", MessageAnswer::Yes, true, true},
        QuitCase{"changed open editor, no", false, "New", MessageAnswer::No, true, false},
        QuitCase{"stored edit, no", true, "", MessageAnswer::No, true, false},
        QuitCase{"stored edit, yes", true, "", MessageAnswer::Yes, true, true}),
    caseName<QuitAndClose::ParamType>);

TEST_F(CommandsTest, QuitAnsweredNoKeepsTheEditorWorking) {
  s.click(1, colTitle);
  s.form.EditText.setText("New");
  s.form.messages.queueAnswer(MessageAnswer::No);
  s.form.cmdEnd.click();
  EXPECT_EQ(s.cell(1, colTitle), "New");
  s.form.EditText.setText("Newer");
  s.key(kKeyReturn);
  EXPECT_EQ(s.cell(1, colTitle), "Newer");
  EXPECT_EQ(s.grid().Col(), colArtist);
}

// Typing, then a scroll or a double click: the editor hides with the typing in it, which
// still waits for its cell. It is an edit like any other: Save stores and writes it, and
// nothing that would drop it does so without asking.
struct HiddenCase {
  const char* what;
  bool genre;    // the genre list rather than the text editor
  bool changed;  // it holds something other than its cell
  bool byDoubleClick;
};

class HiddenEditor : public ::testing::TestWithParam<HiddenCase> {
 protected:
  // Row 1 is a.mp3: "Alpha", genre 17 ("Rock").
  static void typeAndHide(SheetFixture& f) {
    const HiddenCase& h = GetParam();
    if (h.genre) {
      f.click(1, colGenre);
      f.form.Combo1.setListIndex(f.genreItem(h.changed ? "Bebob" : "Rock"));
    } else {
      f.click(1, colTitle);
      f.form.EditText.setText(h.changed ? "Typed" : "Alpha");
    }
    if (h.byDoubleClick) {
      f.doubleClick(0, colYear);  // the years are all blank: the order stays
    } else {
      f.window.MSFlexGrid1_Scroll();
    }
    ASSERT_FALSE(f.form.EditText.Visible() || f.form.Combo1.Visible());
  }
};

TEST_P(HiddenEditor, SaveStoresItIntoItsCellAndWritesIt) {
  const HiddenCase& h = GetParam();
  SheetFixture f(kFiles);
  typeAndHide(f);
  f.form.cmdSave.click();
  ASSERT_EQ(f.form.messages.shown().size(), h.changed ? 1u : 0u);
  TagRecord a;
  ASSERT_TRUE(ReadTag(f.dir.file("a.mp3"), a, systemFiles()));
  if (!h.changed) {
    EXPECT_EQ(readFile(f.dir.file("a.mp3")), tagFor(kFiles[1]));
  } else if (h.genre) {
    EXPECT_EQ(a.Genre, 84);
  } else {
    EXPECT_EQ(a.Title, "Typed" + std::string(25, ' '));
  }
  EXPECT_FALSE(f.window.hasUnsavedEdits());
}

TEST_P(HiddenEditor, QuitCloseAndEveryLoadAskFirst) {
  const HiddenCase& h = GetParam();
  const std::vector<std::pair<const char*, std::function<void(SheetFixture&)>>> actions = {
      {"quit", [](SheetFixture& f) { f.form.cmdEnd.click(); }},
      {"close",
       [](SheetFixture& f) {
         std::int16_t cancel = -1;
         f.window.Form_QueryUnload(cancel);
         if (cancel == 0) f.form.window.endProgram();
       }},
      {"folder change",
       [](SheetFixture& f) {
         std::filesystem::create_directory(f.dir.path() / "sub");
         f.form.Dir1.setPath((f.dir.path() / "sub").string());
       }},
      {"F5", [](SheetFixture& f) { f.window.ReloadFolder(); }},
      {"drop", [](SheetFixture& f) { f.window.OpenDroppedPath(f.dir.file("b.mp3")); }},
  };
  for (const auto& [name, act] : actions) {
    for (MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
      SCOPED_TRACE(std::string(name) + (answer == MessageAnswer::Yes ? ", yes" : ", no"));
      SheetFixture f(kFiles);
      typeAndHide(f);
      EXPECT_EQ(f.window.hasUnsavedEdits(), h.changed);
      f.form.messages.queueAnswer(answer);
      act(f);
      ASSERT_EQ(f.form.messages.shown().size(), h.changed ? 1u : 0u);
      const bool dropped = !h.changed || answer == MessageAnswer::Yes;
      const bool ends = std::string(name) == "quit" || std::string(name) == "close";
      if (ends) {
        EXPECT_EQ(f.form.window.ended(), dropped);
      } else {
        EXPECT_NE(f.window.hasUnsavedEdits(), dropped) << "kept only when the user said No";
      }
      if (!dropped) {
        // Still there for Save.
        f.form.messages.clear();
        f.form.cmdSave.click();
        TagRecord a;
        ASSERT_TRUE(ReadTag(f.dir.file("a.mp3"), a, systemFiles()));
        EXPECT_EQ(h.genre ? std::to_string(a.Genre) : a.Title,
                  h.genre ? "84" : "Typed" + std::string(25, ' '));
      }
      EXPECT_EQ(readFile(f.dir.file("b.mp3")), tagFor(kFiles[0])) << "nothing else written";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HiddenEditor,
    ::testing::Values(HiddenCase{"text typed then scrolled", false, true, false},
                      HiddenCase{"text typed then double clicked", false, true, true},
                      HiddenCase{"text unchanged then scrolled", false, false, false},
                      HiddenCase{"genre chosen then scrolled", true, true, false},
                      HiddenCase{"genre unchanged then scrolled", true, false, false}),
    caseName<HiddenEditor::ParamType>);

TEST_F(CommandsTest, PlayOpensTheLastEditedRowsFileAsLoaded) {
  s.form.Command1.click();
  EXPECT_TRUE(s.form.shell.opened().empty()) << "nothing before a cell was opened";
  edit(2, colFileName, "renamed.mp3");
  s.click(2, colAlbum);
  s.form.Command1.click();
  ASSERT_EQ(s.form.shell.opened().size(), 1u);
  EXPECT_EQ(s.form.shell.opened()[0],
            (HeadlessShellOpener::Opened{s.dir.path().string(), "b.mp3"}));
}

}  // namespace
