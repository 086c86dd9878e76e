// The Qt controls behind the platform interfaces: what the form sets reads back, keys
// reach the key-down handler first, lists follow the file system, message boxes speak
// Japanese.
#include "ui/qt/qt_controls.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QShortcut>
#include <QTest>
#include <QWheelEvent>
#include <filesystem>

#include "os/posix/file_system.h"
#include "sheet/folder_file_list.h"
#include "tests/qt/qt_test_support.h"
#include "tests/test_support.h"
#include "ui/qt/qt_file_lists.h"
#include "ui/qt/qt_form_window.h"
#include "ui/qt/qt_message_boxes.h"

namespace {

using namespace quorvane;
using namespace quorvane::testing;

struct KeyCase {
  const char* what;
  int qtKey;
  std::int16_t code;
};

class VirtualKeyCodes : public ::testing::TestWithParam<KeyCase> {};

TEST_P(VirtualKeyCodes, AreTheWindowsOnes) {
  EXPECT_EQ(virtualKeyCode(GetParam().qtKey), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, VirtualKeyCodes,
    ::testing::Values(KeyCase{"Return", Qt::Key_Return, 13}, KeyCase{"Enter", Qt::Key_Enter, 13},
                      KeyCase{"Up", Qt::Key_Up, 38}, KeyCase{"Down", Qt::Key_Down, 40},
                      KeyCase{"Left", Qt::Key_Left, 37}, KeyCase{"Right", Qt::Key_Right, 39},
                      KeyCase{"Home", Qt::Key_Home, 36}, KeyCase{"End", Qt::Key_End, 35},
                      KeyCase{"PageUp", Qt::Key_PageUp, 33},
                      KeyCase{"PageDown", Qt::Key_PageDown, 34},
                      KeyCase{"Escape", Qt::Key_Escape, 27}, KeyCase{"Tab", Qt::Key_Tab, 9},
                      KeyCase{"Backtab", Qt::Key_Backtab, 9},
                      KeyCase{"Backspace", Qt::Key_Backspace, 8},
                      KeyCase{"Delete", Qt::Key_Delete, 46}, KeyCase{"A", Qt::Key_A, 65},
                      KeyCase{"Z", Qt::Key_Z, 90}, KeyCase{"Digit0", Qt::Key_0, 48},
                      KeyCase{"Digit9", Qt::Key_9, 57}, KeyCase{"F4", Qt::Key_F4, 115},
                      KeyCase{"Exclam", Qt::Key_Exclam, 0}),
    caseName<KeyCase>);

TEST(ShiftState, AddsShiftCtrlAndAlt) {
  EXPECT_EQ(shiftState(Qt::NoModifier), 0);
  EXPECT_EQ(shiftState(Qt::ShiftModifier), 1);
  EXPECT_EQ(shiftState(Qt::ControlModifier | Qt::AltModifier), 6);
  EXPECT_EQ(shiftState(Qt::ShiftModifier | Qt::KeypadModifier), 1);
}

class QtControlsTest : public ::testing::Test {
 protected:
  QtControlsTest() {
    parent.resize(400, 300);
    parent.show();
    parent.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&parent));
  }
  QWidget parent;
  QtStage stage;
};

// ---- text box ----

class QtTextBoxTest : public QtControlsTest {
 protected:
  QtTextBoxTest() {
    box.setKeyDownHandler([this](std::int16_t& code, std::int16_t shift) {
      seen.push_back({code, shift});
      if (code == consume) code = 0;
    });
  }
  struct Seen {
    std::int16_t code, shift;
    bool operator==(const Seen&) const = default;
  };
  QtTextBox box{stage, parent};
  std::vector<Seen> seen;
  std::int16_t consume = 13;
};

TEST_F(QtTextBoxTest, AConsumedKeyNeverReachesTheBox) {
  QSignalSpy returns(&box.lineEdit(), &QLineEdit::returnPressed);
  QTest::keyClick(&box.lineEdit(), Qt::Key_Return, Qt::ShiftModifier);
  // The Shift key itself comes first, as a key of its own.
  EXPECT_EQ(seen, (std::vector<Seen>{{16, 1}, {13, 1}}));
  EXPECT_EQ(returns.count(), 0);
}

TEST_F(QtTextBoxTest, AKeyLeftAloneReachesTheBox) {
  QTest::keyClicks(&box.lineEdit(), "ab");
  EXPECT_EQ(box.Text(), "ab");
  EXPECT_EQ(seen, (std::vector<Seen>{{65, 0}, {66, 0}}));
  consume = 0;
  QSignalSpy returns(&box.lineEdit(), &QLineEdit::returnPressed);
  QTest::keyClick(&box.lineEdit(), Qt::Key_Return);
  EXPECT_EQ(returns.count(), 1);
}

TEST_F(QtTextBoxTest, KeysWithoutACodeGoStraightToTheBox) {
  QTest::keyClick(&box.lineEdit(), '!');
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(box.Text(), "!");
}

TEST_F(QtTextBoxTest, InputMethodCompositionStillWorks) {
  box.lineEdit().setFocus();
  QInputMethodEvent composing(QStringLiteral("にほん"), {});
  QApplication::sendEvent(&box.lineEdit(), &composing);
  QInputMethodEvent commit;
  commit.setCommitString(QStringLiteral("日本"));
  QApplication::sendEvent(&box.lineEdit(), &commit);
  EXPECT_EQ(box.Text(), "日本");
  EXPECT_TRUE(seen.empty());
}

TEST_F(QtTextBoxTest, TextIsTheLineEditsOwn) {
  box.setText("曲名 \xF4\x8F\xB8\x81");  // with the escape character of byte 0x81
  EXPECT_EQ(box.lineEdit().text().size(), 5);
  EXPECT_EQ(box.Text(), "曲名 \xF4\x8F\xB8\x81");
  box.lineEdit().setText("typed");
  EXPECT_EQ(box.Text(), "typed");
}

TEST_F(QtTextBoxTest, PlaceReadsBackAsSetAndTheWidgetTakesWholePixels) {
  box.setLeft(12.6f);
  box.setTop(76);
  box.setWidth(66);
  box.setHeight(18);
  EXPECT_EQ(box.Left(), 12.6f);
  EXPECT_EQ(box.lineEdit().geometry(), QRect(13, 76, 66, 18));
}

TEST_F(QtTextBoxTest, ZOrderRaisesItOverAnotherWidget) {
  QWidget cover(&parent);
  cover.setGeometry(0, 0, 100, 100);
  cover.show();
  box.setLeft(10), box.setTop(10), box.setWidth(50), box.setHeight(18);
  box.setVisible(true);
  EXPECT_EQ(parent.childAt(20, 15), &cover);
  box.ZOrder();
  EXPECT_EQ(parent.childAt(20, 15), &box.lineEdit());
  box.SetFocus();
  EXPECT_TRUE(box.lineEdit().hasFocus());
}

// Qt's own rule hands the focus of a widget being hidden to the next one in Tab order; the
// form's rule keeps it, so that keys meant for the sheet never reach another control.
class QtHiddenFocusTest : public QtTextBoxTest {
 protected:
  QtHiddenFocusTest() {
    box.setLeft(10), box.setTop(10), box.setWidth(80), box.setHeight(18);
    next.setLeft(10), next.setTop(40), next.setWidth(80), next.setHeight(25);
    box.setTabIndex(0);
    next.setTabIndex(1);
    stage.applyTabOrder();
    box.SetFocus();
  }
  QtButton next{stage, parent};
};

TEST_F(QtHiddenFocusTest, HidingTheFocusedBoxKeepsItsKeysOutOfSight) {
  box.setVisible(false);
  EXPECT_FALSE(box.Visible());
  EXPECT_FALSE(seenByUser(box.lineEdit()));
  EXPECT_EQ(QApplication::focusWidget(), &box.lineEdit());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  EXPECT_EQ(seen, (std::vector<Seen>{{kKeyDown, 0}}));
  // Shown again, it is back in its place.
  box.setVisible(true);
  EXPECT_TRUE(seenByUser(box.lineEdit()));
  EXPECT_EQ(box.lineEdit().geometry(), QRect(10, 10, 80, 18));
  EXPECT_TRUE(box.lineEdit().hasFocus());
}

TEST_F(QtHiddenFocusTest, TheFocusMovedOnHidesItForGood) {
  for (const char* how : {"form", "tab", "click"}) {
    SCOPED_TRACE(how);
    box.SetFocus();
    box.setVisible(false);
    const std::string way = how;
    if (way == "form") next.SetFocus();
    if (way == "tab") QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    if (way == "click") {
      next.button().setFocusPolicy(Qt::StrongFocus);
      QTest::mouseClick(&next.button(), Qt::LeftButton);
    }
    EXPECT_EQ(QApplication::focusWidget(), &next.button());
    EXPECT_FALSE(box.lineEdit().isVisible());
    // Hidden for good, it is no stop for Tab.
    QTest::keyClick(&next.button(), Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), &box.lineEdit());
  }
}

TEST_F(QtHiddenFocusTest, AHiddenBoxGivenTheFocusTakesItOutOfSight) {
  next.SetFocus();
  box.setVisible(false);
  EXPECT_FALSE(box.lineEdit().isVisible());
  box.SetFocus();
  EXPECT_EQ(QApplication::focusWidget(), &box.lineEdit());
  EXPECT_FALSE(seenByUser(box.lineEdit()));
}

TEST_F(QtHiddenFocusTest, AMessageBoxLeavesTheHiddenBoxTheFocus) {
  box.setVisible(false);
  QtMessageBoxes messages(parent);
  NextMessageBox answer([](QMessageBox& shown) { QTest::keyClick(&shown, Qt::Key_Return); });
  MessageBoxRequest request;
  request.text = "?";
  request.title = "Quorvane";
  messages.show(request);
  ASSERT_TRUE(answer.seen());
  EXPECT_EQ(parent.focusWidget(), &box.lineEdit());
  EXPECT_FALSE(seenByUser(box.lineEdit()));
}

TEST_F(QtControlsTest, ButtonsTakeTheFocusByTabNotByClick) {
  QtTextBox box(stage, parent);
  QtButton button(stage, parent);
  button.setLeft(5), button.setTop(40), button.setWidth(73), button.setHeight(25);
  box.SetFocus();
  QTest::mouseClick(&button.button(), Qt::LeftButton);
  EXPECT_EQ(QApplication::focusWidget(), &box.lineEdit());
  EXPECT_EQ(button.button().focusPolicy(), Qt::TabFocus);
}

// ---- drop-down list ----

TEST_F(QtControlsTest, ComboListKeepsItemDataAndSelection) {
  QtComboList list(stage, parent);
  EXPECT_EQ(list.ListIndex(), -1);
  list.AddItem("Blues");
  EXPECT_EQ(list.NewIndex(), 0);
  list.setItemData(list.NewIndex(), 1);
  list.AddItem("Classic Rock");
  list.setItemData(list.NewIndex(), 2);
  EXPECT_EQ(list.NewIndex(), 1);
  EXPECT_EQ(list.ListCount(), 2);
  EXPECT_EQ(list.ItemData(1), 2);
  EXPECT_EQ(list.ItemData(5), 0);
  EXPECT_EQ(list.List(1), "Classic Rock");
  EXPECT_EQ(list.List(-1), "");
  list.setListIndex(1);
  EXPECT_EQ(list.comboBox().currentText(), "Classic Rock");
  list.setListIndex(7);  // out of range: unchanged
  EXPECT_EQ(list.ListIndex(), 1);
  list.setListIndex(-1);
  EXPECT_EQ(list.ListIndex(), -1);
  EXPECT_FALSE(list.comboBox().isEditable());
}

TEST_F(QtControlsTest, ComboListArrowsGoToTheHandlerFirst) {
  QtComboList list(stage, parent);
  for (const char* name : {"Blues", "Classic Rock", "Country"}) list.AddItem(name);
  list.setListIndex(1);
  std::vector<std::int16_t> codes;
  list.setKeyDownHandler([&](std::int16_t& code, std::int16_t) {
    codes.push_back(code);
    if (code == kKeyDown) code = 0;
  });
  QTest::keyClick(&list.comboBox(), Qt::Key_Down);
  EXPECT_EQ(list.ListIndex(), 1);  // consumed: the list did not move
  QTest::keyClick(&list.comboBox(), Qt::Key_Up);
  EXPECT_EQ(list.ListIndex(), 0);  // left alone: the list moved
  EXPECT_EQ(codes, (std::vector<std::int16_t>{kKeyDown, kKeyUp}));
}

void turnWheel(QWidget& widget, int steps) {
  const QPointF at = widget.rect().center();
  QWheelEvent wheel(at, widget.mapToGlobal(at), {}, QPoint(0, -120 * steps), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&widget, &wheel);
}

TEST_F(QtControlsTest, ComboListTurnsWithTheWheelOnlyWithTheFocus) {
  QtComboList list(stage, parent);
  QtTextBox other(stage, parent);
  list.setLeft(5), list.setTop(5), list.setWidth(100), list.setHeight(20);
  for (const char* name : {"Blues", "Classic Rock", "Country"}) list.AddItem(name);
  list.setListIndex(0);
  other.SetFocus();
  turnWheel(list.comboBox(), 1);
  EXPECT_EQ(list.ListIndex(), 0);
  EXPECT_EQ(QApplication::focusWidget(), &other.lineEdit());
  list.SetFocus();
  turnWheel(list.comboBox(), 1);
  EXPECT_EQ(list.ListIndex(), 1);
}

TEST_F(QtControlsTest, ComboListOutOfSightOpensNoPopup) {
  QtComboList list(stage, parent);
  list.AddItem("Blues");
  list.SetFocus();
  list.setVisible(false);
  ASSERT_EQ(QApplication::focusWidget(), &list.comboBox());
  QTest::keyClick(&list.comboBox(), Qt::Key_F4);
  EXPECT_FALSE(list.comboBox().view()->isVisible());
  list.setVisible(true);
  list.comboBox().showPopup();
  EXPECT_TRUE(list.comboBox().view()->isVisible());
  list.comboBox().hidePopup();
}

// ---- label, button, status bar ----

TEST_F(QtControlsTest, LabelShowsNamesAsPlainText) {
  QtLabel label(stage, parent);
  label.setCaption("<b>a&b</b>.mp3");
  EXPECT_EQ(label.Caption(), "<b>a&b</b>.mp3");
  EXPECT_EQ(label.label().textFormat(), Qt::PlainText);
}

TEST_F(QtControlsTest, ButtonClickRunsTheHandler) {
  QtButton button(stage, parent);
  button.setCaption("保存");
  button.setToolTipText("編集した内容を保存します");
  button.setLeft(5), button.setTop(5), button.setWidth(73), button.setHeight(25);
  int clicks = 0;
  button.setClickHandler([&] { ++clicks; });
  QTest::mouseClick(&button.button(), Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(button.button().text(), "保存");
  EXPECT_EQ(button.button().toolTip(), "編集した内容を保存します");
}

TEST_F(QtControlsTest, StatusBarKeepsToTheBottomEdgeAtFullWidth) {
  QtStatusBar bar(stage, parent);
  bar.setLeft(30), bar.setTop(40), bar.setWidth(50), bar.setHeight(18);
  EXPECT_EQ(bar.statusBar().geometry(), QRect(0, 282, 400, 18));
  parent.resize(500, 350);
  EXPECT_EQ(bar.statusBar().geometry(), QRect(0, 332, 500, 18));
  EXPECT_EQ(bar.Top(), 332.0f);
  EXPECT_EQ(bar.Width(), 500.0f);
}

// The inside of a panel's frame holds the whole text: its height the font's, its width
// the text's advance past the indent.
::testing::AssertionResult showsWholeText(const QLabel& panel) {
  const QRect inside = panel.contentsRect();
  const QFontMetrics metrics = panel.fontMetrics();
  const int needed = metrics.horizontalAdvance(panel.text()) + panel.indent();
  if (inside.height() < metrics.height() || inside.width() < needed) {
    return ::testing::AssertionFailure()
           << panel.text().toStdString() << ": inside " << inside.width() << "x" << inside.height()
           << ", text " << needed << "x" << metrics.height();
  }
  return ::testing::AssertionSuccess();
}

TEST_F(QtControlsTest, StatusBarPanelsShowTheirWholeText) {
  parent.resize(678, 441);
  parent.setFont(QFont(QStringLiteral("IPAPGothic"), 9));
  QtStatusBar bar(stage, parent);
  bar.setHeight(18);
  bar.setPanelText(1, "a_jp.mp3");
  bar.setPanelText(2, "30/30 バイト");
  EXPECT_TRUE(showsWholeText(bar.panel(1)));
  EXPECT_TRUE(showsWholeText(bar.panel(2)));
  EXPECT_EQ(bar.panel(2).geometry().right(), 677);
  EXPECT_LT(bar.panel(1).geometry().right(), bar.panel(2).x());
  bar.setPanelText(2, "表示できないファイル 12 件");
  EXPECT_TRUE(showsWholeText(bar.panel(2)));
  bar.setPanelToolTip(2, "a\tb.mp3");
  EXPECT_EQ(bar.panel(2).toolTip(), "a\tb.mp3");
}

TEST_F(QtControlsTest, StatusBarPanelTwoShowsOnlyWithText) {
  QtStatusBar bar(stage, parent);
  bar.setHeight(18);
  bar.setPanelText(1, "a.mp3");
  EXPECT_EQ(bar.PanelText(1), "a.mp3");
  EXPECT_EQ(bar.panel(1).text(), "a.mp3");
  EXPECT_FALSE(bar.panel(2).isVisible());
  bar.setPanelText(2, "3 files");
  EXPECT_TRUE(bar.panel(2).isVisible());
  EXPECT_GT(bar.panel(2).x(), bar.panel(1).x());
  EXPECT_EQ(bar.PanelText(3), "");
}

TEST_F(QtControlsTest, TabOrderFollowsTheIndexes) {
  QtButton first(stage, parent), second(stage, parent), third(stage, parent);
  third.setTabIndex(2);
  first.setTabIndex(0);
  second.setTabIndex(1);
  stage.applyTabOrder();
  first.button().setFocus();
  QTest::keyClick(&first.button(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), &second.button());
  QTest::keyClick(&second.button(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), &third.button());
}

// ---- folder, file and drive lists ----

class QtListsTest : public QtControlsTest {
 protected:
  QtListsTest() {
    std::filesystem::create_directory(dir.path() / "beta");
    std::filesystem::create_directory(dir.path() / "alpha");
    writeFile(dir.file("song.MP3"), audio(10));
    writeFile(dir.file("b.mp3"), audio(10));
    writeFile(dir.file("notes.txt"), audio(10));
  }
  std::vector<std::pair<QString, int>> entries(const QListWidget& list) {
    std::vector<std::pair<QString, int>> shown;
    for (int i = 0; i < list.count(); ++i) {
      shown.emplace_back(list.item(i)->text(), list.item(i)->data(Qt::UserRole + 1).toInt());
    }
    return shown;
  }
  TempDir dir;
};

TEST_F(QtListsTest, FolderListShowsAncestorsThenSubfolders) {
  QtFolderList folders(stage, parent, quorvane::testing::systemFiles());
  int changes = 0;
  folders.setChangeHandler([&] { ++changes; });
  ASSERT_TRUE(folders.setPath(dir.path().string()));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(folders.Path(), dir.path().string());
  const auto ancestors = fs::ancestorsOf(dir.path().string());
  const int depth = static_cast<int>(ancestors.size());
  const auto shown = entries(folders.listWidget());
  ASSERT_EQ(shown.size(), ancestors.size() + 2);
  EXPECT_EQ(shown.front(), (std::pair<QString, int>{"/", 0}));
  EXPECT_EQ(shown[ancestors.size() - 1].first, dir.path().filename().c_str());
  EXPECT_EQ(shown[ancestors.size()], (std::pair<QString, int>{"alpha", depth}));
  EXPECT_EQ(shown[ancestors.size() + 1], (std::pair<QString, int>{"beta", depth}));
  EXPECT_EQ(folders.listWidget().currentRow(), depth - 1);  // the current folder
}

TEST_F(QtListsTest, FolderListRefusesWhatIsNoFolder) {
  QtFolderList folders(stage, parent, quorvane::testing::systemFiles());
  ASSERT_TRUE(folders.setPath(dir.path().string()));
  int changes = 0;
  folders.setChangeHandler([&] { ++changes; });
  EXPECT_FALSE(folders.setPath(dir.file("b.mp3")));
  EXPECT_FALSE(folders.setPath(dir.file("missing")));
  EXPECT_EQ(folders.Path(), dir.path().string());
  EXPECT_EQ(changes, 0);
}

TEST_F(QtListsTest, FolderListOpensAnEntryOnEnterOrDoubleClick) {
  QtFolderList folders(stage, parent, quorvane::testing::systemFiles());
  folders.setLeft(0), folders.setTop(0), folders.setWidth(200), folders.setHeight(280);
  ASSERT_TRUE(folders.setPath(dir.path().string()));
  QListWidget& list = folders.listWidget();
  int changes = 0;
  folders.setChangeHandler([&] { ++changes; });
  list.setCurrentItem(list.findItems("beta", Qt::MatchExactly).front());
  QTest::keyClick(&list, Qt::Key_Return);
  EXPECT_EQ(folders.Path(), (dir.path() / "beta").string());
  EXPECT_EQ(changes, 1);

  // Back up to the parent, which is listed above "beta".
  QListWidgetItem* up = list.findItems(dir.path().filename().c_str(), Qt::MatchExactly).front();
  const QPoint at = list.visualItemRect(up).center();
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(folders.Path(), dir.path().string());
  EXPECT_EQ(changes, 2);

  // The folder that is open already: no change, so the sheet and its edits stay.
  QListWidgetItem* current = list.currentItem();
  ASSERT_EQ(current->text(), dir.path().filename().c_str());
  QTest::keyClick(&list, Qt::Key_Return);
  EXPECT_EQ(changes, 2);
}

TEST_F(QtListsTest, FileListListsMp3FilesAndRaisesOnlyOnPathChange) {
  FolderFileList files{quorvane::testing::systemFiles()};
  int changes = 0;
  files.setPathChangeHandler([&] { ++changes; });
  files.setPath(dir.path().string());
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(files.ListCount(), 2);
  EXPECT_EQ(files.List(0), "b.mp3");
  EXPECT_EQ(files.List(1), "song.MP3");
  EXPECT_EQ(files.List(2), "");
  writeFile(dir.file("c.mp3"), audio(10));
  files.Refresh();
  EXPECT_EQ(files.ListCount(), 3);
  EXPECT_EQ(changes, 1);
  files.setPath(dir.file("missing"));
  EXPECT_FALSE(files.readOk());
  EXPECT_EQ(files.ListCount(), 0);
}

TEST_F(QtListsTest, DriveListStartsAtTheCurrentFoldersDriveAndReportsPicks) {
  QtDriveList drives(stage, parent, quorvane::testing::systemFiles());
  EXPECT_EQ(drives.Drive(), fs::driveOf(fs::listDrives(), fs::currentFolder()));
  EXPECT_EQ(drives.comboBox().currentText().toStdString(), drives.Drive());
  int changes = 0;
  drives.setChangeHandler([&] { ++changes; });
  emit drives.comboBox().activated(drives.comboBox().currentIndex());  // the same drive again
  EXPECT_EQ(changes, 0);
  drives.comboBox().addItem(QString::fromStdString(dir.path().string()));
  emit drives.comboBox().activated(drives.comboBox().count() - 1);
  EXPECT_EQ(drives.Drive(), dir.path().string());
  EXPECT_EQ(changes, 1);
  // Put back without an event, the list shows the old drive again.
  drives.showDrive("/");
  EXPECT_EQ(drives.Drive(), "/");
  EXPECT_EQ(drives.comboBox().currentText(), "/");
  EXPECT_EQ(changes, 1);
}

TEST_F(QtListsTest, DriveListTurnsWithTheWheelOnlyWithTheFocus) {
  QtDriveList drives(stage, parent, quorvane::testing::systemFiles());
  drives.setLeft(5), drives.setTop(5), drives.setWidth(113), drives.setHeight(20);
  drives.comboBox().addItem(QString::fromStdString(dir.path().string()));
  drives.comboBox().setCurrentIndex(0);
  const std::string before = drives.Drive();
  int changes = 0;
  drives.setChangeHandler([&] { ++changes; });
  QLineEdit elsewhere(&parent);
  elsewhere.setFocus();
  turnWheel(drives.comboBox(), 1);
  EXPECT_EQ(drives.comboBox().currentIndex(), 0);
  EXPECT_EQ(drives.Drive(), before);
  EXPECT_EQ(changes, 0);
  drives.comboBox().setFocus();
  turnWheel(drives.comboBox(), 1);
  EXPECT_EQ(drives.comboBox().currentIndex(), 1);
}

// ---- message boxes and the window ----

MessageBoxRequest yesNo(MessageAnswer defaultButton) {
  return {"保存します。\r\n二行目", "Quorvane", MessageButtons::YesNo, defaultButton,
          MessageIcon::Question};
}

TEST_F(QtControlsTest, MessageBoxShowsJapaneseButtonsAndTheRequest) {
  QtMessageBoxes boxes(parent);
  NextMessageBox next([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); });
  EXPECT_EQ(boxes.show(yesNo(MessageAnswer::Yes)), MessageAnswer::Yes);
  ASSERT_TRUE(next.seen());
  EXPECT_EQ(next.box().title, "Quorvane");
  EXPECT_EQ(next.box().text, "保存します。\n二行目");
  EXPECT_EQ(next.box().icon, QMessageBox::Question);
  QStringList buttons = next.box().buttons;
  buttons.sort();
  EXPECT_EQ(buttons, (QStringList{"いいえ(&N)", "はい(&Y)"}));
  EXPECT_EQ(next.box().defaultButton, "はい(&Y)");
}

TEST_F(QtControlsTest, MessageBoxEnterPressesTheRequestedDefault) {
  QtMessageBoxes boxes(parent);
  NextMessageBox next([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); });
  EXPECT_EQ(boxes.show(yesNo(MessageAnswer::No)), MessageAnswer::No);
  EXPECT_EQ(next.box().defaultButton, "いいえ(&N)");
}

TEST_F(QtControlsTest, MessageBoxTakesYAndNKeys) {
  QtMessageBoxes boxes(parent);
  {
    NextMessageBox next([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_N); });
    EXPECT_EQ(boxes.show(yesNo(MessageAnswer::Yes)), MessageAnswer::No);
  }
  NextMessageBox next([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Y); });
  EXPECT_EQ(boxes.show(yesNo(MessageAnswer::No)), MessageAnswer::Yes);
}

TEST_F(QtControlsTest, MessageBoxOkWithExclamation) {
  QtMessageBoxes boxes(parent);
  NextMessageBox next([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); });
  const MessageBoxRequest request{"書き込めません", "Quorvane", MessageButtons::Ok,
                                  MessageAnswer::Ok, MessageIcon::Exclamation};
  EXPECT_EQ(boxes.show(request), MessageAnswer::Ok);
  EXPECT_EQ(next.box().buttons, QStringList{"OK"});
  EXPECT_EQ(next.box().icon, QMessageBox::Warning);
}

TEST_F(QtControlsTest, MessageBoxCopiesItselfOnCtrlC) {
  QtMessageBoxes boxes(parent);
  QGuiApplication::clipboard()->clear();
  NextMessageBox next([](QMessageBox& box) {
    // The box's own shortcut for the copy key: which window is active on the offscreen
    // platform depends on the tests before, so it is triggered here as the key would
    // (the window e2e presses the real key).
    auto* copy = box.findChild<QShortcut*>();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->key(), QKeySequence(QKeySequence::Copy));
    emit copy->activated();
    QTest::keyClick(&box, Qt::Key_Return);
  });
  EXPECT_EQ(boxes.show(yesNo(MessageAnswer::Yes)), MessageAnswer::Yes);
  EXPECT_EQ(QGuiApplication::clipboard()->text(),
            "---------------------------\nQuorvane\n---------------------------\n"
            "保存します。\n二行目\n---------------------------\nはい(Y)   いいえ(N)   \n"
            "---------------------------\n");
}

// A box that no NextMessageBox waits for fails the test at once, naming the box, and is
// answered with Escape (No for a question), so that the test goes on to its end.
TEST_F(QtControlsTest, AnUnexpectedMessageBoxFailsTheTestAtOnceWithWhatItSaid) {
  ASSERT_NE(UnexpectedBoxes::instance(), nullptr);
  const std::size_t before = UnexpectedBoxes::instance()->answered().size();
  QtMessageBoxes boxes(parent);
  const LastResort lastResort(3000);  // should nothing else answer: no hang here either
  QElapsedTimer clock;
  clock.start();
  const MessageBoxRequest question{"予期しない問い", "Quorvane  :書き込みエラー",
                                   MessageButtons::YesNo, MessageAnswer::Yes,
                                   MessageIcon::Question};
  MessageAnswer answer = MessageAnswer::Ok;
  EXPECT_NONFATAL_FAILURE(
      answer = boxes.show(question),
      "a message box that the test did not expect: \"Quorvane  :書き込みエラー\": 予期しない問い");
  EXPECT_FALSE(lastResort.fired()) << "nothing answered the box";
  EXPECT_LT(clock.elapsed(), 2000);
  EXPECT_EQ(answer, MessageAnswer::No);
  ASSERT_EQ(UnexpectedBoxes::instance()->answered().size(), before + 1);
  EXPECT_EQ(UnexpectedBoxes::instance()->answered().back().text, "予期しない問い");
  // An OK box is answered with its one button.
  const MessageBoxRequest warning{"書き込めません", "Quorvane", MessageButtons::Ok,
                                  MessageAnswer::Ok, MessageIcon::Exclamation};
  EXPECT_NONFATAL_FAILURE(answer = boxes.show(warning), "\"Quorvane\": 書き込めません");
  EXPECT_EQ(answer, MessageAnswer::Ok);
  EXPECT_FALSE(lastResort.fired()) << "nothing answered the box";
  // A box that a NextMessageBox waits for is its alone.
  NextMessageBox next([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Y); });
  EXPECT_EQ(boxes.show({"保存します。", "Quorvane", MessageButtons::YesNo, MessageAnswer::No,
                        MessageIcon::Question}),
            MessageAnswer::Yes);
  EXPECT_TRUE(next.seen());
  EXPECT_EQ(UnexpectedBoxes::instance()->answered().size(), before + 2);
}

TEST(QtFormWindowTest, BusyShowsTheWaitCursorUntilDone) {
  QtFormWindow window;
  window.setBusy(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  window.setBusy(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  window.setBusy(false);  // one too many: nothing to restore
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtFormWindowTest, CloseAsksTheFormAndEndProgramDoesNot) {
  QtFormWindow window;
  window.setCaption("Quorvane");
  window.resize(678, 441);
  int asked = 0;
  bool allow = false;
  window.setCloseHandler([&] {
    ++asked;
    return allow;
  });
  window.show();
  EXPECT_EQ(window.ScaleWidth(), 678.0f);
  EXPECT_EQ(window.ScaleHeight(), 441.0f);
  EXPECT_EQ(window.Caption(), "Quorvane");
  EXPECT_FALSE(window.close());
  EXPECT_TRUE(window.isVisible());
  window.endProgram();
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(window.ended());
  EXPECT_EQ(asked, 1);
}

TEST(QtFormWindowTest, ResizeEventsReachTheForm) {
  QtFormWindow window;
  std::vector<QSize> sizes;
  window.setResizeHandler([&] { sizes.push_back(window.size()); });
  window.resize(678, 441);
  EXPECT_TRUE(sizes.empty());  // not shown yet
  window.show();
  window.resize(700, 500);
  EXPECT_EQ(sizes, (std::vector<QSize>{QSize(678, 441), QSize(700, 500)}));
}

}  // namespace
