// Files, folders and names on Windows, on real temporary files (under Wine here).
#include "os/win32/win32_file_service.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "cli/sheet_text.h"
#include "commands/save_rows.h"
#include "os/win32/wtf8.h"
#include "sheet/flex_grid.h"
#include "sheet/sheet_columns.h"
#include "tagcodec/tag_file.h"
#include "tests/test_support.h"
#include "ui/headless/headless_message_boxes.h"

namespace {

using namespace quorvane;
using namespace quorvane::testing;

struct NameCase {
  const char* what;
  std::wstring wide;
  std::string text;
};

class Wtf8Names : public ::testing::TestWithParam<NameCase> {};

TEST_P(Wtf8Names, RoundTripEveryUtf16Name) {
  EXPECT_EQ(textFromWide(GetParam().wide), GetParam().text);
  EXPECT_EQ(wideFromText(GetParam().text), GetParam().wide);
}

INSTANTIATE_TEST_SUITE_P(
    Names, Wtf8Names,
    ::testing::Values(NameCase{"ascii", L"a.mp3", "a.mp3"},
                      NameCase{"japanese", L"\x66F2 \x540D.mp3", "曲 名.mp3"},
                      NameCase{"pair", L"\xD83C\xDFB5.mp3", "\xF0\x9F\x8E\xB5.mp3"},
                      NameCase{"lone_high", L"a\xD800.mp3", "a\xED\xA0\x80.mp3"},
                      NameCase{"lone_low", L"\xDC00", "\xED\xB0\x80"},
                      NameCase{"low_then_high", L"\xDC00\xD800", "\xED\xB0\x80\xED\xA0\x80"}),
    caseName<NameCase>);

TEST(Wtf8, TextThatIsNotWtf8BecomesReplacementCharacters) {
  EXPECT_EQ(wideFromText("a\xFF"), L"a\xFFFD");
  // A pair written as two lone surrogates would read back as the pair's character.
  EXPECT_EQ(wideFromText("\xED\xA0\x80\xED\xB0\x80"), L"\xD800\xFFFD");
}

class Win32Files : public ::testing::Test {
 protected:
  TempDir dir;
  Win32FileService files;
};

TEST_F(Win32Files, RenameNeverReplacesAFileButChangesLetterCase) {
  writeFile(dir.file("a.mp3"), audio(10));
  writeFile(dir.file("b.mp3"), audio(20));
  FileFailure failure;
  EXPECT_FALSE(files.renameNoReplace(dir.file("a.mp3"), dir.file("b.mp3"), failure));
  EXPECT_FALSE(failure.description.empty());
  EXPECT_EQ(readFile(dir.file("b.mp3")), audio(20));
  EXPECT_EQ(readFile(dir.file("a.mp3")), audio(10));
  EXPECT_TRUE(files.renameNoReplace(dir.file("a.mp3"), dir.file("A.MP3"), failure));
  EXPECT_EQ(files.listMp3Files(dir.text()).names, (std::vector<std::string>{"A.MP3", "b.mp3"}));
}

TEST_F(Win32Files, AReadOnlyFileIsNeverWritten) {
  writeFile(dir.file("a.mp3"), audio(300));
  makeReadOnly(dir.file("a.mp3"));
  HeadlessMessageBoxes boxes;
  Module1::TagRecord record;
  record.Title = "New";
  EXPECT_EQ(Module1::WriteTag(dir.file("a.mp3"), record, "", boxes, files),
            Module1::WriteOutcome::NotWritten);
  EXPECT_EQ(readFile(dir.file("a.mp3")), audio(300));
  ASSERT_EQ(boxes.shown().size(), 1u);
}

TEST_F(Win32Files, FoldersAreNoFilesAndListingsLeaveThemOut) {
  std::filesystem::create_directory(pathOf(dir.file("folder.mp3")));
  writeFile(dir.file("song.Mp3"), concat(audio(100), rawTag(bytesOf("T"))));
  writeFile(dir.file("notes.txt"), audio(10));
  FileFailure failure;
  EXPECT_EQ(files.openToRead(dir.file("folder.mp3"), failure), nullptr);
  EXPECT_TRUE(failure.notRegularFile);
  EXPECT_EQ(files.listMp3Files(dir.text()).names, (std::vector<std::string>{"song.Mp3"}));
  EXPECT_EQ(files.listSubfolders(dir.text()), (std::vector<std::string>{"folder.mp3"}));
  Module1::TagRecord record;
  EXPECT_TRUE(Module1::ReadTag(dir.file("song.Mp3"), record, files));
}

TEST_F(Win32Files, JapaneseAndUnpairedSurrogateNamesAreListedWrittenAndRenamed) {
  const std::string japanese = "曲 名.mp3";
  writeFile(dir.file(japanese), audio(300));
  HeadlessMessageBoxes boxes;
  Module1::TagRecord record;
  record.Title = "T";
  EXPECT_EQ(Module1::WriteTag(dir.file(japanese), record, dir.file("新しい.mp3"), boxes, files),
            Module1::WriteOutcome::Written);
  EXPECT_EQ(files.listMp3Files(dir.text()).names, (std::vector<std::string>{"新しい.mp3"}));
  // A name only UTF-16 can hold: it comes back as it was written, where the file system
  // keeps it.
  const std::string lone = textFromWide(L"x\xD800.mp3");
  const HANDLE file = CreateFileW(wideFromText(dir.file(lone)).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) GTEST_SKIP() << "this file system refuses such a name";
  CloseHandle(file);
  const std::vector<std::string> names = files.listMp3Files(dir.text()).names;
  EXPECT_NE(std::find(names.begin(), names.end(), lone), names.end());
}

TEST(Win32Names, APlainNameNeverLeadsOutOfItsFolder) {
  const Win32FileService files;
  for (const char* name : {"a.mp3", "..a.mp3", "曲.mp3", "a b.mp3"}) {
    EXPECT_TRUE(files.isPlainName(name)) << name;
  }
  for (const char* name : {"", ".", "..", "..\\outside.mp3", "\\x.mp3", "sub/x.mp3", "C:x.mp3",
                           "a.mp3:stream", "D:\\"}) {
    EXPECT_FALSE(files.isPlainName(name)) << name;
  }
}

// What list prints of a name that holds a lone surrogate, apply reads back to the same
// file, and Save writes it.
TEST_F(Win32Files, ANameOnlyUtf16CanHoldRoundTripsThroughTheSheetText) {
  const std::string lone = textFromWide(L"y\xDC01.mp3");
  const HANDLE file = CreateFileW(wideFromText(dir.file(lone)).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) GTEST_SKIP() << "this file system refuses such a name";
  CloseHandle(file);
  writeFile(dir.file(lone), audio(300));
  const std::vector<std::string> listed = files.listMp3Files(dir.text()).names;
  ASSERT_NE(std::find(listed.begin(), listed.end(), lone), listed.end());

  std::string row;
  for (const std::string& cell :
       {lone, std::string("New"), std::string(), std::string(), std::string(), std::string(),
        std::string("Blues"), lone, std::string("2"), std::string("0")}) {
    if (!row.empty()) row += '\t';
    appendCell(row, cell);
  }
  const SheetText sheet =
      parseSheetText(row, {}, [this](std::string_view name) { return files.isPlainName(name); });
  ASSERT_TRUE(sheet.errors.empty()) << sheet.errors.front();
  FlexGrid grid;
  grid.setCols(kSheetCols);
  const std::vector<std::string_view> cells(sheet.rows[0].cells.begin(), sheet.rows[0].cells.end());
  grid.AddItemCells(cells);
  HeadlessMessageBoxes boxes;
  const std::vector<SavedRow> saved = saveChangedRows(grid, dir.text(), boxes, files);
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_TRUE(saved[0].record.written) << saved[0].record.failure;
  Module1::TagRecord tag;
  ASSERT_TRUE(Module1::ReadTag(dir.file(lone), tag, files));
  EXPECT_EQ(tag.Title, "New" + std::string(27, ' '));
}

TEST_F(Win32Files, DrivesAndFolders) {
  const std::vector<std::string> drives = files.listDrives();
  ASSERT_FALSE(drives.empty());
  for (const std::string& drive : drives) {
    EXPECT_EQ(drive.size(), 3u) << drive;
    EXPECT_EQ(drive.substr(1), ":\\") << drive;
  }
  const std::string here = files.currentFolder();
  EXPECT_EQ(files.driveOf(drives, here).substr(0, 2), here.substr(0, 2));
  // A bare drive stands for its own current folder.
  EXPECT_EQ(files.normalizeFolder(here.substr(0, 2)), here);
  EXPECT_EQ(files.ancestorsOf("C:\\a\\b"), (std::vector<std::string>{"C:\\", "C:\\a", "C:\\a\\b"}));
  EXPECT_EQ(files.folderName("C:\\"), "C:\\");
  EXPECT_EQ(files.folderName("C:\\a\\b"), "b");
  EXPECT_EQ(files.normalizeFolder("C:\\a\\b\\..\\c\\"), "C:\\a\\c");
  EXPECT_EQ(files.joinPath("C:\\", "x.mp3"), "C:\\\\x.mp3");
  EXPECT_TRUE(files.isFolder(dir.text()));
}

}  // namespace
