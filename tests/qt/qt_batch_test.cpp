// Batch editing on the real window's widgets: the pattern dialog typed into, the sheet's
// context menu opened with the mouse, and the editor's Ctrl+Z and Ctrl+V shared between
// the line edit and the sheet.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include "app/window_program.h"
#include "sheet/sheet_columns.h"
#include "tests/batch_folder.h"
#include "tests/qt/qt_test_support.h"
#include "tests/test_support.h"
#include "ui/headless/headless_controls.h"

namespace {

using namespace quorvane;
using namespace quorvane::testing;

// What the pattern dialog showed, read from its widgets while it was open.
struct SeenDialog {
  QString title, heading, placeholders, status, statusStyle;
  QStringList headers;
  std::vector<QStringList> rows;
  std::vector<std::vector<QColor>> colours;  // each cell's text colour
  bool okEnabled = false;
  QColor defaultText, disabledText;
};

QPushButton* buttonOf(QDialog& dialog, const QString& text) {
  for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
    if (button->text() == text) return button;
  }
  return nullptr;
}

SeenDialog look(QDialog& dialog) {
  SeenDialog seen;
  seen.title = dialog.windowTitle();
  if (auto* heading = dialog.findChild<QLabel*>("heading")) seen.heading = heading->text();
  if (auto* placeholders = dialog.findChild<QLabel*>("placeholders")) {
    seen.placeholders = placeholders->text();
  }
  if (auto* status = dialog.findChild<QLabel*>("status")) {
    seen.status = status->text();
    seen.statusStyle = status->styleSheet();
  }
  if (auto* table = dialog.findChild<QTableWidget*>("preview")) {
    for (int c = 0; c < table->columnCount(); ++c) {
      seen.headers << table->horizontalHeaderItem(c)->text();
    }
    seen.defaultText = table->palette().color(QPalette::Text);
    seen.disabledText = table->palette().color(QPalette::Disabled, QPalette::Text);
    for (int r = 0; r < table->rowCount(); ++r) {
      QStringList row;
      std::vector<QColor> colours;
      for (int c = 0; c < table->columnCount(); ++c) {
        const QTableWidgetItem* item = table->item(r, c);
        row << (item ? item->text() : QString());
        const QBrush brush = item ? item->foreground() : QBrush();
        colours.push_back(brush.style() == Qt::NoBrush ? seen.defaultText : brush.color());
      }
      seen.rows.push_back(row);
      seen.colours.push_back(colours);
    }
  }
  if (QPushButton* ok = buttonOf(dialog, "OK")) seen.okEnabled = ok->isEnabled();
  return seen;
}

// Whether the preview shows the cell's text with pixels of pure red, as painted.
bool paintedRed(QDialog& dialog, int row, int col) {
  auto* table = dialog.findChild<QTableWidget*>("preview");
  if (!table) return false;
  const QImage image = table->viewport()->grab().toImage();
  const QRect cell = table->visualRect(table->model()->index(row, col));
  for (int y = cell.top(); y <= cell.bottom(); ++y) {
    for (int x = cell.left(); x <= cell.right(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (pixel.red() > 200 && pixel.green() < 60 && pixel.blue() < 60) return true;
    }
  }
  return false;
}

void typePattern(QDialog& dialog, const QString& text) {
  auto* pattern = dialog.findChild<QLineEdit*>("pattern");
  ASSERT_NE(pattern, nullptr);
  pattern->setFocus();
  pattern->selectAll();
  QTest::keyClicks(pattern, text);
}

class QtBatchTest : public ::testing::Test {
 protected:
  QtBatchTest() {
    writeBatchFolder(dir);
    program.show();
    frame().activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&frame()));
    EXPECT_TRUE(program.openFolder(dir.path().string()));
  }
  ~QtBatchTest() override { QGuiApplication::clipboard()->clear(); }

  QtFormWindow& frame() { return program.form().window(); }
  FlexGrid& grid() { return program.window().MSFlexGrid1(); }
  GridView& view() { return program.gridView(); }
  QLineEdit& lineEdit() { return program.form().EditText.lineEdit(); }

  void clickCell(int row, int col) {
    QTest::mouseClick(view().viewport(), Qt::LeftButton, {}, view().cellRect(row, col).center());
  }
  // A right click as the window system delivers it: the press, then the menu event.
  void rightClickCell(int row, int col) {
    const QPoint at = view().cellRect(row, col).center();
    QTest::mousePress(view().viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view().viewport()->mapToGlobal(at));
    QApplication::sendEvent(view().viewport(), &event);
    QTest::mouseRelease(view().viewport(), Qt::RightButton, {}, at);
  }
  void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    QTest::keyClick(focused, key, modifiers);
  }
  std::string cell(int row, int col) { return grid().TextMatrix(row, col); }
  // Whether Quit would ask about unsaved edits, asked without quitting.
  bool sheetChanged() { return program.window().blnChanged; }

  TempDir dir;
  HeadlessShellOpener shell;
  WindowProgram program{shell, quorvane::testing::systemFiles()};
};

TEST_F(QtBatchTest, ThePatternDialogPreviewsATypedPatternAndOKFillsTheTags) {
  clickCell(1, colTitle);
  SeenDialog first, typed;
  bool red = false, blackElsewhere = true;
  NextDialog dialog([&](QDialog& shown) {
    first = look(shown);
    typePattern(shown, "* %artist% - %title%");
    typed = look(shown);
    red = paintedRed(shown, 2, 2);
    blackElsewhere = !paintedRed(shown, 0, 2) && !paintedRed(shown, 2, 1);
    QPushButton* ok = buttonOf(shown, "OK");
    ASSERT_NE(ok, nullptr);
    QTest::mouseClick(ok, Qt::LeftButton);
  });
  key(Qt::Key_T, Qt::ControlModifier);
  ASSERT_TRUE(dialog.seen());

  EXPECT_EQ(first.title, "Quorvane");
  EXPECT_EQ(first.heading, "ファイル名からタグを設定");
  EXPECT_EQ(first.placeholders,
            "%title% 曲タイトル   %artist% アーティスト   %album% アルバム   %year% 年号   "
            "%comment% コメント   %genre% ジャンル");
  EXPECT_EQ(first.headers, QStringList({"ファイル名称", "変更前", "変更後"}));
  // The pattern it starts with, "%artist% - %title%", reads "01 Alpha" as an artist.
  ASSERT_FALSE(first.rows.empty());
  EXPECT_EQ(first.rows[0][2], "01 Alpha / One");

  const QString gamma = QString::fromStdString("03 Gamma - " + kLongTitle + ".mp3");
  ASSERT_EQ(typed.rows.size(), 4u);
  EXPECT_EQ(typed.rows[0],
            QStringList({"01 Alpha - One.mp3", "Old artist / Old one", "Alpha / One"}));
  EXPECT_EQ(typed.rows[1],
            QStringList({"02 Beta - Two.mp3", "Old artist / Old two", "Beta / Two"}));
  EXPECT_EQ(typed.rows[2], QStringList({gamma, "Old artist / Old three",
                                        QString::fromStdString("Gamma / " + kLongTitle)}));
  EXPECT_EQ(typed.rows[3], QStringList({"notes.mp3", "", "一致しません"}));
  EXPECT_EQ(typed.colours[0][2], typed.defaultText);
  EXPECT_EQ(typed.colours[2][2], QColor(Qt::red)) << "a title longer than its field";
  EXPECT_EQ(typed.colours[3][2], typed.disabledText) << "a name that does not fit";
  EXPECT_NE(typed.disabledText, typed.defaultText);
  EXPECT_TRUE(red) << "the long title is painted red";
  EXPECT_TRUE(blackElsewhere);
  EXPECT_EQ(typed.status, "3 件を変更します");
  EXPECT_TRUE(typed.okEnabled);

  // OK filled the three rows that fit, as one change; the fourth kept its tag.
  EXPECT_EQ(cell(1, colArtist), "Alpha");
  EXPECT_EQ(cell(1, colTitle), "One");
  EXPECT_EQ(cell(2, colTitle), "Two");
  EXPECT_EQ(cell(3, colTitle), kLongTitle);
  EXPECT_EQ(cell(4, colTitle), "Notes");
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(cell(r, colState), "2") << r;
  EXPECT_EQ(cell(4, colState), "1");
  EXPECT_EQ(cell(1, colAlbum), "Album");
  EXPECT_TRUE(sheetChanged());
  // The editor over the first title shows the new text, so holds no typing of its own.
  EXPECT_EQ(lineEdit().text(), "One");
  // The window has the keyboard back (a moment later), in the editor it left.
  frame().activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == &lineEdit(); }, 2000));

  // One Ctrl+Z takes the whole fill back.
  key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(cell(1, colTitle), "Old one");
  EXPECT_EQ(cell(1, colArtist), "Old artist");
  EXPECT_EQ(cell(3, colTitle), "Old three");
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(cell(r, colState), "1") << r;
  EXPECT_FALSE(sheetChanged());
  key(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(cell(2, colArtist), "Beta");
  EXPECT_TRUE(sheetChanged());
}

TEST_F(QtBatchTest, OKIsDisabledForAPatternWithAnErrorOrWithoutChanges) {
  clickCell(1, colTitle);
  SeenDialog unclosed, unknown, noChange;
  bool stillOpen = false;
  NextDialog dialog([&](QDialog& shown) {
    typePattern(shown, "%artist% - %title");
    unclosed = look(shown);
    typePattern(shown, "%artist% - %name%");
    unknown = look(shown);
    typePattern(shown, "xyz %title%");
    noChange = look(shown);
    // Enter presses no disabled OK.
    QTest::keyClick(shown.findChild<QLineEdit*>("pattern"), Qt::Key_Return);
    stillOpen = shown.isVisible();
    QTest::mouseClick(buttonOf(shown, "キャンセル"), Qt::LeftButton);
  });
  key(Qt::Key_T, Qt::ControlModifier);
  ASSERT_TRUE(dialog.seen());
  EXPECT_FALSE(unclosed.okEnabled);
  EXPECT_FALSE(unclosed.status.isEmpty());
  EXPECT_TRUE(unclosed.statusStyle.contains("red")) << unclosed.status.toStdString();
  EXPECT_TRUE(unclosed.rows.empty());
  EXPECT_FALSE(unknown.okEnabled);
  EXPECT_NE(unknown.status, unclosed.status);
  EXPECT_TRUE(unknown.statusStyle.contains("red"));
  // A pattern that fits no name changes nothing.
  EXPECT_FALSE(noChange.okEnabled);
  EXPECT_EQ(noChange.status, "0 件を変更します");
  EXPECT_FALSE(noChange.statusStyle.contains("red"));
  ASSERT_EQ(noChange.rows.size(), 4u);
  for (const QStringList& row : noChange.rows) EXPECT_EQ(row[2], "一致しません");
  EXPECT_TRUE(stillOpen);
  EXPECT_FALSE(sheetChanged());
}

TEST_F(QtBatchTest, CancelLeavesTheSheetAsItWas) {
  clickCell(1, colTitle);
  NextDialog dialog([&](QDialog& shown) {
    typePattern(shown, "* %artist% - %title%");
    EXPECT_TRUE(look(shown).okEnabled);
    QTest::mouseClick(buttonOf(shown, "キャンセル"), Qt::LeftButton);
  });
  key(Qt::Key_T, Qt::ControlModifier);
  ASSERT_TRUE(dialog.seen());
  EXPECT_EQ(cell(1, colTitle), "Old one");
  EXPECT_EQ(cell(1, colArtist), "Old artist");
  for (int r = 1; r <= 4; ++r) EXPECT_EQ(cell(r, colState), "1") << r;
  EXPECT_FALSE(sheetChanged());
  EXPECT_FALSE(program.window().canUndo());
  EXPECT_EQ(lineEdit().text(), "Old one");
}

TEST_F(QtBatchTest, ARightClickedCellIsWhereTheMenusPasteFillsAndUndoTakesItBack) {
  clickCell(1, colArtist);  // the editor open elsewhere
  QGuiApplication::clipboard()->setText("Title X\nTitle Y\n");
  {
    NextPopup menu([](QMenu& shown) { chooseItem(shown, "貼り付け"); });
    rightClickCell(2, colTitle);
    ASSERT_TRUE(menu.seen());
    EXPECT_EQ(menu.menu().items,
              QStringList({"元に戻す", "やり直し", "貼り付け", "ファイル名からタグを設定...",
                           "タグからファイル名を設定..."}));
    EXPECT_EQ(menu.menu().shortcuts, QStringList({"Ctrl+Z", "Ctrl+Y", "Ctrl+V", "Ctrl+T", ""}));
    EXPECT_EQ(menu.menu().enabled, QList<bool>({false, false, true, true, true}));
    // At the mouse.
    const QPoint mouse = view().viewport()->mapToGlobal(view().cellRect(2, colTitle).center());
    const QRect place = menu.menu().geometry;
    EXPECT_EQ(place.top(), mouse.y());
    EXPECT_EQ(place.left(), mouse.x());
  }
  EXPECT_EQ(cell(2, colTitle), "Title X");
  EXPECT_EQ(cell(3, colTitle), "Title Y");
  EXPECT_EQ(cell(1, colTitle), "Old one");
  EXPECT_EQ(cell(4, colTitle), "Notes");
  EXPECT_EQ(cell(2, colState), "2");
  // The right click opened no editor: the one over the first artist is still there.
  EXPECT_EQ(grid().Row(), 1);
  EXPECT_EQ(grid().Col(), colArtist);
  EXPECT_EQ(lineEdit().text(), "Old artist");
  EXPECT_TRUE(lineEdit().isVisible());

  {
    NextPopup menu([](QMenu& shown) { chooseItem(shown, "元に戻す"); });
    rightClickCell(4, colArtist);
    ASSERT_TRUE(menu.seen());
    EXPECT_EQ(menu.menu().enabled, QList<bool>({true, false, true, true, true}));
  }
  EXPECT_EQ(cell(2, colTitle), "Old two");
  EXPECT_EQ(cell(3, colTitle), "Old three");
  EXPECT_EQ(cell(2, colState), "1");
  EXPECT_FALSE(sheetChanged());
}

TEST_F(QtBatchTest, AClosedMenuDoesNothing) {
  QGuiApplication::clipboard()->setText("Album X\nAlbum Y\n");
  NextPopup menu;  // closed without a choice
  rightClickCell(2, colAlbum);
  ASSERT_TRUE(menu.seen());
  EXPECT_EQ(cell(2, colAlbum), "Album");
  EXPECT_FALSE(sheetChanged());
  EXPECT_FALSE(lineEdit().isVisible()) << "a right click is no click";
}

TEST_F(QtBatchTest, CtrlZUndoesTheEditorsTypingFirstThenTheSheetsLastChange) {
  clickCell(1, colTitle);
  QTest::keyClicks(&lineEdit(), "!");
  key(Qt::Key_Return);  // stored; the editor is over the artist cell
  ASSERT_EQ(cell(1, colTitle), "Old one!");
  ASSERT_EQ(lineEdit().text(), "Old artist");
  QTest::keyClicks(&lineEdit(), "?");
  key(Qt::Key_Home);
  QTest::keyClicks(&lineEdit(), "¿");
  ASSERT_EQ(lineEdit().text(), "¿Old artist?");

  // The line edit takes back its last typing alone; the sheet would take back all of it.
  key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(lineEdit().text(), "Old artist?") << "the line edit's own undo";
  key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(lineEdit().text(), "Old artist");
  EXPECT_EQ(cell(1, colTitle), "Old one!") << "the sheet's change stays";
  EXPECT_EQ(cell(1, colState), "2");

  key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(cell(1, colTitle), "Old one") << "now the sheet's undo";
  EXPECT_EQ(cell(1, colState), "1");
  EXPECT_FALSE(sheetChanged());
  // The editor went back to the cell that changed, showing its text again.
  EXPECT_EQ(grid().Col(), colTitle);
  EXPECT_EQ(lineEdit().text(), "Old one");

  key(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(cell(1, colTitle), "Old one!");
  EXPECT_EQ(lineEdit().text(), "Old one!");
  EXPECT_TRUE(sheetChanged());
}

TEST_F(QtBatchTest, CtrlVOfSeveralLinesFillsDownwardAndOfOneLineIsTheEditorsPaste) {
  clickCell(2, colTitle);
  QGuiApplication::clipboard()->setText("First\r\nSecond\r\n");
  key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(cell(2, colTitle), "First");
  EXPECT_EQ(cell(3, colTitle), "Second");
  EXPECT_EQ(cell(1, colTitle), "Old one");
  EXPECT_EQ(cell(4, colTitle), "Notes");
  EXPECT_EQ(lineEdit().text(), "First") << "the line edit did not paste as well";

  QGuiApplication::clipboard()->setText("Pasted");
  lineEdit().selectAll();
  key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(lineEdit().text(), "Pasted");
  EXPECT_EQ(cell(2, colTitle), "First") << "one line waits in the editor for Enter";
  EXPECT_EQ(cell(3, colTitle), "Second");
  key(Qt::Key_Return);
  EXPECT_EQ(cell(2, colTitle), "Pasted");
}

TEST_F(QtBatchTest, CtrlTOpensTheDialogFromTheFolderList) {
  program.form().Dir1.listWidget().setFocus();
  NextDialog dialog([](QDialog& shown) { shown.reject(); });
  key(Qt::Key_T, Qt::ControlModifier);
  EXPECT_TRUE(dialog.seen());
}

}  // namespace
