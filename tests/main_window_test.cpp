#include "sheet/main_window.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>

#ifndef _WIN32
#include "os/posix/file_names.h"
#endif
#include "sheet/sheet_columns.h"
#include "tagcodec/genre_table.h"
#include "tests/sheet_fixture.h"
#include "tests/test_support.h"
#include "ui/headless/headless_form.h"

namespace {

using namespace quorvane;
using namespace quorvane::testing;

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : window(form.controls()) {
    window.Form_Load();
    window.Form_Resize();
  }

  std::vector<std::string> row(int r) const {
    std::vector<std::string> cells;
    for (int c = 0; c < kSheetCols; ++c) cells.push_back(window.MSFlexGrid1().TextMatrix(r, c));
    return cells;
  }

  std::vector<std::string> column(int c) const {
    std::vector<std::string> cells;
    for (int r = 1; r < window.MSFlexGrid1().Rows(); ++r) {
      cells.push_back(window.MSFlexGrid1().TextMatrix(r, c));
    }
    return cells;
  }

  void open(const TempDir& dir) { ASSERT_TRUE(form.Dir1.setPath(dir.path().string())); }

  HeadlessForm form{quorvane::testing::systemFiles()};
  MainWindow window;
};

TEST_F(MainWindowTest, StartsWithHeaderRowAndFilledGenreList) {
  const FlexGrid& grid = window.MSFlexGrid1();
  EXPECT_EQ(form.window.Caption(), "Quorvane");
  EXPECT_EQ(grid.Rows(), 1);
  EXPECT_EQ(grid.Cols(), 10);
  EXPECT_EQ(grid.Row(), 0);
  EXPECT_EQ(grid.Col(), 1);
  EXPECT_EQ(row(0),
            (std::vector<std::string>{"ファイル名称", "曲タイトル", "アーティスト", "アルバム",
                                      "年号", "コメント", "ジャンル", "", "", ""}));
  const int widths[] = {2100, 2100, 2100, 2100, 600, 2400, 1650, 0, 0, 0};
  for (int c = 0; c < 10; ++c) {
    EXPECT_EQ(grid.ColWidth(c), widths[c]) << c;
    EXPECT_EQ(grid.ColAlignment(c), 0);
  }
  EXPECT_FALSE(window.blnChanged);
  EXPECT_EQ(window.lngPrevRow, 0);
  EXPECT_EQ(window.lngPrevCol, 1);
  EXPECT_FALSE(form.EditText.Visible());
  EXPECT_FALSE(form.Combo1.Visible());
  EXPECT_EQ(form.Label1.Caption(), "");
  EXPECT_EQ(form.StatusBar1.PanelText(1), "");

  ASSERT_EQ(form.Combo1.ListCount(), 115);
  EXPECT_EQ(form.Combo1.List(0), "Blues");
  EXPECT_EQ(form.Combo1.ItemData(0), 1);
  EXPECT_EQ(form.Combo1.List(114), "Folklore");
  EXPECT_EQ(form.Combo1.ItemData(114), 115);
}

TEST(MainWindowLoad, SortedGenreListStillTiesItemsByItemData) {
  HeadlessForm form{quorvane::testing::systemFiles()};
  form.Combo1.setSorted(true);
  MainWindow window(form.controls());
  window.Form_Load();
  for (int i = 0; i < form.Combo1.ListCount(); ++i) {
    EXPECT_EQ(Module1::GenreTable[static_cast<std::size_t>(form.Combo1.ItemData(i) - 1)],
              form.Combo1.List(i));
  }
  EXPECT_EQ(form.Combo1.List(0), "Acid");
}

TEST(MainWindowLoad, ControlsStartAtTheirDesignedPlaces) {
  HeadlessForm form{quorvane::testing::systemFiles()};
  MainWindow window(form.controls());
  EXPECT_EQ(form.Dir1.Left(), 6);
  EXPECT_EQ(form.Dir1.Height(), 202);
  EXPECT_EQ(form.Dir1.toolTip(), "MP3ファイルのあるフォルダを指定してください");
  EXPECT_EQ(form.cmdSave.Caption(), "保存");
  EXPECT_EQ(form.cmdSave.toolTip(), "編集した内容を保存します (Ctrl+S)");
  EXPECT_EQ(form.cmdEnd.Caption(), "終了");
  EXPECT_EQ(form.cmdEnd.toolTip(), "Quorvaneを終了します (Ctrl+Q)");
  EXPECT_EQ(form.Command1.Caption(), "再生");
  EXPECT_EQ(form.Combo1.tabIndex(), 6);
  EXPECT_FALSE(form.File1.Visible());
  EXPECT_EQ(window.MSFlexGrid1().Width(), 499);
}

struct ResizeCase {
  const char* what;
  float width, height;
  float gridWidth, gridHeight, dirHeight, saveLeft, endLeft;
};

class MainWindowResize : public ::testing::TestWithParam<ResizeCase> {};

TEST_P(MainWindowResize, FitsGridFolderListAndButtons) {
  const ResizeCase& c = GetParam();
  HeadlessForm form{quorvane::testing::systemFiles()};
  MainWindow window(form.controls());
  window.Form_Load();
  form.window.setClientSize(c.width, c.height);
  window.Form_Resize();
  EXPECT_EQ(window.MSFlexGrid1().Width(), c.gridWidth);
  EXPECT_EQ(window.MSFlexGrid1().Height(), c.gridHeight);
  EXPECT_EQ(form.Dir1.Height(), c.dirHeight);
  EXPECT_EQ(form.cmdSave.Left(), c.saveLeft);
  EXPECT_EQ(form.cmdEnd.Left(), c.endLeft);
  EXPECT_EQ(window.MSFlexGrid1().Left(), 129);
  EXPECT_EQ(window.MSFlexGrid1().Top(), 36);
}

// Unchanged values are the designed ones: grid 499 x 209, folder list 202 high, buttons
// at 555 and 477.
INSTANTIATE_TEST_SUITE_P(
    Sizes, MainWindowResize,
    ::testing::Values(ResizeCase{"start-up size", 678, 441, 539, 385, 385, 595, 512},
                      ResizeCase{"285 wide changes no width", 285, 441, 499, 385, 385, 555, 477},
                      ResizeCase{"286 wide", 286, 441, 147, 385, 385, 203, 120},
                      ResizeCase{"56 high changes no height", 678, 56, 539, 209, 202, 595, 512},
                      ResizeCase{"57 high", 678, 57, 539, 1, 1, 595, 512},
                      ResizeCase{"0 x 0 changes nothing", 0, 0, 499, 209, 202, 555, 477}),
    caseName<MainWindowResize::ParamType>);

TEST(MainWindowLoad, ButtonsLieAboveTheLabelThatANarrowWindowMovesThemOver) {
  HeadlessForm form{quorvane::testing::systemFiles()};
  MainWindow window(form.controls());
  window.Form_Load();
  for (const float width : {600.0f, 500.0f}) {
    form.window.setClientSize(width, 441);
    window.Form_Resize();
    const float labelRight = form.Label1.Left() + form.Label1.Width();
    EXPECT_LT(form.cmdEnd.Left(), labelRight) << width << " wide: Quit lies over the label";
    EXPECT_GT(form.cmdEnd.zIndex(), form.Label1.zIndex()) << width;
    EXPECT_GT(form.cmdSave.zIndex(), form.Label1.zIndex()) << width;
  }
}

// ---- the editor over its cell when the grid's layout changes ----

std::vector<TestFile> manyFiles(int count) {
  std::vector<TestFile> files;
  for (int i = 0; i < count; ++i) files.push_back({"f" + std::to_string(100 + i) + ".mp3", "T"});
  return files;
}

// The place the form gives an editor over data cell (row, col) of the grid as it now lies.
struct CellPlace {
  float left, top, width;
};
CellPlace placeOf(FlexGrid& grid, int row, int col) {
  const int r = grid.Row(), c = grid.Col();
  grid.setRow(row);
  grid.setCol(col);
  const CellPlace place{grid.Left() + static_cast<float>(grid.CellLeft()) / 15,
                        grid.Top() + static_cast<float>(grid.CellTop()) / 15 - 2,
                        static_cast<float>(grid.CellWidth()) / 15};
  grid.setRow(r);
  grid.setCol(c);
  return place;
}

template <class Editor>
void expectOver(const Editor& editor, FlexGrid& grid, int row, int col) {
  const CellPlace place = placeOf(grid, row, col);
  EXPECT_TRUE(editor.Visible());
  EXPECT_EQ(editor.Left(), place.left);
  EXPECT_EQ(editor.Top(), place.top);
  EXPECT_EQ(editor.Width(), place.width);
}

TEST(EditorOverItsCell, AResizeThatScrollsTheSheetBackTakesTheEditorAlong) {
  SheetFixture s{manyFiles(40)};
  s.click(2, colArtist);
  for (int i = 0; i < 22; ++i) s.key(kKeyDown);
  ASSERT_EQ(s.window.lngPrevRow, 24);
  const int topBefore = s.grid().TopRow();
  ASSERT_GT(topBefore, 1);
  s.form.EditText.setText("Artist 24");
  // A click on the header row leaves the current cell there, the editor open.
  s.grid().setRow(0);
  s.grid().setCol(colAlbum);
  s.window.MSFlexGrid1_Click();

  s.form.window.setClientSize(1000, 900);  // room for all but a few rows
  s.window.Form_Resize();
  ASSERT_LT(s.grid().TopRow(), topBefore) << "the enlarged sheet scrolled back";
  expectOver(s.form.EditText, s.grid(), 24, colArtist);
  EXPECT_TRUE(s.form.EditText.hasFocus());
  EXPECT_EQ(s.grid().Row(), 0) << "the current cell stays where the click left it";
  EXPECT_EQ(s.grid().Col(), colAlbum);

  s.key(kKeyReturn);
  EXPECT_EQ(s.cell(24, colArtist), "Artist 24");
  for (int r = 1; r < s.grid().Rows(); ++r) {
    if (r != 24) {
      EXPECT_EQ(s.cell(r, colArtist), "") << r;
    }
  }
}

TEST(EditorOverItsCell, AResizeThatHidesTheCellHidesTheEditorKeepingItsText) {
  SheetFixture s{manyFiles(40)};
  s.click(10, colTitle);
  s.form.EditText.setText("Typed");
  s.form.window.setClientSize(678, 150);  // rows 1 to 3 still show
  s.window.Form_Resize();
  EXPECT_FALSE(s.grid().RowIsVisible(10));
  EXPECT_FALSE(s.form.EditText.Visible()) << "hidden as a scroll hides it";
  EXPECT_TRUE(s.form.EditText.hasFocus());
  EXPECT_EQ(s.form.EditText.Text(), "Typed");
  EXPECT_TRUE(s.window.hasUnsavedEdits());
  s.key(kKeyReturn);  // stores what the hidden editor holds, as always
  EXPECT_EQ(s.cell(10, colTitle), "Typed");
}

TEST(EditorOverItsCell, AWiderSheetScrolledBackToItsFirstColumnTakesTheGenreListAlong) {
  SheetFixture s{manyFiles(3)};
  s.click(1, colComment);
  s.key(kKeyReturn);  // on to the genre list, scrolled into view
  ASSERT_TRUE(s.form.Combo1.Visible());
  ASSERT_GT(s.grid().LeftCol(), 0);
  s.form.window.setClientSize(1400, 441);
  s.window.Form_Resize();
  EXPECT_EQ(s.grid().LeftCol(), 0);
  expectOver(s.form.Combo1, s.grid(), 1, colGenre);
}

TEST(EditorOverItsCell, ANewFrameThatScrollsTheSheetTakesTheEditorAlong) {
  // As the window's view does when the DPI changes the scroll bars' thickness.
  SheetFixture s{manyFiles(40)};
  s.grid().scrollTo(s.grid().maxTopRow(), 0);
  s.click(s.grid().Rows() - 1, colTitle);
  const int topBefore = s.grid().TopRow();
  s.grid().setFrameMetrics(0, 0);  // room for one row more
  ASSERT_NE(s.grid().TopRow(), topBefore);
  expectOver(s.form.EditText, s.grid(), s.grid().Rows() - 1, colTitle);
}

Bytes tagged(const char* title, const char* artist, const char* album, const char* year,
             const char* comment, std::uint8_t genre) {
  const auto field = [](const char* text, std::size_t width) {
    Bytes b = bytesOf(text);
    b.resize(width, ' ');
    return b;
  };
  return concat(audio(200), rawTag(field(title, 30), field(artist, 30), field(album, 30),
                                   field(year, 4), field(comment, 30), genre));
}

TEST_F(MainWindowTest, LoadsAFolderSortedWithOneRowPerMp3File) {
  TempDir dir;
  writeFile(dir.file("b.mp3"), tagged("  Song ", "Band", "Album", "1999", "note", 17));
  writeFile(dir.file("A.MP3"), audio(500));  // no tag, right after a tagged one
  writeFile(dir.file("c.Mp3"), tagged("x", "", "", "", "", 255));
  writeFile(dir.file("short.mp3"), bytesOf("TAG"));  // too short to hold a tag
  writeFile(dir.file("Zeta.mp3"), audio(100));       // first by bytes, last ignoring case
  writeFile(dir.file("notes.txt"), tagged("no", "", "", "", "", 1));
  writeFile(dir.file("mp3"), audio(10));
  std::filesystem::create_directory(pathOf(dir.file("folder.mp3")));
#ifndef _WIN32
  ASSERT_EQ(::mkfifo(dir.file("pipe.mp3").c_str(), 0644), 0);
#endif
  window.blnChanged = true;
  form.messages.queueAnswer(MessageAnswer::Yes);  // drop the unsaved edits

  open(dir);

  EXPECT_FALSE(window.blnChanged);
  EXPECT_EQ(column(colFileName),
            (std::vector<std::string>{"A.MP3", "b.mp3", "c.Mp3", "short.mp3", "Zeta.mp3"}));
  EXPECT_EQ(row(1),
            (std::vector<std::string>{"A.MP3", "", "", "", "", "", "Blues", "A.MP3", "1", "0"}));
  EXPECT_EQ(row(2),
            (std::vector<std::string>{"b.mp3", "Song", "Band", "Album", "1999",
                                      "note" + std::string(26, ' '), "Rock", "b.mp3", "1", "17"}));
  EXPECT_EQ(row(3), (std::vector<std::string>{"c.Mp3", "x", "", "", "    ", std::string(30, ' '),
                                              "", "c.Mp3", "1", "255"}));
  EXPECT_EQ(row(4)[colGenreNo], "0");
  EXPECT_EQ(form.File1.List(1), "Zeta.mp3") << "the file list keeps the order of the bytes";
  EXPECT_EQ(window.lngPrevRow, 0);
}

TEST_F(MainWindowTest, TabsAndLineBreaksInTagsBecomeSpacesAndSuchNamesAreLeftOut) {
  TempDir dir;
  writeFile(dir.file("a.mp3"), tagged("a\tb", "x\r\ny", "\tpad\t", "", "c\n", 0));
#ifndef _WIN32  // Windows names hold no tabs
  writeFile(dir.file("tab\tname.mp3"), audio(300));
#endif
  open(dir);
  ASSERT_EQ(window.MSFlexGrid1().Rows(), 2);
  EXPECT_EQ(row(1)[colTitle], "a b");
  EXPECT_EQ(row(1)[colArtist], "x  y");
  EXPECT_EQ(row(1)[colAlbum], "pad");
  EXPECT_EQ(row(1)[colComment], "c" + std::string(29, ' '));
#ifndef _WIN32
  EXPECT_EQ(window.unlistedNames(), (std::vector<std::string>{"tab\tname.mp3"}));
  EXPECT_TRUE(std::filesystem::exists(dir.file("tab\tname.mp3")));
#endif
}

TEST_F(MainWindowTest, ANewLoadDropsRowsColoursAndEdits) {
  TempDir one, two;
  writeFile(one.file("a.mp3"), audio(300));
  writeFile(one.file("b.mp3"), audio(300));
  writeFile(two.file("z.mp3"), audio(300));
  open(one);
  FlexGrid& grid = window.MSFlexGrid1();
  grid.setRow(2), grid.setCol(3);
  grid.setCellBackColor(kChangedBackColor);
  grid.setText("edited");
  window.blnChanged = true;
  window.lngPrevRow = 2;
  form.EditText.setVisible(true);

  form.messages.queueAnswer(MessageAnswer::Yes);
  open(two);
  EXPECT_EQ(column(colFileName), (std::vector<std::string>{"z.mp3"}));
  EXPECT_EQ(grid.cellBackColorAt(1, 3), FlexGrid::kDefaultBackColor);
  EXPECT_FALSE(window.blnChanged);
  EXPECT_EQ(window.lngPrevRow, 0);
  EXPECT_FALSE(form.EditText.Visible());
}

TEST_F(MainWindowTest, EmptyAndUnreadableFolders) {
  TempDir dir;
  open(dir);
  EXPECT_EQ(window.MSFlexGrid1().Rows(), 1);
  EXPECT_TRUE(form.File1.readOk());
  form.File1.setPath(dir.file("missing"));
  EXPECT_EQ(window.MSFlexGrid1().Rows(), 1);
  EXPECT_FALSE(form.File1.readOk());
}

TEST_F(MainWindowTest, PickingADriveLoadsItsFolder) {
  TempDir dir;
  writeFile(dir.file("a.mp3"), audio(300));
  form.Drive1.pick(dir.path().string());
  EXPECT_EQ(form.Dir1.Path(), dir.path().string());
  EXPECT_EQ(column(colFileName), (std::vector<std::string>{"a.mp3"}));
}

#ifndef _WIN32  // names are bytes on Linux, UTF-16 on Windows
TEST_F(MainWindowTest, NamesThatAreNotUtf8AreListedAndReadable) {
  TempDir dir;
  const std::string raw = "\x8B\xC8\xFF.mp3";  // CP932 bytes
  writeFile(dir.path().string() + "/" + raw, tagged("t", "", "", "", "", 3));
  open(dir);
  ASSERT_EQ(window.MSFlexGrid1().Rows(), 2);
  EXPECT_EQ(nameToBytes(row(1)[colFileName]), raw);
  EXPECT_EQ(row(1)[colTitle], "t");
}

#endif

}  // namespace
