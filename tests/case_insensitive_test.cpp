// Renames whose new name may be the file itself. On a file system whose names ignore letter
// case (exFAT through FUSE, as on a music player's card) a change of case alone renames the
// file itself, through the file service and through the window's Save, and a name that another
// file holds in any case stays refused. Where names heed case, the same name in other letters
// is another file's, and a hard link is the file under another name: both stay refused. A
// file system that keeps names in a case of its own fails a change of case, saying so.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <map>

#include "os/posix/posix_file.h"
#include "tagcodec/tag_file.h"
#include "tests/sheet_fixture.h"

namespace {

using namespace quorvane;
using namespace quorvane::testing;

// The folder's names as the file system keeps them, sorted.
std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

// Runs tests/case_mount.sh with `arguments`; its output in `output`, its exit status returned.
int mountScript(const std::string& arguments, std::string& output) {
  const std::string line = "bash " QUORVANE_TESTS_DIR "/case_mount.sh " + arguments + " 2>&1";
  FILE* pipe = ::popen(line.c_str(), "r");
  if (!pipe) return -1;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  const int status = ::pclose(pipe);
  while (!output.empty() && output.back() == '\n') output.pop_back();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A folder on a file system of the given kind (see tests/case_mount.sh), mounted for the test.
class CaseMount : public ::testing::Test {
 protected:
  explicit CaseMount(const char* kind) : kind_(kind) {}
  void SetUp() override {
    const int status =
        mountScript(std::string("mount ") + kind_ + " '" + work.text() + "'", folder);
    if (status == 77) GTEST_SKIP() << folder;
    ASSERT_EQ(status, 0) << folder;
    // Without this the cases below would test nothing.
    writeFile(file("probe.mp3"), audio(10));
    ASSERT_TRUE(std::filesystem::exists(file("PROBE.MP3"))) << "names here heed letter case";
    std::filesystem::remove(file("probe.mp3"));
  }
  void TearDown() override {
    std::string output;
    EXPECT_EQ(mountScript("unmount '" + work.text() + "'", output), 0) << output;
  }
  std::string file(const std::string& name) const { return folder + "/" + name; }

  TempDir work;
  std::string folder;  // the mount point

 private:
  const char* kind_;
};

class ExfatFolder : public CaseMount {
 protected:
  ExfatFolder() : CaseMount("exfat") {}
};

// Names kept in lower case whatever they are given.
class LowerCaseFolder : public CaseMount {
 protected:
  LowerCaseFolder() : CaseMount("lower-case") {}
};

const std::string kCaseKept =
    "ファイル システムが名前の大文字と小文字を変えませんでした (ディスク上の名前: song.mp3)。";

TEST_F(LowerCaseFolder, ACaseOnlyRenameThatTheFileSystemIgnoresFails) {
  const Bytes song = audio(500);
  writeFile(file("song.mp3"), song);
  FileFailure failure;
  EXPECT_FALSE(systemFiles().renameNoReplace(file("song.mp3"), file("Song.mp3"), failure));
  EXPECT_EQ(failure.description, kCaseKept);
  EXPECT_EQ(namesIn(folder), std::vector<std::string>{"song.mp3"});
  EXPECT_EQ(readFile(file("song.mp3")), song);
}

TEST_F(LowerCaseFolder, SaveReportsTheNameItCouldNotGive) {
  SheetFixture s{{}};
  writeFile(file("song.mp3"), tagFor(TestFile{"song.mp3", "Old"}));
  ASSERT_TRUE(s.form.Dir1.setPath(folder));
  ASSERT_EQ(s.cell(1, colOrigName), "song.mp3");
  s.click(1, colFileName);
  s.form.EditText.setText("Song.mp3");
  s.key(kKeyReturn);

  s.form.cmdSave.click();

  const std::vector<MessageBoxRequest> boxes = s.form.messages.shown();
  ASSERT_EQ(boxes.size(), 2u) << "the question, and the failed rename";
  EXPECT_EQ(boxes[1].text,
            "ファイル名 :" + file("song.mp3") + "\r\n変更を保存できませんでした。\r\n" + kCaseKept);
  EXPECT_EQ(namesIn(folder), std::vector<std::string>{"song.mp3"});
  EXPECT_EQ(s.cell(1, colFileName), "Song.mp3") << "the row keeps its edit";
  EXPECT_EQ(s.cell(1, colState), kStateChanged);
  EXPECT_TRUE(s.window.blnChanged);
}

TEST_F(ExfatFolder, ACaseOnlyRenameRenamesTheFileItself) {
  const Bytes song = audio(500), other = audio(300);
  writeFile(file("song.mp3"), song);
  writeFile(file("b.mp3"), other);
  const char* steps[][2] = {
      {"song.mp3", "Song.mp3"}, {"Song.mp3", "SONG.MP3"}, {"SONG.MP3", "song.mp3"}};
  for (const auto& [from, to] : steps) {
    SCOPED_TRACE(std::string(from) + " -> " + to);
    FileFailure failure;
    EXPECT_TRUE(systemFiles().renameNoReplace(file(from), file(to), failure))
        << failure.description;
    EXPECT_EQ(namesIn(folder), sorted({to, "b.mp3"}))
        << "exactly the new name, no name of our own left behind";
    EXPECT_EQ(readFile(file(to)), song);
  }
  EXPECT_EQ(readFile(file("b.mp3")), other);
}

TEST_F(ExfatFolder, ARenameOntoAnotherFileIsRefusedInAnyLetterCase) {
  const Bytes a = audio(500), b = audio(300);
  writeFile(file("a.mp3"), a);
  writeFile(file("b.mp3"), b);
  for (const char* to : {"b.mp3", "B.mp3", "B.MP3"}) {
    SCOPED_TRACE(to);
    FileFailure failure;
    EXPECT_FALSE(systemFiles().renameNoReplace(file("a.mp3"), file(to), failure));
    EXPECT_EQ(failure.description, describeError(EEXIST));
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"a.mp3", "b.mp3"}));
    EXPECT_EQ(readFile(file("a.mp3")), a);
    EXPECT_EQ(readFile(file("b.mp3")), b);
  }
}

TEST_F(ExfatFolder, SaveRenamesCaseOnlyAndRefusesAnotherFilesName) {
  SheetFixture s{{}};
  const TestFile song{"song.mp3", "Old"}, c{"c.mp3", "Sea"};
  writeFile(file("song.mp3"), tagFor(song));
  writeFile(file("c.mp3"), tagFor(c));
  writeFile(file("b.mp3"), audio(300));
  ASSERT_TRUE(s.form.Dir1.setPath(folder));
  const auto rowOf = [&](const std::string& name) {
    for (int r = 1; r < s.grid().Rows(); ++r) {
      if (s.cell(r, colOrigName) == name) return r;
    }
    return -1;
  };
  const auto edit = [&](int row, int col, const std::string& text) {
    s.click(row, col);
    s.form.EditText.setText(text);
    s.key(kKeyReturn);
  };
  ASSERT_GT(rowOf("song.mp3"), 0);
  edit(rowOf("song.mp3"), colTitle, "New");
  edit(rowOf("song.mp3"), colFileName, "Song.mp3");
  edit(rowOf("c.mp3"), colFileName, "B.MP3");  // b.mp3's, in other letters

  s.form.cmdSave.click();

  const std::vector<MessageBoxRequest> boxes = s.form.messages.shown();
  ASSERT_EQ(boxes.size(), 2u) << "the question, and c.mp3's refusal";
  EXPECT_EQ(boxes[1].text, "ファイル名 :" + file("c.mp3") + "\r\n変更を保存できませんでした。\r\n" +
                               describeError(EEXIST));
  EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"Song.mp3", "b.mp3", "c.mp3"}));
  EXPECT_EQ(readFile(file("b.mp3")), audio(300));
  Module1::TagRecord record;
  ASSERT_TRUE(Module1::ReadTag(file("Song.mp3"), record, systemFiles()));
  EXPECT_EQ(record.Title, "New" + std::string(27, ' '));
  EXPECT_EQ(s.cell(rowOf("Song.mp3"), colState), kStateLoaded) << "the reload shows the new name";
  EXPECT_EQ(s.cell(rowOf("c.mp3"), colFileName), "B.MP3") << "the refused row keeps its edit";
  EXPECT_EQ(s.cell(rowOf("c.mp3"), colState), kStateChanged);
}

// A folder its user may write in but not read (run unprivileged too: root reads it anyway).
TEST(UnreadableFolder, ACaseOnlyRenameIsDone) {
  TempDir dir;
  writeFile(dir.file("song.mp3"), audio(100));
  std::filesystem::permissions(
      dir.path(), std::filesystem::perms::owner_write | std::filesystem::perms::owner_exec);
  FileFailure failure;
  const bool renamed =
      systemFiles().renameNoReplace(dir.file("song.mp3"), dir.file("Song.mp3"), failure);
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
  EXPECT_TRUE(renamed) << failure.description;
  EXPECT_EQ(dir.names(), std::vector<std::string>{"Song.mp3"});
}

struct HeedingCase {
  const char* what;
  std::vector<std::string> before;  // files made, in this order; "=x" links to the one before
  std::string from, to;
  bool renamed;
  std::vector<std::string> after;  // the folder's names afterwards
};

class WhereNamesHeedCase : public ::testing::TestWithParam<HeedingCase> {};

TEST_P(WhereNamesHeedCase, RenamesTheFileOrRefusesWithBothFilesKept) {
  const HeedingCase& c = GetParam();
  TempDir dir;
  std::map<std::string, Bytes> contents;
  for (std::size_t i = 0; i < c.before.size(); ++i) {
    const std::string& name = c.before[i];
    if (name[0] == '=') {
      std::filesystem::create_hard_link(dir.file(c.before[i - 1]), dir.file(name.substr(1)));
      contents[name.substr(1)] = contents[c.before[i - 1]];
    } else {
      contents[name] = audio(100 + i);
      writeFile(dir.file(name), contents[name]);
    }
  }
  FileFailure failure;
  EXPECT_EQ(systemFiles().renameNoReplace(dir.file(c.from), dir.file(c.to), failure), c.renamed);
  EXPECT_EQ(failure.description, c.renamed ? "" : describeError(EEXIST));
  EXPECT_EQ(dir.names(), sorted(c.after));
  for (const auto& [name, bytes] : contents) {
    const std::string now = c.renamed && name == c.from ? c.to : name;
    EXPECT_EQ(readFile(dir.file(now)), bytes) << now;
  }
}

const std::string kLong = std::string(240, 'x') + ".mp3";  // no room for a suffix of ours
std::string upper(std::string name) {
  for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WhereNamesHeedCase,
    ::testing::Values(
        HeedingCase{"case only", {"song.mp3"}, "song.mp3", "Song.mp3", true, {"Song.mp3"}},
        HeedingCase{"another file in other letters",
                    {"song.mp3", "Song.mp3"},
                    "song.mp3",
                    "Song.mp3",
                    false,
                    {"Song.mp3", "song.mp3"}},
        HeedingCase{
            "a hard link", {"a.mp3", "=b.mp3"}, "a.mp3", "b.mp3", false, {"a.mp3", "b.mp3"}},
        HeedingCase{"a hard link in other letters",
                    {"a.mp3", "=A.mp3"},
                    "a.mp3",
                    "A.mp3",
                    false,
                    {"A.mp3", "a.mp3"}},
        HeedingCase{
            "a name too long for our suffix", {kLong}, kLong, upper(kLong), true, {upper(kLong)}},
        HeedingCase{"our name left by a stopped rename",
                    {"song.mp3", "Song.mp3.quorvane-rename"},
                    "song.mp3",
                    "Song.mp3",
                    true,
                    {"Song.mp3", "Song.mp3.quorvane-rename"}}),
    caseName<HeedingCase>);

}  // namespace
