// Editing many cells at once and taking changes back: undo and redo, paste of a block,
// fills by a pattern, and the sheet's context menu, on the headless window.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>

#include "tagcodec/tag_file.h"
#include "tests/sheet_fixture.h"

namespace {

using namespace quorvane;
using namespace quorvane::testing;

std::vector<TestFile> numberedFiles(int count) {
  std::vector<TestFile> files;
  for (int i = 1; i <= count; ++i) {
    const std::string n = (i < 10 ? "0" : "") + std::to_string(i);
    // Every third file has no tag; the others carry the title of their name.
    files.push_back({n + " Artist " + n + " - Title " + n + ".mp3", "Title " + n, 0, i % 3 != 0});
  }
  return files;
}

// Everything undo must put back: every row's cells, mark and colours (by the row's data,
// which a sort does not change) and blnChanged.
struct SheetState {
  std::map<std::int64_t, std::vector<std::string>> rows;
  bool changed = false;
  bool operator==(const SheetState&) const = default;
};

SheetState stateOf(SheetFixture& s) {
  SheetState state;
  for (int r = 1; r < s.grid().Rows(); ++r) {
    std::vector<std::string>& cells = state.rows[s.grid().RowData(r)];
    for (int c = 0; c < kSheetCols; ++c) cells.push_back(s.cell(r, c));
    for (int c = colFileName; c <= colGenre; ++c) {
      cells.push_back(std::to_string(s.grid().cellBackColorAt(r, c)) + "/" +
                      std::to_string(s.grid().cellForeColorAt(r, c)));
    }
  }
  state.changed = s.window.blnChanged;
  return state;
}

class BatchEdits : public ::testing::Test {
 protected:
  void edit(int row, int col, const std::string& text) {
    s.click(row, col);
    s.form.EditText.setText(text);
    s.key(kKeyReturn);
  }
  std::int16_t ctrl(std::int16_t key, std::int16_t extra = 0) {
    return s.key(key, static_cast<std::int16_t>(kCtrlMask | extra));
  }
  SheetFixture s{numberedFiles(20)};
};

// ---- undo and redo ----

TEST(UndoHistory, RandomChangesGoBackAndForthThroughEveryStateExactly) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    SheetFixture s{numberedFiles(12)};
    std::vector<SheetState> states{stateOf(s)};
    for (int step = 0; step < 12; ++step) {
      const int row = 1 + static_cast<int>(random() % 12);
      switch (random() % 6) {
        case 0:
        case 1:
          s.click(row, static_cast<int>(random() % 6));
          s.form.EditText.setText(random() % 4 ? "text " + std::to_string(random() % 5) : "");
          s.key(kKeyReturn);
          break;
        case 2:
          s.click(row, colGenre);
          s.form.Combo1.setListIndex(static_cast<int>(random() % 115));
          s.key(kKeyReturn);
          break;
        case 3:
          s.click(row, 1 + static_cast<int>(random() % 4));
          s.form.clipboard.setText("a\tb\n\nc\td\te\n" + std::to_string(random() % 9) + "\n");
          s.key('V', kCtrlMask);
          break;
        case 4:
          s.form.patterns.queueAnswer(random() % 2 ? "%artist% - %title%" : "* %album% - *");
          s.window.TagsFromNames();
          break;
        default:
          s.form.patterns.queueAnswer(random() % 2 ? "%title% (%artist%)" : "x%album%");
          s.window.NamesFromTags();
      }
      s.doubleClick(0, static_cast<int>(random() % 6));  // a sort changes no history
      if (!(stateOf(s) == states.back())) states.push_back(stateOf(s));
    }
    ASSERT_GT(states.size(), 3u);
    for (std::size_t i = states.size() - 1; i-- > 0;) {
      s.window.Undo();
      ASSERT_EQ(stateOf(s), states[i]) << "after undoing back to state " << i;
    }
    EXPECT_FALSE(s.window.canUndo());
    EXPECT_FALSE(s.window.blnChanged) << "back as loaded: nothing to save, Quit asks nothing";
    for (std::size_t i = 1; i < states.size(); ++i) {
      s.window.Redo();
      ASSERT_EQ(stateOf(s), states[i]) << "after redoing state " << i;
    }
    EXPECT_FALSE(s.window.canRedo());
  }
}

TEST_F(BatchEdits, CtrlZTakesBackTheLastCommitAndMovesTheEditorToIt) {
  edit(2, colTitle, "New title");
  edit(5, colArtist, "New artist");
  s.click(7, colAlbum);
  EXPECT_EQ(ctrl('Z'), 0);
  EXPECT_EQ(s.cell(5, colArtist), "") << "back as loaded";
  EXPECT_EQ(s.cell(5, colState), kStateLoaded);
  EXPECT_EQ(s.grid().cellBackColorAt(5, colTitle), FlexGrid::kDefaultBackColor);
  EXPECT_EQ(s.grid().Row(), 5);
  EXPECT_EQ(s.grid().Col(), colArtist);
  EXPECT_EQ(s.form.EditText.Text(), "");
  EXPECT_EQ(s.window.lngPrevRow, 5);
  EXPECT_TRUE(s.window.blnChanged) << "row 2 still changed";
  EXPECT_EQ(ctrl('Z'), 0);
  EXPECT_FALSE(s.window.blnChanged);
  EXPECT_EQ(ctrl('Z'), 0) << "nothing left: the key is still the sheet's";
  EXPECT_EQ(ctrl('Y'), 0);
  EXPECT_EQ(s.cell(2, colTitle), "New title");
  EXPECT_EQ(ctrl('Z', kShiftMask), 0);
  EXPECT_EQ(s.cell(5, colArtist), "New artist");
  EXPECT_TRUE(s.window.blnChanged);
}

TEST_F(BatchEdits, TypingNotYetStoredKeepsTheTextBoxsOwnUndo) {
  edit(2, colTitle, "Stored");
  s.click(3, colTitle);
  s.form.EditText.setText("typing");
  EXPECT_EQ(ctrl('Z'), 'Z') << "the text box takes it back";
  EXPECT_EQ(ctrl('Y'), 'Y');
  EXPECT_EQ(s.cell(2, colTitle), "Stored");
  // The menu's undo stores the typing first, so that it is what goes back, and comes
  // again with redo.
  s.form.menu.queueChoice(0);
  s.window.MSFlexGrid1_ContextMenu();
  EXPECT_EQ(s.cell(3, colTitle), "") << "file 03 has no tag";
  EXPECT_EQ(s.cell(2, colTitle), "Stored");
  s.window.Redo();
  EXPECT_EQ(s.cell(3, colTitle), "typing");
}

TEST_F(BatchEdits, AChangeAfterAnUndoDropsWhatCouldBeRedone) {
  edit(2, colTitle, "One");
  ctrl('Z');
  edit(3, colTitle, "Two");
  EXPECT_FALSE(s.window.canRedo());
  ctrl('Z');
  EXPECT_FALSE(s.window.canUndo());
}

TEST_F(BatchEdits, LoadsAndSavesClearTheHistory) {
  edit(2, colTitle, "One");
  s.form.messages.queueAnswer(MessageAnswer::Yes);
  s.window.ReloadFolder();
  EXPECT_FALSE(s.window.canUndo());
  edit(2, colTitle, "Two");
  s.form.cmdSave.click();
  EXPECT_FALSE(s.window.canUndo());
  EXPECT_FALSE(s.window.canRedo());
}

// ---- paste ----

TEST_F(BatchEdits, ALineOfItsOwnIsTheTextBoxsPaste) {
  s.click(2, colTitle);
  for (const char* text : {"one line", "one line\n", "one line\r\n", ""}) {
    s.form.clipboard.setText(text);
    EXPECT_EQ(ctrl('V'), 'V') << text;
  }
  EXPECT_FALSE(s.window.blnChanged);
}

TEST_F(BatchEdits, SeveralLinesFillTheColumnDownwardAsOneChange) {
  const SheetState before = stateOf(s);
  s.click(3, colTitle);
  s.form.clipboard.setText("First\r\nSecond\r\n\r\nFourth\r\n");
  EXPECT_EQ(ctrl('V'), 0);
  EXPECT_EQ(s.cell(3, colTitle), "First");
  EXPECT_EQ(s.cell(4, colTitle), "Second");
  EXPECT_EQ(s.cell(5, colTitle), "") << "an empty line empties its cell";
  EXPECT_EQ(s.cell(6, colTitle), "Fourth");
  EXPECT_EQ(s.cell(7, colTitle), "Title 07");
  for (int r : {3, 4, 5, 6}) EXPECT_EQ(s.cell(r, colState), kStateChanged) << r;
  EXPECT_EQ(s.cell(2, colState), kStateLoaded);
  EXPECT_EQ(s.form.EditText.Text(), "First") << "the editor shows its cell";
  EXPECT_FALSE(s.window.hasUnsavedEdits() && s.form.EditText.Text() != s.cell(3, colTitle));
  EXPECT_TRUE(s.form.messages.shown().empty());
  ctrl('Z');
  EXPECT_EQ(stateOf(s), before) << "one undo takes the whole paste back";
}

// A paste is an edit like a typed one: Save writes it (cut to the field) or keeps it
// marked where the write failed, and Quit and F5 ask while any of it is unsaved.
TEST_F(BatchEdits, APasteIsSavedAndKeptAsTypedEditsAre) {
  const std::string longName = "A name longer than thirty bytes, cut";
  s.click(1, colArtist);
  s.form.clipboard.setText("First\nSecond\n" + longName + "\n");
  ctrl('V');
  makeReadOnly(s.dir.file("02 Artist 02 - Title 02.mp3"));
  s.form.cmdSave.click();
  Module1::TagRecord tag;
  ASSERT_TRUE(Module1::ReadTag(s.dir.file("01 Artist 01 - Title 01.mp3"), tag, systemFiles()));
  EXPECT_EQ(tag.Artist, "First" + std::string(25, ' '));
  ASSERT_TRUE(Module1::ReadTag(s.dir.file("03 Artist 03 - Title 03.mp3"), tag, systemFiles()));
  EXPECT_EQ(tag.Artist, longName.substr(0, 30));
  const int kept = s.rowOf("02 Artist 02 - Title 02.mp3");
  EXPECT_EQ(s.cell(kept, colArtist), "Second");
  EXPECT_EQ(s.cell(kept, colState), kStateChanged);
  EXPECT_TRUE(s.window.blnChanged);

  s.form.messages.clear();
  s.form.messages.queueAnswer(MessageAnswer::No);
  s.window.ReloadFolder();
  ASSERT_EQ(s.form.messages.shown().size(), 1u) << "F5 asks";
  EXPECT_EQ(s.cell(kept, colArtist), "Second");
  s.form.messages.queueAnswer(MessageAnswer::No);
  s.form.cmdEnd.click();
  ASSERT_EQ(s.form.messages.shown().size(), 2u) << "Quit asks";
  EXPECT_FALSE(s.form.window.ended());
}

TEST_F(BatchEdits, TabsFillTheCellsToTheRightAndGenresByName) {
  s.click(19, colAlbum);
  s.form.clipboard.setText(
      "Album 1\t2001\tNote 1\tRock\tbeyond\n"
      "Album 2\t2002\tNote 2\tNo such genre\n"
      "Album 3\t2003\n");
  EXPECT_EQ(ctrl('V'), 0);
  EXPECT_EQ(s.cell(19, colAlbum), "Album 1");
  EXPECT_EQ(s.cell(19, colYear), "2001");
  EXPECT_EQ(s.cell(19, colComment), "Note 1");
  EXPECT_EQ(s.cell(19, colGenre), "Rock");
  EXPECT_EQ(s.cell(19, colGenreNo), "17");
  EXPECT_EQ(s.cell(20, colAlbum), "Album 2");
  EXPECT_EQ(s.cell(20, colGenre), "Blues") << "an unknown genre leaves the cell alone";
  ASSERT_EQ(s.form.messages.shown().size(), 1u);
  const MessageBoxRequest& box = s.form.messages.shown()[0];
  EXPECT_EQ(box.title, "Quorvane");
  EXPECT_EQ(box.text,
            "1 行は最後の行より下になるため、貼り付けませんでした。\r\n"
            "1 個のセルはジャンルより右になるため、貼り付けませんでした。\r\n"
            "ジャンル「No such genre」は一覧にないため、そのままにしました。");
}

// ---- fills by a pattern ----

TEST_F(BatchEdits, TagsFromNamesShowsWhatChangesAndAppliesItAsOneChange) {
  edit(4, colFileName, "no separator here.mp3");
  s.form.patterns.queueAnswer("* %artist% - %title%");
  s.window.TagsFromNames();
  ASSERT_EQ(s.form.patterns.requests().size(), 1u);
  const PatternDialogRequest& request = s.form.patterns.requests()[0];
  EXPECT_EQ(request.title, "Quorvane");
  EXPECT_EQ(request.heading, "ファイル名からタグを設定");
  EXPECT_EQ(request.pattern, "%artist% - %title%");
  ASSERT_EQ(request.placeholders.size(), 6u);
  EXPECT_EQ(request.placeholders[0], (std::pair<std::string, std::string>{"%title%", "曲タイトル"}));
  EXPECT_EQ(request.placeholders[5], (std::pair<std::string, std::string>{"%genre%", "ジャンル"}));

  const PatternPreview& preview = s.form.patterns.previews().back();
  EXPECT_EQ(preview.changes, 19);
  ASSERT_EQ(preview.rows.size(), 20u);
  EXPECT_EQ(preview.rows[0].name, "01 Artist 01 - Title 01.mp3");
  EXPECT_EQ(preview.rows[0].before, "");
  EXPECT_EQ(preview.rows[0].after, "Artist 01");
  EXPECT_EQ(preview.rows[2].before, " / ") << "an untagged row: artist and title change";
  EXPECT_EQ(preview.rows[2].after, "Artist 03 / Title 03");
  EXPECT_EQ(preview.rows.back().name, "no separator here.mp3");
  EXPECT_EQ(preview.rows.back().status, PatternPreviewRow::Status::NoMatch);

  EXPECT_EQ(s.cell(1, colArtist), "Artist 01");
  EXPECT_EQ(s.cell(1, colTitle), "Title 01");
  EXPECT_EQ(s.cell(3, colArtist), "Artist 03");
  EXPECT_EQ(s.cell(4, colArtist), "") << "the row that did not fit";
  for (int r = 1; r <= 20; ++r) EXPECT_EQ(s.cell(r, colState), kStateChanged) << r;
  // It is an edit like any other: the questions ask, and one undo takes it all back.
  s.window.Undo();
  EXPECT_EQ(s.cell(1, colArtist), "");
  EXPECT_EQ(s.cell(4, colState), kStateChanged) << "the rename typed before stays";
}

TEST_F(BatchEdits, TextsLongerThanTheirFieldAreShownInRed) {
  edit(1, colFileName, "A name that is far too long for the field - x.mp3");
  s.form.patterns.queueAnswer(std::nullopt);  // キャンセル
  s.window.TagsFromNames();
  const PatternPreview& preview = s.form.patterns.previews().back();
  ASSERT_FALSE(preview.rows.empty());
  EXPECT_EQ(preview.rows[0].after, "A name that is far too long for the field / x");
  EXPECT_TRUE(preview.rows[0].tooLong);
  EXPECT_FALSE(preview.rows[1].tooLong);
  EXPECT_EQ(s.cell(2, colArtist), "") << "キャンセル changes nothing";
}

TEST_F(BatchEdits, AnUnusablePatternOffersNoOk) {
  s.form.patterns.queueAnswer("%artist% - %title");
  s.window.TagsFromNames();
  EXPECT_EQ(s.form.patterns.previews().back().error, "% が閉じていません。");
  EXPECT_FALSE(s.window.blnChanged);
}

TEST_F(BatchEdits, NamesFromTagsLeavesOutCollisionsAndSaveRenames) {
  edit(1, colTitle, "Same");
  edit(2, colTitle, "Same");
  edit(3, colTitle, "Title: \"quoted\"?");
  edit(5, colTitle, "exists");
  writeFile(s.dir.file("exists.MP3"), audio(300));  // in the folder, not in the sheet
  s.form.patterns.queueAnswer("%title%");
  s.window.NamesFromTags();
  const PatternPreview& preview = s.form.patterns.previews().back();
  std::map<std::string, PatternPreviewRow::Status> status;
  for (const PatternPreviewRow& row : preview.rows) status[row.name] = row.status;
  EXPECT_EQ(status.at("01 Artist 01 - Title 01.mp3"), PatternPreviewRow::Status::Collides);
  EXPECT_EQ(status.at("02 Artist 02 - Title 02.mp3"), PatternPreviewRow::Status::Collides);
  EXPECT_EQ(status.at("05 Artist 05 - Title 05.mp3"), PatternPreviewRow::Status::Collides);
  EXPECT_EQ(s.cell(1, colFileName), "01 Artist 01 - Title 01.mp3");
  EXPECT_EQ(s.cell(3, colFileName), "Title： ＂quoted＂？.mp3");
  EXPECT_EQ(s.cell(4, colFileName), "Title 04.mp3");
  EXPECT_EQ(s.cell(6, colFileName), "06 Artist 06 - Title 06.mp3") << "no title, no name";
  s.form.cmdSave.click();
  EXPECT_TRUE(std::filesystem::exists(pathOf(s.dir.file("Title： ＂quoted＂？.mp3"))));
  EXPECT_TRUE(std::filesystem::exists(pathOf(s.dir.file("Title 04.mp3"))));
  EXPECT_TRUE(std::filesystem::exists(pathOf(s.dir.file("01 Artist 01 - Title 01.mp3"))));
}

// ---- the context menu ----

TEST_F(BatchEdits, TheMenuOffersWhatCanActOnTheCellRightClicked) {
  s.form.clipboard.setText("");
  s.window.MSFlexGrid1_ContextMenu();
  ASSERT_EQ(s.form.menu.shown().size(), 1u);
  const std::vector<MenuItem>& items = s.form.menu.shown()[0];
  ASSERT_EQ(items.size(), 5u);
  const std::vector<std::string> texts = {"元に戻す", "やり直し", "貼り付け",
                                          "ファイル名からタグを設定...",
                                          "タグからファイル名を設定..."};
  for (std::size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i].text, texts[i]);
  EXPECT_EQ(items[0].shortcut, "Ctrl+Z");
  EXPECT_EQ(items[3].shortcut, "Ctrl+T");
  EXPECT_FALSE(items[0].enabled);
  EXPECT_FALSE(items[1].enabled);
  EXPECT_FALSE(items[2].enabled) << "nothing to paste";
  EXPECT_TRUE(items[3].enabled);

  // A right click on a cell makes it current; its paste goes there.
  s.form.clipboard.setText("Pasted\nBelow\n");
  s.grid().setRow(8);
  s.grid().setCol(colAlbum);
  s.form.menu.queueChoice(2);
  s.window.MSFlexGrid1_ContextMenu();
  EXPECT_TRUE(s.form.menu.shown().back()[2].enabled);
  EXPECT_EQ(s.cell(8, colAlbum), "Pasted");
  EXPECT_EQ(s.cell(9, colAlbum), "Below");
  s.form.menu.queueChoice(0);
  s.window.MSFlexGrid1_ContextMenu();
  EXPECT_TRUE(s.form.menu.shown().back()[0].enabled);
  EXPECT_EQ(s.cell(8, colAlbum), "");
  EXPECT_TRUE(s.window.canRedo());
}

TEST_F(BatchEdits, TheMenuKeyInAnEditorOpensTheMenuForItsCell) {
  s.click(4, colTitle);
  EXPECT_EQ(s.key(kKeyApps), 0);
  EXPECT_EQ(s.key(kKeyF10, kShiftMask), 0);
  EXPECT_EQ(s.form.menu.shown().size(), 2u);
  EXPECT_EQ(s.key(kKeyF10), kKeyF10) << "F10 alone is not the menu";
}

}  // namespace
