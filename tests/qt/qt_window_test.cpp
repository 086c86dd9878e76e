// The window program on real widgets: controls where the form puts them, clicks and keys
// driving the in-cell editors, scrolling, saving and closing.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <tuple>

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

#include "app/window_program.h"
#include "os/posix/file_system.h"
#include "sheet/sheet_columns.h"
#include "tests/qt/qt_test_support.h"
#include "tests/test_support.h"
#include "ui/headless/headless_controls.h"

namespace {

using namespace quorvane;
using namespace quorvane::testing;

const Bytes kKyokumei = {0x8b, 0xc8, 0x96, 0xbc};  // "曲名" in code page 932
constexpr int kFillerFiles = 37;                   // enough rows to scroll

Bytes padded(std::string_view text, std::size_t width) {
  Bytes field = bytesOf(text);
  field.resize(width, 0x20);
  return field;
}

class QtWindowTest : public ::testing::Test {
 protected:
  QtWindowTest() {
    writeFile(dir.file("a.mp3"), concat(audio(700), aTag));
    writeFile(dir.file("b.mp3"),
              concat(audio(500), rawTag(bytesOf("Bravo"), bytesOf("Artist B"), {}, {}, {}, 13)));
    writeFile(dir.file("c.mp3"), concat(audio(500), rawTag(kKyokumei, {}, {}, {}, {}, 255)));
    for (int i = 0; i < kFillerFiles; ++i) {
      writeFile(dir.file("z" + std::to_string(100 + i) + ".mp3"), audio(300));
    }
    program.show();
    frame().activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&frame()));
    EXPECT_TRUE(program.openFolder(dir.path().string()));
  }

  QtFormWindow& frame() { return program.form().window(); }
  FlexGrid& grid() { return program.window().MSFlexGrid1(); }
  GridView& view() { return program.gridView(); }
  QLineEdit& lineEdit() { return program.form().EditText.lineEdit(); }
  QComboBox& combo() { return program.form().Combo1.comboBox(); }

  void clickCell(int row, int col) {
    QTest::mouseClick(view().viewport(), Qt::LeftButton, {}, view().cellRect(row, col).center());
  }
  // Keys go where the user's keys would: to the widget with the focus.
  void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    QTest::keyClick(focused, key, modifiers);
  }
  void typeOver(const QString& text) {
    key(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), text);
  }
  // Where the form's placement rule puts an editor over the current cell.
  QRect editorPlace(int height) {
    return QRect(129 + grid().CellLeft() / 15, 36 + grid().CellTop() / 15 - 2,
                 grid().CellWidth() / 15, height);
  }
  // The user's scroll to the right, so that the comment and genre columns show.
  void showRightColumns() {
    view().horizontalScrollBar()->setValue(3);
    ASSERT_TRUE(grid().ColIsVisible(colGenre));
  }
  void turnWheel(int steps) {
    const QPointF at = view().viewport()->rect().center();
    QWheelEvent wheel(at, view().viewport()->mapToGlobal(at), {}, QPoint(0, -120 * steps),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view().viewport(), &wheel);
  }
  QColor pixelIn(int row, int col) {
    const QRect cell = view().cellRect(row, col);
    // Just inside the cell's top left corner, clear of grid lines and text.
    return view().viewport()->grab().toImage().pixelColor(cell.left() + 1, cell.top() + 1);
  }

  const Bytes aTag = rawTag(bytesOf("Charlie"), bytesOf("Artist A"), bytesOf("Album A"),
                            bytesOf("2001"), bytesOf("Comment A"), 17);
  TempDir dir;
  HeadlessShellOpener shell;
  WindowProgram program{shell, quorvane::testing::systemFiles()};
};

TEST_F(QtWindowTest, FirstShowFitsTheGridToTheDesignedClientArea) {
  EXPECT_EQ(frame().size(), QSize(678, 441));
  EXPECT_EQ(frame().windowTitle(), "Quorvane");
  EXPECT_EQ(view().geometry(), QRect(129, 36, 539, 385));
  EXPECT_EQ(view().viewport()->size(), QSize(grid().viewportWidth(), grid().viewportHeight()));
  EXPECT_EQ(view().viewport()->size(), QSize(518, 364));
  EXPECT_EQ(program.form().cmdSave.button().geometry(), QRect(595, 3, 73, 25));
  EXPECT_EQ(program.form().cmdEnd.button().geometry(), QRect(512, 3, 73, 25));
  EXPECT_EQ(program.form().Dir1.listWidget().geometry(), QRect(6, 36, 113, 385));
  EXPECT_EQ(program.form().StatusBar1.statusBar().geometry(), QRect(0, 423, 678, 18));
  EXPECT_EQ(program.form().cmdSave.button().text(), "保存");
  EXPECT_EQ(program.form().cmdSave.button().toolTip(), "編集した内容を保存します (Ctrl+S)");
  EXPECT_FALSE(lineEdit().isVisible());
  EXPECT_FALSE(combo().isVisible());
  EXPECT_EQ(combo().count(), 115);
}

TEST_F(QtWindowTest, ResizingTheWindowRefitsTheGrid) {
  frame().resize(800, 500);
  EXPECT_EQ(view().geometry(), QRect(129, 36, 661, 444));
  EXPECT_EQ(program.form().cmdSave.button().x(), 717);
  EXPECT_EQ(program.form().StatusBar1.statusBar().geometry(), QRect(0, 482, 800, 18));
  EXPECT_EQ(view().viewport()->size(), QSize(grid().viewportWidth(), grid().viewportHeight()));
}

TEST_F(QtWindowTest, TabFollowsTheDesignedOrderAndSkipsHiddenEditors) {
  program.form().Dir1.listWidget().setFocus();
  const std::vector<QWidget*> expected = {&view(),
                                          &program.form().Drive1.comboBox(),
                                          &program.form().cmdSave.button(),
                                          &program.form().cmdEnd.button(),
                                          &program.form().Command1.button(),
                                          &program.form().Dir1.listWidget()};
  for (QWidget* next : expected) {
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next);
  }
}

TEST_F(QtWindowTest, ClickOnADataCellOpensTheEditorOverItWithTheFocus) {
  clickCell(2, colTitle);
  EXPECT_EQ(grid().Row(), 2);
  EXPECT_EQ(grid().Col(), colTitle);
  EXPECT_TRUE(lineEdit().isVisible());
  EXPECT_EQ(lineEdit().geometry(), editorPlace(18));
  EXPECT_EQ(lineEdit().geometry(), QRect(271, 76, 140, 18));
  EXPECT_EQ(lineEdit().text(), "Bravo");
  EXPECT_TRUE(lineEdit().hasFocus());
  EXPECT_EQ(program.form().StatusBar1.PanelText(1), "b.mp3");
  EXPECT_EQ(program.form().Label1.label().text(), "b.mp3");
}

TEST_F(QtWindowTest, JapaneseTagTextReachesTheEditor) {
  clickCell(3, colTitle);
  EXPECT_EQ(lineEdit().text(), "曲名");
}

TEST_F(QtWindowTest, TypingAndEnterStoreTheCellColourTheRowAndMoveOn) {
  clickCell(1, colTitle);
  typeOver("New title");
  key(Qt::Key_Return);
  EXPECT_EQ(grid().TextMatrix(1, colTitle), "New title");
  EXPECT_EQ(grid().TextMatrix(1, colState), "2");
  for (int c = 0; c <= colGenre; ++c) {
    EXPECT_EQ(grid().cellBackColorAt(1, c), 0xFF0000u) << c;
    EXPECT_EQ(grid().cellForeColorAt(1, c), 0xFFFFFFu) << c;
  }
  EXPECT_EQ(pixelIn(1, colFileName), QColor(0, 0, 255));
  EXPECT_EQ(pixelIn(2, colFileName), QColor(255, 255, 255));
  // The editor went on to the artist cell of the same row.
  EXPECT_EQ(grid().Row(), 1);
  EXPECT_EQ(grid().Col(), colArtist);
  EXPECT_EQ(lineEdit().geometry(), editorPlace(18));
  EXPECT_EQ(lineEdit().text(), "Artist A");
  EXPECT_TRUE(lineEdit().hasFocus());
}

TEST_F(QtWindowTest, EnterFromTheCommentOpensTheGenreListWithTheRowsGenre) {
  showRightColumns();
  clickCell(1, colComment);
  key(Qt::Key_Return);
  EXPECT_FALSE(lineEdit().isVisible());
  ASSERT_TRUE(combo().isVisible());
  EXPECT_EQ(combo().currentText(), "Rock");
  EXPECT_TRUE(combo().hasFocus());
  EXPECT_EQ(grid().Col(), colGenre);
  const QRect place = editorPlace(combo().height());
  EXPECT_EQ(combo().geometry(), place);
}

TEST_F(QtWindowTest, DownInTheGenreListMovesOnAndLeavesTheRowItLeftAlone) {
  showRightColumns();
  clickCell(1, colGenre);
  ASSERT_TRUE(combo().hasFocus());
  combo().setCurrentIndex(combo().findText("Jazz"));  // the user's pick, not stored
  key(Qt::Key_Down);
  EXPECT_EQ(grid().Row(), 2);
  EXPECT_EQ(combo().currentText(), "Pop");
  EXPECT_TRUE(combo().isVisible());
  EXPECT_EQ(grid().TextMatrix(1, colGenre), "Rock");
  EXPECT_EQ(grid().TextMatrix(1, colGenreNo), "17");
  EXPECT_EQ(grid().TextMatrix(1, colState), "1");
  // Down went to the form, not to the list: the list did not step to the next genre.
  key(Qt::Key_Down);
  EXPECT_EQ(grid().Row(), 3);
  EXPECT_EQ(combo().currentIndex(), -1);  // genre 255 has no name
}

TEST_F(QtWindowTest, ChoosingAGenreAndEnterStoresItAndOpensTheNextRow) {
  showRightColumns();
  clickCell(1, colGenre);
  combo().setCurrentIndex(combo().findText("Jazz"));
  key(Qt::Key_Return);
  EXPECT_EQ(grid().TextMatrix(1, colGenre), "Jazz");
  EXPECT_EQ(grid().TextMatrix(1, colGenreNo), "8");
  EXPECT_EQ(grid().Row(), 2);
  EXPECT_EQ(grid().Col(), colFileName);
  EXPECT_TRUE(lineEdit().isVisible());
  EXPECT_EQ(lineEdit().text(), "b.mp3");
}

// A hidden editor keeps the keyboard focus: the next key reaches its handler, never
// the drive list, the folder list or a button that Qt would have handed the focus to.
TEST_F(QtWindowTest, AWheelMoveHidesTheEditorWhichKeepsTheKeys) {
  clickCell(1, colTitle);
  typeOver("New title");
  key(Qt::Key_Return);  // stored; the editor is over the artist cell
  turnWheel(1);
  EXPECT_GT(grid().TopRow(), 1);
  EXPECT_EQ(view().verticalScrollBar()->value(), grid().TopRow());
  EXPECT_FALSE(seenByUser(lineEdit()));
  EXPECT_EQ(QApplication::focusWidget(), &lineEdit());
  const std::string drive = program.form().Drive1.Drive();

  key(Qt::Key_Down);
  EXPECT_EQ(grid().Row(), 2);
  EXPECT_EQ(grid().Col(), colArtist);
  EXPECT_TRUE(seenByUser(lineEdit()));
  EXPECT_EQ(lineEdit().text(), "Artist B");
  EXPECT_EQ(grid().TopRow(), 2) << "scrolled back to show the new cell";
  EXPECT_EQ(QApplication::focusWidget(), &lineEdit());
  EXPECT_EQ(grid().TextMatrix(1, colTitle), "New title");
  EXPECT_EQ(program.form().Drive1.Drive(), drive);
  EXPECT_EQ(grid().Rows(), 3 + kFillerFiles + 1);
}

TEST_F(QtWindowTest, EnterInAnEditorHiddenByTheWheelStoresWhatWasTypedAndMovesOn) {
  clickCell(2, colTitle);
  typeOver("Stored by Enter");
  turnWheel(1);
  ASSERT_EQ(QApplication::focusWidget(), &lineEdit());
  key(Qt::Key_Return);
  EXPECT_EQ(grid().TextMatrix(2, colTitle), "Stored by Enter");
  EXPECT_EQ(grid().TextMatrix(2, colState), "2");
  EXPECT_EQ(grid().Row(), 2);
  EXPECT_EQ(grid().Col(), colArtist);
  EXPECT_TRUE(seenByUser(lineEdit()));
  EXPECT_EQ(lineEdit().text(), "Artist B");
}

// Typed, then hidden by the wheel, without Enter: Quit and the close box ask, and Save
// writes it into the cell where it was typed.
TEST_F(QtWindowTest, TextHiddenByTheWheelIsAskedAboutAndSaved) {
  clickCell(1, colTitle);
  typeOver("Hidden title");
  turnWheel(1);
  ASSERT_FALSE(seenByUser(lineEdit()));
  {
    NextMessageBox box([](QMessageBox& shown) { QTest::keyClick(&shown, Qt::Key_N); });
    EXPECT_FALSE(frame().close());
    ASSERT_TRUE(box.seen());
    EXPECT_EQ(box.box().text, "内容が保存されていません終了しますか？");
  }
  frame().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));
  NextMessageBox box([](QMessageBox& shown) { QTest::keyClick(&shown, Qt::Key_Return); });
  QTest::mouseClick(&program.form().cmdSave.button(), Qt::LeftButton);
  ASSERT_TRUE(box.seen());
  EXPECT_EQ(box.box().text, "保存します。");
  EXPECT_EQ(slice(readFile(dir.file("a.mp3")), 700 + 3, 30), padded("Hidden title", 30));
  EXPECT_FALSE(program.window().hasUnsavedEdits());
}

TEST_F(QtWindowTest, AScrollBarMoveHidesTheGenreListWhichKeepsTheKeys) {
  showRightColumns();
  clickCell(2, colGenre);
  ASSERT_TRUE(combo().isVisible());
  view().verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(grid().TopRow(), 2);
  EXPECT_FALSE(seenByUser(combo()));
  EXPECT_EQ(QApplication::focusWidget(), &combo());
  EXPECT_FALSE(program.form().cmdEnd.button().hasFocus());
  key(Qt::Key_Down);
  EXPECT_EQ(grid().Row(), 3);
  EXPECT_TRUE(seenByUser(combo()));
  EXPECT_EQ(combo().currentIndex(), -1);  // genre 255 has no name
  EXPECT_EQ(QApplication::focusWidget(), &combo());
}

// An editor the wheel hid keeps the keyboard focus out of sight: no key may open a list or
// a menu from it, which would float over the sheet with no editor under it.
struct ParkedKey {
  const char* what;
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
};

class ParkedGenreList : public QtWindowTest, public ::testing::WithParamInterface<ParkedKey> {};

TEST_P(ParkedGenreList, OpensNoListOnAKey) {
  showRightColumns();
  clickCell(2, colGenre);
  ASSERT_TRUE(combo().isVisible());
  turnWheel(1);
  ASSERT_FALSE(seenByUser(combo()));
  ASSERT_EQ(QApplication::focusWidget(), &combo());
  key(GetParam().key, GetParam().modifiers);
  const bool opened = combo().view()->isVisible();
  combo().hidePopup();
  EXPECT_FALSE(opened);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  EXPECT_EQ(QApplication::focusWidget(), &combo());
}

INSTANTIATE_TEST_SUITE_P(Keys, ParkedGenreList,
                         ::testing::Values(ParkedKey{"F4", Qt::Key_F4, {}},
                                           ParkedKey{"Alt_Down", Qt::Key_Down, Qt::AltModifier},
                                           ParkedKey{"Alt_Up", Qt::Key_Up, Qt::AltModifier},
                                           ParkedKey{"Space", Qt::Key_Space, {}}),
                         caseName<ParkedKey>);

// The keyboard's context menu (the Menu key, which the window system turns into a context
// menu event for the window, and Shift+F10) finds the parked text editor; a right click
// cannot reach it out of sight.
// The Menu key and Shift+F10 in an editor, shown or parked by the wheel, open the sheet's
// menu for its cell, inside the window; the window system's menu event never opens the
// parked editor's own menu out of sight.
TEST_F(QtWindowTest, TheMenuKeyInAnEditorOpensTheSheetsMenuInsideTheWindow) {
  clickCell(2, colTitle);
  turnWheel(1);
  ASSERT_FALSE(seenByUser(lineEdit()));
  ASSERT_EQ(QApplication::focusWidget(), &lineEdit());
  const QStringList sheetItems = {"元に戻す", "やり直し", "貼り付け",
                                  "ファイル名からタグを設定...", "タグからファイル名を設定..."};
  for (const auto& [name, modifiers, qtKey] :
       {std::tuple{"the Menu key", Qt::KeyboardModifiers(), Qt::Key_Menu},
        std::tuple{"Shift+F10", Qt::KeyboardModifiers(Qt::ShiftModifier), Qt::Key_F10}}) {
    NextPopup popup;
    // A closed menu gives the window the keyboard back a moment later.
    frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == &lineEdit(); }, 2000))
        << name;
    key(qtKey, modifiers);
    ASSERT_TRUE(popup.seen()) << name;
    EXPECT_EQ(popup.menu().items, sheetItems) << name;
    EXPECT_TRUE(frame().geometry().intersects(popup.menu().geometry)) << name;
  }
  {
    NextPopup popup;
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(10, 10),
                                frame().mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(frame().windowHandle(), &menuEvent);
    QTest::qWait(50);
    EXPECT_FALSE(popup.seen()) << "the parked editor's own menu";
  }
  EXPECT_EQ(QApplication::focusWidget(), &lineEdit());
}

TEST_F(QtWindowTest, TheWheelOverTheDriveListChangesNothing) {
  QComboBox& drives = program.form().Drive1.comboBox();
  drives.addItem(QStringLiteral("/tmp"));
  clickCell(1, colTitle);
  typeOver("Kept");
  key(Qt::Key_Return);
  const std::string drive = program.form().Drive1.Drive();
  const QPointF at = drives.rect().center();
  for (int turn : {-1, 1, 1}) {
    QWheelEvent wheel(at, drives.mapToGlobal(at), {}, QPoint(0, 120 * turn), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&drives, &wheel);
  }
  EXPECT_EQ(program.form().Drive1.Drive(), drive);
  EXPECT_EQ(drives.currentText().toStdString(), drive);
  EXPECT_EQ(grid().TextMatrix(1, colTitle), "Kept");
  EXPECT_EQ(QApplication::focusWidget(), &lineEdit());
}

TEST_F(QtWindowTest, AfterSavesReloadTheHiddenEditorKeepsTheKeys) {
  clickCell(1, colTitle);
  typeOver("Saved title");
  NextMessageBox box([](QMessageBox& shown) { QTest::keyClick(&shown, Qt::Key_Return); });
  QTest::mouseClick(&program.form().cmdSave.button(), Qt::LeftButton);
  ASSERT_TRUE(box.seen());
  EXPECT_EQ(grid().TextMatrix(1, colTitle), "Saved title");
  EXPECT_FALSE(seenByUser(lineEdit()));
  EXPECT_EQ(frame().focusWidget(), &lineEdit());
  // The window takes the activation back from the closed box (the window system does
  // that; the offscreen platform needs telling).
  frame().activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(&frame()));
  EXPECT_EQ(QApplication::focusWidget(), &lineEdit());
  // The header is current after a reload: Down opens the editor on the first row.
  key(Qt::Key_Down);
  EXPECT_EQ(grid().Row(), 1);
  EXPECT_EQ(grid().Col(), colTitle);
  EXPECT_TRUE(seenByUser(lineEdit()));
  EXPECT_EQ(lineEdit().text(), "Saved title");
}

TEST_F(QtWindowTest, AfterAHeaderDoubleClickKeysStillReachTheSheet) {
  clickCell(3, colTitle);
  typeOver("typed");
  const QPoint title = view().cellRect(0, colTitle).center();
  QTest::mouseClick(view().viewport(), Qt::LeftButton, {}, title);
  QTest::mouseDClick(view().viewport(), Qt::LeftButton, {}, title);
  QWidget* focused = QApplication::focusWidget();
  EXPECT_TRUE(focused == &lineEdit() || focused == &view()) << "a click may focus the grid";
  EXPECT_FALSE(seenByUser(lineEdit()));
  key(Qt::Key_Down);
  EXPECT_NE(QApplication::focusWidget(), &program.form().Drive1.comboBox());
  EXPECT_NE(QApplication::focusWidget(), &program.form().Dir1.listWidget());
  EXPECT_EQ(program.form().Dir1.Path(), dir.path().string());
  EXPECT_EQ(grid().Rows(), 3 + kFillerFiles + 1);
}

TEST_F(QtWindowTest, AfterAHeaderClickAndAScrollKeysReachTheHiddenEditor) {
  clickCell(2, colTitle);
  typeOver("typed");
  QTest::mouseClick(view().viewport(), Qt::LeftButton, {}, view().cellRect(0, colArtist).center());
  turnWheel(1);
  EXPECT_FALSE(seenByUser(lineEdit()));
  ASSERT_EQ(QApplication::focusWidget(), &lineEdit());
  // Enter stores what was typed into its own cell; from the header cell the editor then
  // opens on row 1.
  key(Qt::Key_Return);
  EXPECT_EQ(grid().TextMatrix(2, colTitle), "typed");
  EXPECT_EQ(grid().Row(), 1);
  EXPECT_EQ(grid().Col(), colAlbum);
  EXPECT_TRUE(seenByUser(lineEdit()));
  EXPECT_EQ(lineEdit().text(), "Album A");
  EXPECT_EQ(QApplication::focusWidget(), &lineEdit());
}

TEST_F(QtWindowTest, AClickOnTheFolderListTakesTheFocusFromTheHiddenEditor) {
  clickCell(2, colTitle);
  turnWheel(1);
  QListWidget& folders = program.form().Dir1.listWidget();
  QTest::mouseClick(folders.viewport(), Qt::LeftButton, {}, QPoint(20, 5));
  EXPECT_EQ(QApplication::focusWidget(), &folders);
  EXPECT_FALSE(lineEdit().isVisible());
}

TEST_F(QtWindowTest, AScrollByTheFormKeepsTheEditorAndMovesTheBar) {
  const int lastFull = 17;  // rows 1-17 fit below the header in 364 pixels
  clickCell(lastFull, colTitle);
  key(Qt::Key_Down);
  EXPECT_EQ(grid().TopRow(), lastFull + 1);
  EXPECT_EQ(view().verticalScrollBar()->value(), lastFull + 1);
  EXPECT_TRUE(lineEdit().isVisible());
  EXPECT_EQ(lineEdit().geometry(), QRect(271, 56, 140, 18));
}

TEST_F(QtWindowTest, DoubleClickOnAHeaderSortsByThatColumn) {
  const QPoint title = view().cellRect(0, colTitle).center();
  QTest::mouseClick(view().viewport(), Qt::LeftButton, {}, title);
  QTest::mouseDClick(view().viewport(), Qt::LeftButton, {}, title);
  QTest::mouseRelease(view().viewport(), Qt::LeftButton, {}, title);
  const int last = grid().Rows() - 1;
  EXPECT_EQ(grid().TextMatrix(last - 2, colTitle), "Bravo");
  EXPECT_EQ(grid().TextMatrix(last - 1, colTitle), "Charlie");
  EXPECT_EQ(grid().TextMatrix(last, colTitle), "曲名");
  EXPECT_FALSE(lineEdit().isVisible());
}

TEST_F(QtWindowTest, SaveAnsweredYesWritesTheTagIntoTheFile) {
  clickCell(1, colTitle);
  typeOver("New title");
  key(Qt::Key_Return);
  NextMessageBox box([](QMessageBox& shown) { QTest::keyClick(&shown, Qt::Key_Return); });
  QTest::mouseClick(&program.form().cmdSave.button(), Qt::LeftButton);
  ASSERT_TRUE(box.seen());
  EXPECT_EQ(box.box().title, "Quorvane");
  EXPECT_EQ(box.box().text, "保存します。");
  EXPECT_EQ(box.box().icon, QMessageBox::Question);
  EXPECT_EQ(box.box().defaultButton, "はい(&Y)");

  const Bytes written = readFile(dir.file("a.mp3"));
  ASSERT_EQ(written.size(), 700 + kTagSize);
  EXPECT_EQ(slice(written, 0, 700), audio(700));
  Bytes expected = bytesOf("TAG");
  for (const Bytes& field : {padded("New title", 30), padded("Artist A", 30), padded("Album A", 30),
                             bytesOf("2001"), padded("Comment A", 30)}) {
    expected = concat(expected, field);
  }
  expected.push_back(17);
  EXPECT_EQ(lastBytes(written, kTagSize), expected);
  // The sheet came back from the folder: the row as now on disk, unchanged.
  EXPECT_EQ(grid().TextMatrix(1, colTitle), "New title");
  EXPECT_EQ(grid().TextMatrix(1, colState), "1");
  EXPECT_EQ(pixelIn(1, colFileName), QColor(255, 255, 255));
  EXPECT_FALSE(program.form().window().busy());
}

TEST_F(QtWindowTest, SaveAnsweredNoWritesNothing) {
  clickCell(1, colTitle);
  typeOver("New title");
  key(Qt::Key_Return);
  NextMessageBox box([](QMessageBox& shown) { QTest::keyClick(&shown, Qt::Key_N); });
  QTest::mouseClick(&program.form().cmdSave.button(), Qt::LeftButton);
  ASSERT_TRUE(box.seen());
  EXPECT_EQ(readFile(dir.file("a.mp3")), concat(audio(700), aTag));
  EXPECT_EQ(grid().TextMatrix(1, colState), "2");
}

// A window test that meets a box it did not prepare for fails at once with the box's text,
// and the box gets the harmless answer: here Save's question is answered No.
TEST_F(QtWindowTest, ABoxNoTestExpectsFailsTheTestAndIsAnsweredNo) {
  clickCell(1, colTitle);
  typeOver("Not saved");
  key(Qt::Key_Return);
  const LastResort lastResort(3000);  // should nothing else answer: no hang here either
  QElapsedTimer clock;
  clock.start();
  EXPECT_NONFATAL_FAILURE(QTest::mouseClick(&program.form().cmdSave.button(), Qt::LeftButton),
                          "a message box that the test did not expect: \"Quorvane\": 保存します。");
  EXPECT_FALSE(lastResort.fired()) << "nothing answered the box";
  EXPECT_LT(clock.elapsed(), 2000);
  EXPECT_EQ(readFile(dir.file("a.mp3")), concat(audio(700), aTag));
  EXPECT_EQ(grid().TextMatrix(1, colState), "2");
}

TEST_F(QtWindowTest, ClosingWithUnsavedEditsAsksAndNoKeepsTheWindowOpen) {
  clickCell(1, colTitle);
  typeOver("Unsaved");
  {
    NextMessageBox box([](QMessageBox& shown) { QTest::keyClick(&shown, Qt::Key_N); });
    EXPECT_FALSE(frame().close());
    ASSERT_TRUE(box.seen());
    EXPECT_EQ(box.box().text, "内容が保存されていません終了しますか？");
  }
  EXPECT_TRUE(frame().isVisible());
  NextMessageBox box([](QMessageBox& shown) { QTest::keyClick(&shown, Qt::Key_Y); });
  EXPECT_TRUE(frame().close());
  EXPECT_TRUE(box.seen());
  EXPECT_FALSE(frame().isVisible());
  EXPECT_EQ(readFile(dir.file("a.mp3")), concat(audio(700), aTag));
}

TEST_F(QtWindowTest, QuitWithoutEditsEndsAtOnce) {
  NextMessageBox box([](QMessageBox& shown) { shown.reject(); });
  QTest::mouseClick(&program.form().cmdEnd.button(), Qt::LeftButton);
  EXPECT_FALSE(box.seen());
  EXPECT_TRUE(frame().ended());
  EXPECT_FALSE(frame().isVisible());
}

TEST_F(QtWindowTest, OpeningASubfolderInTheFolderListLoadsItsSheet) {
  std::filesystem::create_directory(dir.path() / "sub");
  writeFile(dir.file("sub/only.mp3"), audio(200));
  ASSERT_TRUE(program.openFolder(dir.path().string()));  // lists the new sub-folder
  QListWidget& list = program.form().Dir1.listWidget();
  const auto items = list.findItems("sub", Qt::MatchExactly);
  ASSERT_EQ(items.size(), 1);
  list.setFocus();
  list.setCurrentItem(items.front());
  key(Qt::Key_Return);
  EXPECT_EQ(program.form().Dir1.Path(), (dir.path() / "sub").string());
  EXPECT_EQ(grid().Rows(), 2);
  EXPECT_EQ(grid().TextMatrix(1, colFileName), "only.mp3");
}

TEST_F(QtWindowTest, AFolderChangeWithUnsavedEditsAsksFirst) {
  std::filesystem::create_directory(dir.path() / "sub");
  writeFile(dir.file("sub/only.mp3"), audio(200));
  ASSERT_TRUE(program.openFolder(dir.path().string()));  // lists the new sub-folder
  clickCell(1, colTitle);
  typeOver("Kept");
  key(Qt::Key_Return);
  QListWidget& list = program.form().Dir1.listWidget();
  const auto openSub = [&] {
    const auto items = list.findItems("sub", Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    frame().activateWindow();  // back from the last box (offscreen needs telling)
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));
    list.setFocus();
    list.setCurrentItem(items.front());
    key(Qt::Key_Return);
  };
  {
    NextMessageBox box([](QMessageBox& shown) { QTest::keyClick(&shown, Qt::Key_Return); });
    openSub();
    ASSERT_TRUE(box.seen());
    EXPECT_EQ(box.box().title, "Quorvane");
    EXPECT_EQ(box.box().text, "内容が保存されていません。保存せずにフォルダを切り替えますか？");
    EXPECT_EQ(box.box().icon, QMessageBox::Question);
    EXPECT_EQ(box.box().defaultButton, "いいえ(&N)");  // Enter keeps the edits
  }
  EXPECT_EQ(program.form().Dir1.Path(), dir.path().string());
  EXPECT_EQ(list.currentItem()->toolTip().toStdString(), dir.path().string());
  EXPECT_EQ(grid().TextMatrix(1, colTitle), "Kept");
  EXPECT_EQ(grid().TextMatrix(1, colState), "2");
  {
    NextMessageBox box([](QMessageBox& shown) { QTest::keyClick(&shown, Qt::Key_Y); });
    openSub();
    ASSERT_TRUE(box.seen());
  }
  EXPECT_EQ(program.form().Dir1.Path(), (dir.path() / "sub").string());
  EXPECT_EQ(grid().TextMatrix(1, colFileName), "only.mp3");
  EXPECT_FALSE(program.window().blnChanged);
}

TEST_F(QtWindowTest, TheStatusBarNamesFilesLeftOutOfTheSheet) {
  writeFile(dir.file("tab\tname.mp3"), audio(300));
  ASSERT_TRUE(program.openFolder(dir.path().string()));
  QLabel& notice = program.form().StatusBar1.panel(2);
  EXPECT_TRUE(notice.isVisible());
  EXPECT_EQ(notice.text(), "表示できないファイル 1 件");
  EXPECT_TRUE(notice.toolTip().contains("tab\\tname.mp3"));
}

TEST_F(QtWindowTest, CtrlSInTheEditorStoresItAndSaves) {
  clickCell(1, colTitle);
  typeOver("By shortcut");
  NextMessageBox box([](QMessageBox& shown) { QTest::keyClick(&shown, Qt::Key_Return); });
  key(Qt::Key_S, Qt::ControlModifier);
  ASSERT_TRUE(box.seen());
  EXPECT_EQ(box.box().text, "保存します。");
  EXPECT_EQ(slice(readFile(dir.file("a.mp3")), 700 + 3, 11), bytesOf("By shortcut"));
  EXPECT_EQ(lineEdit().text(), "By shortcut") << "the editor's text was not typed into";
}

TEST_F(QtWindowTest, CtrlQFromTheFolderListQuitsAskingAboutEdits) {
  clickCell(1, colTitle);
  typeOver("Unsaved");
  program.form().Dir1.listWidget().setFocus();
  {
    NextMessageBox box([](QMessageBox& shown) { QTest::keyClick(&shown, Qt::Key_N); });
    key(Qt::Key_Q, Qt::ControlModifier);
    ASSERT_TRUE(box.seen());
    EXPECT_EQ(box.box().text, "内容が保存されていません終了しますか？");
  }
  EXPECT_FALSE(frame().ended());
  EXPECT_EQ(program.form().cmdEnd.button().toolTip(), "Quorvaneを終了します (Ctrl+Q)");
}

TEST_F(QtWindowTest, F5InTheEditorReadsTheFolderAgain) {
  clickCell(2, colTitle);
  writeFile(dir.file("0 new.mp3"), audio(100));
  key(Qt::Key_F5);
  EXPECT_EQ(grid().TextMatrix(1, colFileName), "0 new.mp3");
  EXPECT_EQ(grid().Rows(), 3 + kFillerFiles + 2);
}

// What a file manager's drag and drop delivers: one local file or folder.
bool dropOn(QWidget& window, const QString& path) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  const QPoint at = window.rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
  return drop.isAccepted();
}

TEST_F(QtWindowTest, DroppingAFolderOrAnMp3FileOpensIt) {
  std::filesystem::create_directory(dir.path() / "sub");
  writeFile(dir.file("sub/only.mp3"), audio(200));
  writeFile(dir.file("sub/notes.txt"), audio(20));
  EXPECT_FALSE(dropOn(frame(), QString::fromStdString(dir.file("sub/notes.txt"))));
  EXPECT_EQ(program.form().Dir1.Path(), dir.path().string());
  EXPECT_TRUE(dropOn(frame(), QString::fromStdString(dir.file("sub/only.mp3"))));
  EXPECT_EQ(program.form().Dir1.Path(), (dir.path() / "sub").string());
  EXPECT_EQ(grid().TextMatrix(1, colFileName), "only.mp3");
  EXPECT_TRUE(dropOn(frame(), QString::fromStdString(dir.path().string())));
  EXPECT_EQ(program.form().Dir1.Path(), dir.path().string());
}

TEST(QtWindowStart, WithoutAFolderTheListsStartHereAndNothingLoads) {
  HeadlessShellOpener shell;
  WindowProgram program(shell, quorvane::testing::systemFiles());
  program.show();
  const std::string here = fs::currentFolder();
  EXPECT_EQ(program.form().Dir1.Path(), here);
  EXPECT_EQ(program.form().File1.Path(), here);
  EXPECT_EQ(program.form().Drive1.Drive(), fs::driveOf(fs::listDrives(), here));
  const QListWidgetItem* current = program.form().Dir1.listWidget().currentItem();
  ASSERT_NE(current, nullptr);
  EXPECT_EQ(current->toolTip().toStdString(), here);
  EXPECT_EQ(program.window().MSFlexGrid1().Rows(), 1);
  EXPECT_EQ(program.form().File1.ListCount(), 0);
}

}  // namespace
