#include <gtest/gtest.h>

#include <random>

#include "tagcodec/genre_table.h"
#include "tests/sheet_fixture.h"

namespace {

using namespace quorvane;
using namespace quorvane::testing;

const std::vector<TestFile> kFiles = {
    {"a.mp3", "Alpha", 17}, {"b.mp3", "Beta", 0}, {"c.mp3", "Gamma", 255}, {"d.mp3", "Delta", 84}};

class EditingTest : public ::testing::Test {
 protected:
  SheetFixture s{kFiles};
  FlexGrid& grid = s.grid();
  HeadlessForm& form = s.form;
  MainWindow& window = s.window;
};

// ---- clicks ----

TEST_F(EditingTest, FirstClickOpensTextEditorAndShowsFileName) {
  s.click(2, colTitle);
  EXPECT_TRUE(form.EditText.Visible());
  EXPECT_TRUE(form.EditText.hasFocus());
  EXPECT_EQ(form.EditText.Text(), "Beta");
  EXPECT_FALSE(form.Combo1.Visible());
  EXPECT_EQ(form.StatusBar1.PanelText(1), "b.mp3");
  EXPECT_EQ(form.Label1.Caption(), "b.mp3");
  EXPECT_EQ(window.lngPrevRow, 2);
  EXPECT_EQ(window.lngPrevCol, colTitle);
  EXPECT_EQ(grid.Row(), 2);
  EXPECT_EQ(grid.Col(), colTitle);
  EXPECT_FALSE(window.blnChanged);
}

TEST_F(EditingTest, ClickOnHeaderRowDoesNothing) {
  s.click(1, colArtist);
  form.EditText.setText("typed");
  s.click(0, colTitle);
  EXPECT_TRUE(form.EditText.Visible());
  EXPECT_EQ(s.cell(1, colArtist), "");
  EXPECT_EQ(window.lngPrevRow, 1);
  // The editor still belongs to its cell: Enter stores there, not into the header.
  EXPECT_EQ(s.key(kKeyReturn), 0);
  EXPECT_EQ(s.cell(1, colArtist), "typed");
  EXPECT_EQ(s.cell(0, colTitle), "曲タイトル");
}

TEST_F(EditingTest, ClickStoresThePendingEditFirst) {
  s.click(1, colTitle);
  form.EditText.setText("New");
  s.click(3, colAlbum);
  EXPECT_EQ(s.cell(1, colTitle), "New");
  EXPECT_EQ(s.cell(1, colState), "2");
  EXPECT_TRUE(window.blnChanged);
  EXPECT_EQ(grid.Row(), 3);
  EXPECT_EQ(grid.Col(), colAlbum);
  EXPECT_EQ(form.StatusBar1.PanelText(1), "c.mp3");
}

TEST_F(EditingTest, ClickOnTheEditedCellStoresAndReopensIt) {
  s.click(1, colTitle);
  form.EditText.setText("Again");
  s.click(1, colTitle);
  EXPECT_EQ(s.cell(1, colTitle), "Again");
  EXPECT_EQ(form.EditText.Text(), "Again");
  EXPECT_TRUE(form.EditText.Visible());
}

TEST_F(EditingTest, ScrollHidesEditorAndNextClickStoresIntoTheRightCell) {
  s.click(2, colComment);
  form.EditText.setText("typed then scrolled");
  window.MSFlexGrid1_Scroll();
  EXPECT_FALSE(form.EditText.Visible());
  s.click(4, colTitle);
  EXPECT_EQ(s.cell(2, colComment), "typed then scrolled");
  EXPECT_EQ(s.cell(4, colComment), std::string(30, ' '));
}

TEST_F(EditingTest, DoubleClickHidesGenreListWithoutStoringAndSorts) {
  s.click(1, colGenre);
  ASSERT_TRUE(form.Combo1.Visible());
  form.Combo1.setListIndex(s.genreItem("Jazz"));
  s.doubleClick(2, colGenre);  // the first click stores the pending edit (none changed)
  EXPECT_FALSE(form.Combo1.Visible());
  // Sorted by genre name: "" (c), Bebob (d), Blues (b), Rock (a).
  EXPECT_EQ(s.cell(1, colOrigName), "c.mp3");
  EXPECT_EQ(s.cell(4, colOrigName), "a.mp3");
}

TEST_F(EditingTest, HiddenEditorFollowsItsRowThroughASort) {
  s.click(1, colTitle);  // a.mp3
  form.EditText.setText("for a.mp3");
  grid.setCol(colTitle);
  window.MSFlexGrid1_DblClick();  // sorts by title: Alpha, Beta, Delta, Gamma — a stays 1
  s.click(4, colArtist);
  s.click(4, colGenre);
  // Now move a.mp3 away: sort by genre puts it last.
  s.click(1, colTitle);
  form.EditText.setText("still a.mp3");
  grid.setCol(colGenre);
  window.MSFlexGrid1_DblClick();
  ASSERT_EQ(s.cell(4, colOrigName), "a.mp3");
  ASSERT_EQ(window.lngPrevRow, 4);
  s.click(2, colAlbum);
  EXPECT_EQ(s.cell(4, colTitle), "still a.mp3");
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(s.cell(r, colState), "1") << r;
}

// ---- placement ----

TEST(EditorPlacement, FollowsTheCellInFractionalPixels) {
  SheetFixture s(kFiles);
  FlexGrid& grid = s.grid();
  grid.setLeft(8);
  grid.setTop(40);
  grid.setFrameMetrics(0, 17);
  grid.setColWidth(colFileName, 900);
  grid.setColWidth(colTitle, 990);
  s.click(2, colTitle);
  ASSERT_EQ(grid.CellLeft(), 900);
  ASSERT_EQ(grid.CellTop(), 600);
  EXPECT_FLOAT_EQ(s.form.EditText.Top(), 78);
  EXPECT_FLOAT_EQ(s.form.EditText.Left(), 68);
  EXPECT_FLOAT_EQ(s.form.EditText.Width(), 66);
  EXPECT_FLOAT_EQ(s.form.EditText.Height(), 18);

  for (int c = 0; c < colGenre; ++c) grid.setColWidth(c, 150);
  grid.setColWidth(colGenre, 990);
  const float heightBefore = s.form.Combo1.Height();
  s.click(2, colGenre);
  EXPECT_FLOAT_EQ(s.form.Combo1.Top(), 78);
  EXPECT_FLOAT_EQ(s.form.Combo1.Left(), 68);
  EXPECT_FLOAT_EQ(s.form.Combo1.Width(), 66);
  EXPECT_EQ(s.form.Combo1.Height(), heightBefore);
  EXPECT_GT(s.form.Combo1.zIndex(), s.form.EditText.zIndex());

  grid.setColWidth(colTitle, 1000);  // 66.67 px: not rounded
  s.click(1, colTitle);
  EXPECT_FLOAT_EQ(s.form.EditText.Width(), 1000.0f / 15);
}

// ---- genre list ----

TEST_F(EditingTest, GenreListOpensOnTheRowsGenreWhereverItStands) {
  HeadlessForm sortedForm{quorvane::testing::systemFiles()};
  sortedForm.Combo1.setSorted(true);
  MainWindow sorted(sortedForm.controls());
  sorted.Form_Load();
  sortedForm.Dir1.setPath(s.dir.path().string());
  sorted.MSFlexGrid1().setRow(1);
  sorted.MSFlexGrid1().setCol(colGenre);
  sorted.MSFlexGrid1_Click();
  EXPECT_EQ(sortedForm.Combo1.List(sortedForm.Combo1.ListIndex()), "Rock");
  EXPECT_NE(sortedForm.Combo1.ListIndex(), 17);
  EXPECT_TRUE(sortedForm.Combo1.hasFocus());

  s.click(3, colGenre);  // genre 255: no name, nothing selected
  EXPECT_EQ(form.Combo1.ListIndex(), -1);
}

TEST_F(EditingTest, GenreCommitStoresNameAndNumberTogether) {
  s.click(1, colGenre);
  form.Combo1.setListIndex(s.genreItem("Bebob"));
  s.click(2, colTitle);
  EXPECT_EQ(s.cell(1, colGenre), "Bebob");
  EXPECT_EQ(s.cell(1, colGenreNo), "84");
  EXPECT_EQ(s.cell(1, colState), "2");
}

TEST_F(EditingTest, GenreListWithoutChoiceStoresNothing) {
  s.click(3, colGenre);  // empty name, no selection
  s.click(1, colTitle);
  EXPECT_EQ(s.cell(3, colState), "1");
  s.click(1, colGenre);  // "Rock" shown; take the selection away
  form.Combo1.setListIndex(-1);
  s.click(2, colTitle);
  EXPECT_EQ(s.cell(1, colGenre), "Rock");
  EXPECT_EQ(s.cell(1, colGenreNo), "17");
  EXPECT_EQ(s.cell(1, colState), "1");
  EXPECT_FALSE(window.blnChanged);
}

// ---- commits ----

TEST_F(EditingTest, CommitMarksAndColoursOnceAndLeavesCurrentCellBack) {
  s.click(2, colArtist);
  form.EditText.setText("Artist");
  EXPECT_EQ(s.key(kKeyReturn), 0);
  EXPECT_EQ(s.cell(2, colArtist), "Artist");
  EXPECT_EQ(s.cell(2, colState), "2");
  for (int c = 0; c < kSheetCols; ++c) {
    const bool visible = c <= colGenre;
    EXPECT_EQ(grid.cellBackColorAt(2, c),
              visible ? kChangedBackColor : FlexGrid::kDefaultBackColor);
    EXPECT_EQ(grid.cellForeColorAt(2, c),
              visible ? kChangedForeColor : FlexGrid::kDefaultForeColor);
    EXPECT_EQ(grid.cellBackColorAt(1, c), FlexGrid::kDefaultBackColor);
  }
  // The editor moved on to the album cell; Enter there must store into the album.
  EXPECT_EQ(grid.Col(), colAlbum);
  form.EditText.setText("Album");
  s.key(kKeyReturn);
  EXPECT_EQ(s.cell(2, colAlbum), "Album");
  EXPECT_EQ(s.cell(2, colArtist), "Artist");
}

struct CommitCase {
  const char* what;
  std::string typed;
  bool stored;
};

class TextCommit : public EditingTest, public ::testing::WithParamInterface<CommitCase> {};

TEST_P(TextCommit, StoresOnlyARealChange) {
  s.click(1, colTitle);  // holds "Alpha"
  form.EditText.setText(GetParam().typed);
  s.key(kKeyReturn);
  EXPECT_EQ(s.cell(1, colTitle), GetParam().stored ? GetParam().typed : "Alpha");
  EXPECT_EQ(s.cell(1, colState), GetParam().stored ? "2" : "1");
  EXPECT_EQ(window.blnChanged, GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Texts, TextCommit,
                         ::testing::Values(CommitCase{"same text", "Alpha", false},
                                           CommitCase{"letter case", "alpha", true},
                                           CommitCase{"trailing space", "Alpha ", true},
                                           CommitCase{"empty", "", true},
                                           CommitCase{"Japanese", "アルファ", true}),
                         caseName<TextCommit::ParamType>);

TEST_F(EditingTest, EditedNameKeepsLoadedNameForStatusBarAndSave) {
  s.click(1, colFileName);
  form.EditText.setText("renamed.mp3");
  s.key(kKeyReturn);
  EXPECT_EQ(s.cell(1, colFileName), "renamed.mp3");
  EXPECT_EQ(s.cell(1, colOrigName), "a.mp3");
  s.key(kKeyUp);
  EXPECT_EQ(form.StatusBar1.PanelText(1), "a.mp3");
}

TEST_F(EditingTest, EditingBackToLoadedTextKeepsRowChanged) {
  s.click(1, colTitle);
  form.EditText.setText("Changed");
  s.key(kKeyReturn);
  s.key(kKeyReturn, kShiftMask);
  form.EditText.setText("Alpha");
  s.key(kKeyReturn);
  EXPECT_EQ(s.cell(1, colTitle), "Alpha");
  EXPECT_EQ(s.cell(1, colState), "2");
  EXPECT_EQ(grid.cellBackColorAt(1, colTitle), kChangedBackColor);
}

// ---- keyboard: every row of the text editor's and the genre list's tables ----

enum class Editor { Text, Genre };

struct KeyCase {
  const char* what;
  int row, col;  // the editor opens here (by a click)
  std::int16_t key, shift;
  int toRow, toCol;
  Editor opens;
  bool stores;       // whether the typed text / chosen genre lands in the start cell
  int leftCol = -1;  // expected LeftCol afterwards, when it matters
};

class EditorKeys : public EditingTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(EditorKeys, MoveStoreAndReopen) {
  const KeyCase& k = GetParam();
  grid.setLeftCol(3);
  s.click(k.row, k.col);
  const std::string before = s.cell(k.row, k.col);
  std::string typed = "typed";
  if (k.col == colGenre) {
    form.Combo1.setListIndex(s.genreItem("Jazz"));
    typed = "Jazz";
  } else {
    form.EditText.setText(typed);
  }
  EXPECT_EQ(s.key(k.key, k.shift), 0) << "the key is consumed";
  EXPECT_EQ(s.cell(k.row, k.col), k.stores ? typed : before);
  EXPECT_EQ(grid.Row(), k.toRow);
  EXPECT_EQ(grid.Col(), k.toCol);
  EXPECT_EQ(window.lngPrevRow, k.toRow);
  EXPECT_EQ(window.lngPrevCol, k.toCol);
  const std::string fileName = s.cell(k.toRow, colOrigName);
  EXPECT_EQ(form.StatusBar1.PanelText(1), fileName);
  EXPECT_EQ(form.Label1.Caption(), fileName);
  if (k.opens == Editor::Text) {
    EXPECT_TRUE(form.EditText.Visible());
    EXPECT_FALSE(form.Combo1.Visible());
    EXPECT_TRUE(form.EditText.hasFocus());
    EXPECT_EQ(form.EditText.Text(), s.cell(k.toRow, k.toCol)) << "reloaded from its cell";
  } else {
    EXPECT_TRUE(form.Combo1.Visible());
    EXPECT_FALSE(form.EditText.Visible());
    EXPECT_TRUE(form.Combo1.hasFocus());
    EXPECT_EQ(form.Combo1.List(form.Combo1.ListIndex()), s.cell(k.toRow, colGenre))
        << "selection follows the stored genre";
  }
  EXPECT_TRUE(grid.ColIsVisible(k.toCol));
  EXPECT_TRUE(grid.RowIsVisible(k.toRow));
  if (k.leftCol >= 0) {
    EXPECT_EQ(grid.LeftCol(), k.leftCol);
  }
}

constexpr std::int16_t kEnter = kKeyReturn, kUp = kKeyUp, kDown = kKeyDown;
constexpr std::int16_t kShift = kShiftMask, kCtrl = kCtrlMask, kAlt = kAltMask;

INSTANTIATE_TEST_SUITE_P(
    TextEditor, EditorKeys,
    ::testing::Values(
        KeyCase{"Enter moves right", 2, 1, kEnter, 0, 2, 2, Editor::Text, true},
        KeyCase{"Enter in comment opens genre list", 2, 5, kEnter, 0, 2, 6, Editor::Genre, true},
        KeyCase{"Shift Enter moves left", 2, 3, kEnter, kShift, 2, 2, Editor::Text, true},
        KeyCase{"Shift Enter in column 0 goes to genre above", 3, 0, kEnter, kShift, 2, 6,
                Editor::Genre, true},
        KeyCase{"Shift Enter in row 1 column 0 stays", 1, 0, kEnter, kShift, 1, 0, Editor::Text,
                true},
        KeyCase{"Up", 3, 2, kUp, 0, 2, 2, Editor::Text, false},
        KeyCase{"Up in row 1 stays", 1, 2, kUp, 0, 1, 2, Editor::Text, false},
        KeyCase{"Down", 2, 4, kDown, 0, 3, 4, Editor::Text, false},
        KeyCase{"Down in last row stays", 4, 4, kDown, 0, 4, 4, Editor::Text, false},
        KeyCase{"Ctrl Enter is Enter", 2, 1, kEnter, kCtrl, 2, 2, Editor::Text, true},
        KeyCase{"Alt Enter is Enter", 2, 1, kEnter, kAlt, 2, 2, Editor::Text, true},
        KeyCase{"Ctrl Shift Enter is Enter", 2, 1, kEnter, kCtrl | kShift, 2, 2, Editor::Text,
                true},
        KeyCase{"Shift Up is Up", 3, 1, kUp, kShift, 2, 1, Editor::Text, false},
        KeyCase{"Ctrl Down is Down", 3, 1, kDown, kCtrl, 4, 1, Editor::Text, false}),
    caseName<EditorKeys::ParamType>);

INSTANTIATE_TEST_SUITE_P(
    GenreList, EditorKeys,
    ::testing::Values(
        KeyCase{"Enter goes to next row's name", 2, 6, kEnter, 0, 3, 0, Editor::Text, true, 0},
        KeyCase{"Enter in last row stays", 4, 6, kEnter, 0, 4, 6, Editor::Genre, true},
        KeyCase{"Shift Enter goes to comment", 2, 6, kEnter, kShift, 2, 5, Editor::Text, true},
        KeyCase{"Shift Enter in row 1", 1, 6, kEnter, kShift, 1, 5, Editor::Text, true},
        KeyCase{"Up", 3, 6, kUp, 0, 2, 6, Editor::Genre, false},
        KeyCase{"Up in row 1 restores selection", 1, 6, kUp, 0, 1, 6, Editor::Genre, false},
        KeyCase{"Down", 2, 6, kDown, 0, 3, 6, Editor::Genre, false},
        KeyCase{"Down in last row restores selection", 4, 6, kDown, 0, 4, 6, Editor::Genre, false},
        KeyCase{"Ctrl Enter is Enter", 2, 6, kEnter, kCtrl, 3, 0, Editor::Text, true, 0},
        KeyCase{"Alt Down is Down", 2, 6, kDown, kAlt, 3, 6, Editor::Genre, false},
        KeyCase{"Alt Up is Up", 2, 6, kUp, kAlt, 1, 6, Editor::Genre, false},
        KeyCase{"Shift Down is Down", 2, 6, kDown, kShift, 3, 6, Editor::Genre, false}),
    caseName<EditorKeys::ParamType>);

TEST_F(EditingTest, OtherKeysAreLeftToTheWidget) {
  for (Editor editor : {Editor::Text, Editor::Genre}) {
    s.click(2, editor == Editor::Text ? colTitle : colGenre);
    window.lngPrevRow = 2;
    for (std::int16_t code : {37, 39, 36, 35, 33, 34, 27, 65, 9, 8, 46}) {
      for (std::int16_t shift : {0, 1, 2, 4}) {
        EXPECT_EQ(s.key(code, shift), code);
        EXPECT_EQ(grid.Row(), 2);
      }
    }
  }
  EXPECT_FALSE(window.blnChanged);
}

// A scroll hides the editor with the typing in it; Enter still stores it, into the cell
// it was typed for, and moves on from there.
TEST_F(EditingTest, EnterWithHiddenEditorStoresWhatWasTypedAndMovesOn) {
  s.click(2, colTitle);
  form.EditText.setText("kept");
  window.MSFlexGrid1_Scroll();
  ASSERT_TRUE(form.EditText.hasFocus());
  EXPECT_EQ(s.key(kKeyReturn), 0);
  EXPECT_EQ(s.cell(2, colTitle), "kept");
  EXPECT_EQ(grid.Row(), 2);
  EXPECT_EQ(grid.Col(), colArtist);
  EXPECT_TRUE(form.EditText.Visible());

  s.click(2, colGenre);
  form.Combo1.setListIndex(s.genreItem("Jazz"));
  window.MSFlexGrid1_Scroll();
  EXPECT_EQ(s.key(kKeyReturn), 0);
  EXPECT_EQ(s.cell(2, colGenre), "Jazz");
  EXPECT_EQ(s.cell(2, colGenreNo), "8");
  EXPECT_EQ(grid.Row(), 3);
  EXPECT_TRUE(window.blnChanged);

  // Up and Down never store, shown or hidden.
  s.click(3, colTitle);
  form.EditText.setText("dropped");
  window.MSFlexGrid1_Scroll();
  EXPECT_EQ(s.key(kKeyDown), 0);
  EXPECT_NE(s.cell(3, colTitle), "dropped");
}

TEST_F(EditingTest, KeysScrollTheCellIntoView) {
  grid.setLeftCol(0);
  s.click(3, colFileName);
  form.EditText.setText("x");
  s.key(kKeyReturn, kShiftMask);  // to (2, 6), which is off screen to the right
  EXPECT_EQ(grid.Col(), colGenre);
  EXPECT_TRUE(grid.ColIsVisible(colGenre));
  EXPECT_GT(grid.LeftCol(), 0);
}

TEST(EditingSmallGrid, KeysOnAGridTooSmallForACellNeverShowAnotherCellsText) {
  SheetFixture s(kFiles);
  s.grid().setHeight(30);  // no data row fits
  s.click(1, colTitle);
  s.key(kKeyDown);
  EXPECT_EQ(s.grid().Row(), 2);
  EXPECT_TRUE(!s.form.EditText.Visible() || s.form.EditText.Text() == s.cell(2, colTitle));
}

// ---- byte counter ----

TEST_F(EditingTest, ByteCounterFollowsTheOpenTagEditor) {
  const auto counter = [&] { return form.StatusBar1.PanelText(2); };
  s.click(1, colTitle);
  EXPECT_EQ(counter(), "5/30 バイト");
  EXPECT_FALSE(form.StatusBar1.panelWarning(2));
  form.EditText.setText("夜明けの歌");
  EXPECT_EQ(counter(), "10/30 バイト");
  const std::string overlong =
      "a" + std::string("あああああああああああああああ");  // 1 + 15 x 2 bytes
  form.EditText.setText(overlong);
  EXPECT_EQ(counter(), "31/30 バイト");
  EXPECT_TRUE(form.StatusBar1.panelWarning(2));
  EXPECT_EQ(form.StatusBar1.PanelText(1), "a.mp3") << "the first panel keeps its text";

  s.key(kKeyReturn);  // on to the artist cell
  EXPECT_EQ(counter(), "0/30 バイト");
  EXPECT_FALSE(form.StatusBar1.panelWarning(2));
  s.click(2, colYear);
  form.EditText.setText("20011");
  EXPECT_EQ(counter(), "5/4 バイト");
  EXPECT_TRUE(form.StatusBar1.panelWarning(2));
  EXPECT_EQ(s.cell(1, colTitle), overlong) << "nothing is cut while editing";

  s.click(2, colFileName);
  EXPECT_EQ(counter(), "") << "names have no counter";
  s.click(2, colComment);
  EXPECT_EQ(counter(), std::to_string(30) + "/30 バイト");
  s.key(kKeyReturn);  // the genre list
  EXPECT_EQ(counter(), "");
  s.click(3, colTitle);
  window.MSFlexGrid1_Scroll();
  EXPECT_EQ(counter(), "") << "a hidden editor shows no counter";
}

// ---- long random sessions ----

TEST(EditingRandomSessions, CommitsTouchOnlyTheEditedCell) {
  std::mt19937 random(20261209);
  for (int session = 0; session < 30; ++session) {
    SheetFixture s(kFiles);
    FlexGrid& grid = s.grid();
    grid.setHeight(20 + random() % 120);  // small grids scroll too
    // The test's own account of which file's cell the editor was opened over.
    std::string editorFile;
    int editorCol = 0;
    const auto opened = [&](int row, int col) {
      editorFile = grid.TextMatrix(row, colOrigName);
      editorCol = col;
    };
    for (int step = 0; step < 400; ++step) {
      std::vector<std::vector<std::string>> before(grid.Rows());
      for (int r = 0; r < grid.Rows(); ++r) {
        for (int c = 0; c < kSheetCols; ++c) before[r].push_back(grid.TextMatrix(r, c));
      }
      const std::string fileBefore = editorFile;
      const int colBefore = editorCol;
      const std::string typed = s.form.EditText.Text();
      const std::string chosen = s.form.Combo1.List(s.form.Combo1.ListIndex());
      bool sorted = false;

      const int row = static_cast<int>(random() % grid.Rows()), col = random() % 7;
      switch (random() % 9) {
        case 0:
        case 1:
          s.click(row, col);
          if (row > 0) opened(row, col);
          break;
        case 2:
          s.form.EditText.setText("t" + std::to_string(random() % 4));
          break;
        case 3:
          s.form.Combo1.setListIndex(static_cast<int>(random() % 117) - 1);
          break;
        case 4:
        case 5: {
          static const std::int16_t keys[] = {kKeyReturn, kKeyReturn, kKeyUp, kKeyDown, 37, 65};
          static const std::int16_t shifts[] = {0, 1, 2, 3, 4};
          if (s.key(keys[random() % 6], shifts[random() % 5]) == 0) opened(grid.Row(), grid.Col());
          break;
        }
        case 6:
          grid.setTopRow(1 + random() % 4);
          grid.setLeftCol(random() % 7);
          s.window.MSFlexGrid1_Scroll();
          break;
        case 7:  // a double click: its first click, then the sort
          s.click(row, col);
          if (row > 0) opened(row, col);
          grid.setRow(row);
          grid.setCol(col);
          s.window.MSFlexGrid1_DblClick();
          sorted = true;
          break;
        case 8:
          s.click(0, col);
          break;
      }

      ASSERT_EQ(grid.Rows(), 5);
      ASSERT_EQ(grid.Cols(), kSheetCols);
      for (int r = 1; r < grid.Rows(); ++r) {
        // Where this row stood before the event: a double click's click commits, then
        // the sort moves rows.
        const int from = sorted ? grid.rowBeforeLastSort(r) : r;
        const std::string state = grid.TextMatrix(r, colState);
        ASSERT_TRUE(state == "1" || state == "2");
        const std::string number = grid.TextMatrix(r, colGenreNo);
        const int genre = std::stoi(number);
        ASSERT_EQ(std::to_string(genre), number);
        ASSERT_EQ(grid.TextMatrix(r, colGenre), Module1::GenreTable[genre]);
        ASSERT_EQ(grid.TextMatrix(r, colOrigName), before[from][colOrigName]);
        for (int c = 0; c < kSheetCols; ++c) {
          if (grid.TextMatrix(r, c) == before[from][c]) continue;
          ASSERT_EQ(before[from][colOrigName], fileBefore)
              << "a commit reached another file's row; session " << session << " step " << step;
          const bool allowed =
              c == colBefore || c == colState || (colBefore == colGenre && c == colGenreNo);
          ASSERT_TRUE(allowed) << "column " << c << " changed, editor was over " << colBefore;
          if (c == colBefore) {
            ASSERT_EQ(grid.TextMatrix(r, c), colBefore == colGenre ? chosen : typed);
          }
        }
        ASSERT_EQ(grid.cellBackColorAt(r, colTitle),
                  state == "2" ? kChangedBackColor : FlexGrid::kDefaultBackColor);
      }
      for (int c = 0; c < kSheetCols; ++c) ASSERT_EQ(grid.TextMatrix(0, c), before[0][c]);
    }
  }
}

}  // namespace
