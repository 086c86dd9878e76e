// A drive or folder change replaces the sheet: with unsaved edits it asks first, and
// "No" leaves the sheet, the editor and both lists as they were.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "tests/sheet_fixture.h"

namespace {

using namespace quorvane;
using namespace quorvane::testing;

const std::vector<TestFile> kFiles = {{"a.mp3", "Alpha", 17}, {"b.mp3", "Beta", 0}};
constexpr const char* kQuestion = "内容が保存されていません。保存せずにフォルダを切り替えますか？";
constexpr const char* kReloadQuestion = "内容が保存されていません。保存せずに読み直しますか？";

enum class Edits { None, Committed, OpenEditor, OpenEditorUnchanged };
enum class Change { PickDrive, OpenFolder };

struct FolderChangeCase {
  const char* what;
  Edits edits;
  Change change;
  MessageAnswer answer;
};

class FolderChange : public ::testing::TestWithParam<FolderChangeCase> {
 protected:
  FolderChange() {
    std::filesystem::create_directory(s.dir.path() / "other");
    writeFile(s.dir.file("other/z.mp3"), audio(300));
  }
  std::string other() const { return (s.dir.path() / "other").string(); }

  SheetFixture s{kFiles};
};

TEST_P(FolderChange, AsksOnlyWithUnsavedEditsAndNoKeepsEverything) {
  const FolderChangeCase& c = GetParam();
  const std::string drive = s.form.Drive1.Drive();
  switch (c.edits) {
    case Edits::None:
      break;
    case Edits::Committed:
      s.click(1, colTitle);
      s.form.EditText.setText("Typed");
      s.key(kKeyReturn);  // stored; the editor is over (1, artist)
      break;
    case Edits::OpenEditor:
      s.click(1, colArtist);
      s.form.EditText.setText("Typed");
      break;
    case Edits::OpenEditorUnchanged:
      s.click(1, colArtist);
      break;
  }
  const bool unsaved = c.edits == Edits::Committed || c.edits == Edits::OpenEditor;
  const std::string editorText = s.form.EditText.Text();
  s.form.messages.queueAnswer(c.answer);

  if (c.change == Change::PickDrive) {
    s.form.Drive1.pick(other());
  } else {
    s.form.Dir1.setPath(other());
  }

  const auto& shown = s.form.messages.shown();
  if (!unsaved) {
    EXPECT_TRUE(shown.empty());
  } else {
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, kQuestion);
    EXPECT_EQ(shown[0].title, "Quorvane");
    EXPECT_EQ(shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(shown[0].defaultButton, MessageAnswer::No);
    EXPECT_EQ(shown[0].icon, MessageIcon::Question);
  }

  if (!unsaved || c.answer == MessageAnswer::Yes) {
    EXPECT_EQ(s.form.File1.Path(), other());
    EXPECT_EQ(s.form.Dir1.Path(), other());
    ASSERT_EQ(s.grid().Rows(), 2);
    EXPECT_EQ(s.cell(1, colFileName), "z.mp3");
    EXPECT_FALSE(s.window.blnChanged);
    return;
  }
  // No: the same sheet, the same editor, the lists back on the sheet's folder.
  EXPECT_EQ(s.form.File1.Path(), s.dir.path().string());
  EXPECT_EQ(s.form.Dir1.Path(), s.dir.path().string());
  EXPECT_EQ(s.form.Drive1.Drive(), drive);
  ASSERT_EQ(s.grid().Rows(), 3);
  EXPECT_TRUE(s.form.EditText.Visible());
  EXPECT_EQ(s.form.EditText.Text(), editorText);
  EXPECT_EQ(s.window.lngPrevRow, 1);
  EXPECT_EQ(s.window.lngPrevCol, colArtist);
  EXPECT_EQ(s.cell(1, colState), c.edits == Edits::Committed ? kStateChanged : kStateLoaded);
  EXPECT_EQ(s.window.blnChanged, c.edits == Edits::Committed);
  // The editor goes on working where it was.
  s.form.EditText.setText("After");
  s.key(kKeyReturn);
  EXPECT_EQ(s.cell(1, colArtist), "After");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderChange,
    ::testing::Values(
        FolderChangeCase{"no_edits_drive", Edits::None, Change::PickDrive, MessageAnswer::No},
        FolderChangeCase{"no_edits_folder", Edits::None, Change::OpenFolder, MessageAnswer::No},
        FolderChangeCase{"unchanged_editor", Edits::OpenEditorUnchanged, Change::OpenFolder,
                         MessageAnswer::No},
        FolderChangeCase{"edits_drive_yes", Edits::Committed, Change::PickDrive,
                         MessageAnswer::Yes},
        FolderChangeCase{"edits_drive_no", Edits::Committed, Change::PickDrive, MessageAnswer::No},
        FolderChangeCase{"edits_folder_yes", Edits::Committed, Change::OpenFolder,
                         MessageAnswer::Yes},
        FolderChangeCase{"edits_folder_no", Edits::Committed, Change::OpenFolder,
                         MessageAnswer::No},
        FolderChangeCase{"open_editor_folder_no", Edits::OpenEditor, Change::OpenFolder,
                         MessageAnswer::No},
        FolderChangeCase{"open_editor_drive_yes", Edits::OpenEditor, Change::PickDrive,
                         MessageAnswer::Yes}),
    caseName<FolderChangeCase>);

// ---- a sheet from another drive than the one the program started on ----

#ifndef _WIN32  // folders stand for drives here; on Windows drives are letters
// Three temporary folders standing for three drives; the program starts on the first.
class ThreeDrives : public PosixFileService {
 public:
  explicit ThreeDrives(std::vector<std::string> drives) : drives_(std::move(drives)) {}
  std::vector<std::string> listDrives() override { return drives_; }
  std::string currentFolder() override { return drives_.front(); }

 private:
  std::vector<std::string> drives_;
};

enum class DriveStep { PickDrive, OpenFolder };

struct DriveCase {
  const char* what;
  DriveStep step;
  int target;  // the drive picked, or the drive whose folder is opened: 0 start, 2 a third
  MessageAnswer answer;
};

class SheetFromAnotherDrive : public ::testing::TestWithParam<DriveCase> {
 protected:
  SheetFromAnotherDrive() {
    for (int i = 0; i < 3; ++i) {
      const std::string n = std::to_string(i);
      drives.push_back(root.file("drive" + n));
      std::filesystem::create_directories(pathOf(drives.back() + "/folder"));
      writeFile(drives.back() + "/on" + n + ".mp3", tagFor({"x.mp3", "X"}));
      writeFile(drives.back() + "/folder/in" + n + ".mp3", audio(300));
    }
    files = std::make_unique<ThreeDrives>(drives);
    form = std::make_unique<HeadlessForm>(*files);
    window = std::make_unique<MainWindow>(form->controls());
    window->Form_Load();
    window->Form_Resize();
  }
  FlexGrid& grid() { return window->MSFlexGrid1(); }
  void editTitle(const std::string& text) {
    grid().setRow(1);
    grid().setCol(colTitle);
    window->MSFlexGrid1_Click();
    form->EditText.setText(text);
    form->EditText.pressKey(kKeyReturn);
  }

  TempDir root;
  std::vector<std::string> drives;
  std::unique_ptr<ThreeDrives> files;
  std::unique_ptr<HeadlessForm> form;
  std::unique_ptr<MainWindow> window;
};

// The sheet came from the second drive: whatever drive or folder the user turns to, "No"
// shows the sheet's drive and folder again, neither the drive picked nor the one the
// program started on; "Yes" loads the new one, whose drive the next "No" shows again.
TEST_P(SheetFromAnotherDrive, NoShowsTheSheetsDriveAgain) {
  const DriveCase& c = GetParam();
  ASSERT_EQ(form->Drive1.Drive(), drives[0]);
  form->Drive1.pick(drives[1]);
  ASSERT_EQ(form->File1.Path(), drives[1]);
  ASSERT_EQ(grid().TextMatrix(1, colFileName), "on1.mp3");
  editTitle("Typed");  // so that the change asks first
  ASSERT_TRUE(window->blnChanged);

  form->messages.queueAnswer(c.answer);
  const std::string target = drives[static_cast<std::size_t>(c.target)];
  if (c.step == DriveStep::PickDrive) {
    form->Drive1.pick(target);
  } else {
    form->Dir1.setPath(target + "/folder");
  }
  ASSERT_EQ(form->messages.shown().size(), 1u);

  if (c.answer == MessageAnswer::No) {
    EXPECT_EQ(form->Drive1.Drive(), drives[1]);
    EXPECT_EQ(form->Dir1.Path(), drives[1]);
    EXPECT_EQ(form->File1.Path(), drives[1]);
    EXPECT_EQ(grid().TextMatrix(1, colTitle), "Typed");
    return;
  }
  const std::string loaded = c.step == DriveStep::PickDrive ? target : target + "/folder";
  ASSERT_EQ(form->File1.Path(), loaded);
  EXPECT_FALSE(window->blnChanged);
  EXPECT_EQ(form->Drive1.Drive(), target);
  // Another change answered No comes back to the new sheet's drive.
  editTitle("Typed again");
  form->messages.queueAnswer(MessageAnswer::No);
  form->Drive1.pick(drives[1]);
  EXPECT_EQ(form->Drive1.Drive(), target);
  EXPECT_EQ(form->File1.Path(), loaded);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SheetFromAnotherDrive,
    ::testing::Values(
        DriveCase{"pick_a_third_drive_no", DriveStep::PickDrive, 2, MessageAnswer::No},
        DriveCase{"pick_the_start_drive_no", DriveStep::PickDrive, 0, MessageAnswer::No},
        DriveCase{"open_a_folder_of_a_third_drive_no", DriveStep::OpenFolder, 2, MessageAnswer::No},
        DriveCase{"open_a_folder_of_the_start_drive_no", DriveStep::OpenFolder, 0,
                  MessageAnswer::No},
        DriveCase{"pick_a_third_drive_yes", DriveStep::PickDrive, 2, MessageAnswer::Yes},
        DriveCase{"pick_the_start_drive_yes", DriveStep::PickDrive, 0, MessageAnswer::Yes}),
    caseName<DriveCase>);
#endif

// ---- F5 and dropped paths ----

TEST(ReloadFolder, ReadsTheFolderAgainAndAsksFirstWithUnsavedEdits) {
  SheetFixture s{kFiles};
  writeFile(s.dir.file("c.mp3"), audio(100));  // arrives after the load
  s.window.ReloadFolder();
  ASSERT_EQ(s.grid().Rows(), 4);
  EXPECT_TRUE(s.form.messages.shown().empty());
  s.click(1, colTitle);
  s.form.EditText.setText("Typed");
  s.key(kKeyReturn);
  s.form.messages.queueAnswer(MessageAnswer::No);
  s.window.ReloadFolder();
  ASSERT_EQ(s.form.messages.shown().size(), 1u);
  const MessageBoxRequest& box = s.form.messages.shown()[0];
  EXPECT_EQ(box.text, kReloadQuestion) << "F5 asks its own question";
  EXPECT_EQ(box.title, "Quorvane");
  EXPECT_EQ(box.buttons, MessageButtons::YesNo);
  EXPECT_EQ(box.defaultButton, MessageAnswer::No);
  EXPECT_EQ(box.icon, MessageIcon::Question);
  EXPECT_EQ(s.cell(1, colTitle), "Typed");
  s.form.messages.queueAnswer(MessageAnswer::Yes);
  s.window.ReloadFolder();
  EXPECT_EQ(s.cell(1, colTitle), "Alpha");
  EXPECT_FALSE(s.window.blnChanged);
}

struct DropCase {
  const char* what;
  std::string path;  // under the fixture's folder
  bool taken;
  std::string opens;  // the folder that opens, under the fixture's folder
};

class DroppedPath : public ::testing::TestWithParam<DropCase> {};

TEST_P(DroppedPath, OpensFoldersAndTheFoldersOfMp3Files) {
  const DropCase& c = GetParam();
  SheetFixture s{kFiles};
  std::filesystem::create_directories(s.dir.path() / "other" / "deeper");
  writeFile(s.dir.file("other/z.MP3"), audio(300));
  writeFile(s.dir.file("other/notes.txt"), audio(10));
  const std::string before = s.form.Dir1.Path();
  EXPECT_EQ(s.window.OpenDroppedPath(s.dir.file(c.path)), c.taken);
  // The folder as the system writes it ("other\\deeper" on Windows).
  const std::string expected =
      c.taken ? textOf((s.dir.path() / pathOf(c.opens)).make_preferred().lexically_normal()) : before;
  EXPECT_EQ(s.form.Dir1.Path(), expected);
  EXPECT_EQ(s.form.File1.Path(), expected);
}

INSTANTIATE_TEST_SUITE_P(Paths, DroppedPath,
                         ::testing::Values(DropCase{"folder", "other", true, "other"},
                                           DropCase{"mp3_file", "other/z.MP3", true, "other"},
                                           DropCase{"deeper_folder", "other/deeper", true,
                                                    "other/deeper"},
                                           DropCase{"text_file", "other/notes.txt", false, ""},
                                           DropCase{"missing_mp3", "other/gone.mp3", true, "other"},
                                           DropCase{"missing_folder", "nowhere/x.mp3", false, ""}),
                         caseName<DropCase>);

TEST(DroppedPath, AnMp3FilesRowBecomesCurrentScrolledIntoViewWithItsTitleOpen) {
  std::vector<TestFile> files;
  for (int i = 0; i < 40; ++i) files.push_back({"f" + std::to_string(100 + i) + ".mp3", "T"});
  SheetFixture s{{}};
  std::filesystem::create_directory(s.dir.path() / "album");
  for (const TestFile& f : files) writeFile(s.dir.file("album/" + f.name), tagFor(f));
  ASSERT_TRUE(s.window.OpenDroppedPath(s.dir.file("album/f135.mp3")));
  const int row = s.rowOf("f135.mp3");
  ASSERT_EQ(row, 36);
  EXPECT_EQ(s.grid().Row(), row);
  EXPECT_EQ(s.grid().Col(), colTitle);
  EXPECT_TRUE(s.grid().RowIsVisible(row)) << "scrolled into view";
  EXPECT_GT(s.grid().TopRow(), 1);
  EXPECT_TRUE(s.form.EditText.Visible());
  EXPECT_TRUE(s.form.EditText.hasFocus());
  EXPECT_EQ(s.form.EditText.Text(), "T");
  EXPECT_EQ(s.window.lngPrevRow, row);
  EXPECT_EQ(s.form.Label1.Caption(), "f135.mp3");
  EXPECT_EQ(s.form.StatusBar1.PanelText(1), "f135.mp3");
  EXPECT_FALSE(s.window.hasUnsavedEdits());
}

#ifdef _WIN32
TEST(DroppedPath, AnMp3FileNamedInAnotherCaseFindsItsRow) {
  SheetFixture s{kFiles};
  ASSERT_TRUE(s.window.OpenDroppedPath(s.dir.file("B.MP3")));
  EXPECT_EQ(s.grid().Row(), s.rowOf("b.mp3"));
  EXPECT_TRUE(s.form.EditText.Visible());
}
#endif

TEST(DroppedPath, AnMp3FileNotListedOpensItsFolderWithoutAnEditor) {
  SheetFixture s{kFiles};
  ASSERT_TRUE(s.window.OpenDroppedPath(s.dir.file("gone.mp3")));
  EXPECT_EQ(s.grid().Rows(), 3);
  EXPECT_FALSE(s.form.EditText.Visible());
  EXPECT_EQ(s.window.lngPrevRow, 0);
}

TEST(DroppedPathWithEdits, AnMp3FileAnsweredNoLeavesTheSheetAndItsEditorAlone) {
  SheetFixture s{kFiles};
  s.click(1, colArtist);
  s.form.EditText.setText("Typed");  // waiting in the open editor
  s.form.messages.queueAnswer(MessageAnswer::No);
  EXPECT_TRUE(s.window.OpenDroppedPath(s.dir.file("b.mp3")));
  ASSERT_EQ(s.form.messages.shown().size(), 1u);
  EXPECT_EQ(s.window.lngPrevRow, 1) << "no click on b.mp3's row stored the text elsewhere";
  EXPECT_EQ(s.window.lngPrevCol, colArtist);
  EXPECT_EQ(s.form.EditText.Text(), "Typed");
  EXPECT_EQ(s.cell(1, colArtist), "");
  EXPECT_FALSE(s.window.blnChanged);
}

TEST(DroppedPathWithEdits, AsksLikeAFolderChange) {
  SheetFixture s{kFiles};
  std::filesystem::create_directory(s.dir.path() / "other");
  s.click(1, colTitle);
  s.form.EditText.setText("Typed");
  s.key(kKeyReturn);
  s.form.messages.queueAnswer(MessageAnswer::No);
  EXPECT_TRUE(s.window.OpenDroppedPath(s.dir.file("other")));
  ASSERT_EQ(s.form.messages.shown().size(), 1u);
  EXPECT_EQ(s.form.Dir1.Path(), s.dir.path().string());
  EXPECT_EQ(s.cell(1, colTitle), "Typed");
}

// ---- what the status bar says about a load ----

#ifndef _WIN32  // Windows names hold no tabs or line breaks
TEST(LoadNotice, FilesLeftOutAreCountedAndNamedWhileNoBytesAreCounted) {
  SheetFixture s{{{"a.mp3", "Alpha", 17}}};
  writeFile(s.dir.file("tab\tname.mp3"), audio(300));
  writeFile(s.dir.file("line\nbreak.mp3"), audio(300));
  s.form.Dir1.setPath(s.dir.path().string());  // no edits: reloads without a question
  EXPECT_EQ(s.form.StatusBar1.PanelText(2), "表示できないファイル 2 件");
  EXPECT_TRUE(s.form.StatusBar1.panelWarning(2));
  const std::string names = s.form.StatusBar1.panelToolTip(2);
  EXPECT_NE(names.find("\nline\\nbreak.mp3"), std::string::npos) << names;
  EXPECT_NE(names.find("\ntab\\tname.mp3"), std::string::npos) << names;
  // A tag cell's editor counts its bytes there; the notice comes back after it.
  s.click(1, colTitle);
  EXPECT_EQ(s.form.StatusBar1.PanelText(2), "5/30 バイト");
  EXPECT_EQ(s.form.StatusBar1.panelToolTip(2), "");
  s.click(1, colFileName);
  EXPECT_EQ(s.form.StatusBar1.PanelText(2), "表示できないファイル 2 件");
}
#endif

TEST(LoadNotice, AFolderThatCannotBeListedSaysWhy) {
  SheetFixture s{{{"a.mp3", "Alpha", 17}}};
  s.form.File1.setPath(s.dir.file("gone"));
  EXPECT_EQ(s.grid().Rows(), 1);
  // The system's own words for the reason follow.
  const std::string notice = s.form.StatusBar1.PanelText(2);
  EXPECT_TRUE(notice.starts_with("フォルダを読めません: ")) << notice;
  EXPECT_GT(notice.size(), std::string("フォルダを読めません: ").size()) << notice;
  EXPECT_EQ(s.form.StatusBar1.panelToolTip(2), s.dir.file("gone"));
  s.form.File1.setPath(s.dir.path().string());
  EXPECT_EQ(s.form.StatusBar1.PanelText(2), "");
  EXPECT_FALSE(s.form.StatusBar1.panelWarning(2));
}

}  // namespace
