// The headless window on folders that try to break it: odd and non-UTF-8 names, names
// differing only in case, links, a FIFO and a socket, files that vanish, turn into folders,
// links or FIFOs between load and Save, and 5 GiB sparse files. Nothing may hang or crash,
// every failure is a box, and no file but the ones being written changes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "os/posix/file_names.h"
#include "tagcodec/tag_file.h"
#include "tagcodec/utf8.h"
#include "tests/sheet_fixture.h"

namespace {

using namespace quorvane;
using namespace quorvane::testing;
namespace fs = std::filesystem;

constexpr const char* kWriteErrorTitle = "Quorvane  :書き込みエラー";

// What a folder holds, entry by entry (names as bytes): kind, and a hash of the contents or
// the link target.
std::map<std::string, std::string> snapshot(const fs::path& root) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string name = fs::relative(entry.path(), root).string();
    const auto status = entry.symlink_status();
    if (fs::is_symlink(status)) {
      entries[name] = "link " + fs::read_symlink(entry.path()).string();
    } else if (fs::is_regular_file(status)) {
      const Bytes bytes = readFile(entry.path().string());
      const std::string contents(bytes.begin(), bytes.end());
      entries[name] = "file of " + std::to_string(bytes.size()) + " bytes, hash " +
                      std::to_string(std::hash<std::string>{}(contents));
    } else if (fs::is_directory(status)) {
      entries[name] = "folder";
    } else {
      entries[name] = "other";
    }
  }
  return entries;
}

// The snapshot of what lies outside the folder `inside` (relative to the snapshot's root).
std::map<std::string, std::string> outside(std::map<std::string, std::string> entries,
                                           const std::string& inside) {
  std::erase_if(entries, [&](const auto& entry) {
    return entry.first == inside || entry.first.starts_with(inside + "/");
  });
  return entries;
}

// The snapshot without the entries that were meant to change.
std::map<std::string, std::string> without(std::map<std::string, std::string> entries,
                                           const std::set<std::string>& names) {
  for (const auto& name : names) entries.erase(name);
  return entries;
}

std::string titleOf(const std::string& path) {
  Module1::TagRecord record;
  if (!Module1::ReadTag(path, record, quorvane::testing::systemFiles())) return "(no tag)";
  const auto end = record.Title.find_last_not_of(' ');
  return record.Title.substr(0, end == std::string::npos ? 0 : end + 1);
}

// The escape character that stands for `byte` in text made from a name.
std::string escapeOf(std::uint8_t byte) {
  std::string out;
  utf8::appendEscape(out, byte);
  return out;
}

// A headless window, started as at start-up, and a temporary folder with "music" in it.
class HostileWindowTest : public ::testing::Test {
 protected:
  HostileWindowTest() : window(form.controls()) {
    fs::create_directory(music());
    window.Form_Load();
    window.Form_Resize();
  }

  fs::path music() const { return dir.path() / "music"; }
  std::string inMusic(const std::string& name) const { return (music() / name).string(); }
  void addMp3(const std::string& name, const std::string& title) {
    writeFile(inMusic(name), tagFor(TestFile{name, title}));
  }
  void load() { ASSERT_TRUE(form.Dir1.setPath(music().string())); }

  FlexGrid& grid() { return window.MSFlexGrid1(); }
  std::string cell(int r, int c) { return grid().TextMatrix(r, c); }
  int rowOf(const std::string& loadedName) {
    for (int r = 1; r < grid().Rows(); ++r) {
      if (cell(r, colOrigName) == loadedName) return r;
    }
    ADD_FAILURE() << "no row for " << loadedName;
    return 1;
  }
  std::set<std::string> listedNamesAsBytes() {
    std::set<std::string> names;
    for (int r = 1; r < grid().Rows(); ++r) names.insert(nameToBytes(cell(r, colOrigName)));
    return names;
  }
  // An edit as the user makes it: click the cell, type, Enter.
  void edit(const std::string& loadedName, int col, const std::string& text) {
    const int r = rowOf(loadedName);
    grid().setRow(r);
    grid().setCol(col);
    window.MSFlexGrid1_Click();
    form.EditText.setText(text);
    form.EditText.pressKey(kKeyReturn);
  }
  // Save, answering its question with Yes; returns the write-error boxes' texts.
  std::vector<std::string> save() {
    form.messages.clear();
    form.cmdSave.click();
    std::vector<std::string> errors;
    for (const auto& box : form.messages.shown()) {
      if (box.title == kWriteErrorTitle) errors.push_back(box.text);
    }
    return errors;
  }

  TempDir dir;
  HeadlessForm form{quorvane::testing::systemFiles()};
  MainWindow window;
};

TEST_F(HostileWindowTest, OddNames_AreListedWrittenAndRenamedByTheirBytes) {
  const std::vector<std::string> names = {"with space.mp3",   "quote\".mp3",  "$(touch x).mp3",
                                          "semi;colon.mp3",   "-leading.mp3", "latin\xE9\xFF.mp3",
                                          "\x82\xA0sjis.mp3", "\x80.mp3"};
  for (const auto& name : names) addMp3(name, "old");
  load();
  ASSERT_EQ(listedNamesAsBytes(), std::set<std::string>(names.begin(), names.end()));

  for (std::size_t i = 0; i < names.size(); ++i) {
    edit(nameFromBytes(names[i]), colTitle, "new " + std::to_string(i));
  }
  edit("-leading.mp3", colFileName, "-renamed.mp3");
  edit(nameFromBytes("latin\xE9\xFF.mp3"), colFileName, nameFromBytes("\xFE\xFF-renamed.mp3"));
  EXPECT_TRUE(save().empty());

  EXPECT_FALSE(fs::exists(inMusic("-leading.mp3")));
  EXPECT_FALSE(fs::exists(inMusic("latin\xE9\xFF.mp3")));
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i];
    const std::string now = name == "-leading.mp3"        ? "-renamed.mp3"
                            : name == "latin\xE9\xFF.mp3" ? "\xFE\xFF-renamed.mp3"
                                                          : name;
    EXPECT_EQ(titleOf(inMusic(now)), "new " + std::to_string(i)) << now;
  }
  EXPECT_FALSE(fs::exists(inMusic("x")));
  EXPECT_FALSE(fs::exists("x"));
  for (const auto& entry : fs::directory_iterator(music())) {
    EXPECT_EQ(slice(readFile(entry.path().string()), 0, 300), audio(300)) << entry.path();
  }
  // The reload after Save shows the new names, as bytes on disk.
  EXPECT_EQ(listedNamesAsBytes().count("\xFE\xFF-renamed.mp3"), 1u);
  EXPECT_EQ(grid().Rows(), 1 + static_cast<int>(names.size()));
}

TEST_F(HostileWindowTest, NamesDifferingOnlyInCase_AreThreeRowsAndARenameOntoAnotherIsRefused) {
  for (const char* name : {"Case.mp3", "case.mp3", "CASE.MP3"}) addMp3(name, name);
  load();
  ASSERT_EQ(grid().Rows(), 4);
  const auto before = snapshot(music());

  edit("Case.mp3", colFileName, "case.mp3");
  const auto errors = save();

  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Case.mp3"), std::string::npos) << errors[0];
  EXPECT_EQ(snapshot(music()), before) << "nothing was written: the row's tag was unchanged";
}

TEST_F(HostileWindowTest, Links_AreNotListedAndNeverWrittenThrough) {
  fs::create_directory(dir.path() / "outside");
  writeFile((dir.path() / "outside" / "target.mp3").string(), tagFor({"target.mp3", "target"}));
  addMp3("real.mp3", "real");
  addMp3("swapped.mp3", "swapped");
  fs::create_symlink("real.mp3", music() / "inside-link.mp3");
  fs::create_symlink("../outside/target.mp3", music() / "outside-link.mp3");
  fs::create_symlink("missing.mp3", music() / "dangling.mp3");
  load();
  EXPECT_EQ(listedNamesAsBytes(), (std::set<std::string>{"real.mp3", "swapped.mp3"}));

  // Between load and Save, swapped.mp3 becomes a link to the file outside.
  edit("real.mp3", colTitle, "real written");
  edit("swapped.mp3", colTitle, "through the link");
  fs::remove(music() / "swapped.mp3");
  fs::create_symlink("../outside/target.mp3", music() / "swapped.mp3");
  const auto before = snapshot(dir.path());
  const auto errors = save();

  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("swapped.mp3"), std::string::npos) << errors[0];
  EXPECT_EQ(titleOf(inMusic("real.mp3")), "real written");
  EXPECT_EQ(without(snapshot(dir.path()), {"music/real.mp3"}), without(before, {"music/real.mp3"}));
}

TEST_F(HostileWindowTest, FifoAndSocket_LoadWithoutHangingAndAreNeverWritten) {
  addMp3("plain.mp3", "plain");
  addMp3("becomes-fifo.mp3", "fifo");
  ASSERT_EQ(::mkfifo(inMusic("fifo.mp3").c_str(), 0644), 0);
  makeSocket(inMusic("socket.mp3"));
  load();  // a FIFO opened for reading would block here
  EXPECT_EQ(listedNamesAsBytes(), (std::set<std::string>{"becomes-fifo.mp3", "plain.mp3"}));

  edit("plain.mp3", colTitle, "plain written");
  edit("becomes-fifo.mp3", colTitle, "into a fifo");
  fs::remove(music() / "becomes-fifo.mp3");
  ASSERT_EQ(::mkfifo(inMusic("becomes-fifo.mp3").c_str(), 0644), 0);
  const auto before = snapshot(music());
  const auto errors = save();  // and here, opening the FIFO for writing

  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("becomes-fifo.mp3"), std::string::npos) << errors[0];
  EXPECT_EQ(titleOf(inMusic("plain.mp3")), "plain written");
  EXPECT_EQ(without(snapshot(music()), {"plain.mp3"}), without(before, {"plain.mp3"}));
}

TEST_F(HostileWindowTest, FilesThatVanishOrBecomeFolders_AreReportedAndNothingIsCreated) {
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}) addMp3(name, name);
  load();
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}) edit(name, colTitle, "new");
  edit("d.mp3", colFileName, "renamed.mp3");
  fs::remove(music() / "b.mp3");
  fs::remove(music() / "c.mp3");
  fs::create_directory(music() / "c.mp3");
  const auto errors = save();

  ASSERT_EQ(errors.size(), 2u);
  EXPECT_NE(errors[0].find("b.mp3"), std::string::npos) << errors[0];
  EXPECT_NE(errors[1].find("c.mp3"), std::string::npos) << errors[1];
  EXPECT_FALSE(fs::exists(music() / "b.mp3")) << "a vanished file was created again";
  EXPECT_TRUE(fs::is_directory(music() / "c.mp3"));
  EXPECT_TRUE(fs::is_empty(music() / "c.mp3"));
  EXPECT_EQ(titleOf(inMusic("a.mp3")), "new");
  EXPECT_EQ(titleOf(inMusic("renamed.mp3")), "new");
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(music())) left.insert(entry.path().filename());
  EXPECT_EQ(left, (std::set<std::string>{"a.mp3", "c.mp3", "renamed.mp3"}));
}

// A name's text may hold the characters U+10FE2E and U+10FE2F; they once passed the
// writer's checks on separators and became "../" on disk, moving the file out of its
// folder. The new name must stay a name inside the folder, and nothing outside change.
TEST_F(HostileWindowTest, RenameToEscapedDotsAndSlash_StaysInTheFolder) {
  addMp3("a.mp3", "a");
  load();
  const std::string up = escapeOf('.') + escapeOf('.') + escapeOf('/');
  edit("a.mp3", colFileName, up + "moved.mp3");
  const auto outsideBefore = outside(snapshot(dir.path()), "music");
  save();

  EXPECT_FALSE(fs::exists(dir.path() / "moved.mp3")) << "the file left its folder";
  EXPECT_EQ(outside(snapshot(dir.path()), "music"), outsideBefore);
  std::size_t inFolder = 0;
  for (const auto& entry : fs::directory_iterator(music())) inFolder += entry.is_regular_file();
  EXPECT_EQ(inFolder, 1u);
}

// 64-bit offsets: a 5 GiB file is listed, its tag written at its end, its audio kept.
TEST_F(HostileWindowTest, SparseFilesOf5GiB_AreListedAndWrittenAtTheirEnd) {
  constexpr off_t kSize = off_t{5} << 30;
  const Bytes marker = audio(1000);
  for (const char* name : {"tagged.mp3", "untagged.mp3"}) {
    const int fd = ::open(inMusic(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, kSize), 0);
    for (off_t at : {off_t{0}, kSize / 2 + 12345, kSize - 4096}) {
      ASSERT_EQ(::pwrite(fd, marker.data(), marker.size(), at), 1000);
    }
    if (std::string(name) == "tagged.mp3") {
      const Bytes tag = tagFor({name, "big"});
      ASSERT_EQ(::pwrite(fd, tag.data() + 300, 128, kSize - 128), 128);
    }
    ::close(fd);
  }
  struct stat info {};
  ASSERT_EQ(::stat(inMusic("tagged.mp3").c_str(), &info), 0);
  if (info.st_blocks * 512 > (off_t{64} << 20)) GTEST_SKIP() << "no sparse files here";

  load();
  ASSERT_EQ(grid().Rows(), 3);
  EXPECT_EQ(cell(rowOf("tagged.mp3"), colTitle), "big");
  edit("tagged.mp3", colTitle, "big written");
  edit("untagged.mp3", colTitle, "big appended");
  EXPECT_TRUE(save().empty());

  ASSERT_EQ(::stat(inMusic("tagged.mp3").c_str(), &info), 0);
  EXPECT_EQ(info.st_size, kSize);
  EXPECT_LE(info.st_blocks * 512, off_t{64} << 20) << "the file was filled in";
  ASSERT_EQ(::stat(inMusic("untagged.mp3").c_str(), &info), 0);
  EXPECT_EQ(info.st_size, kSize + 128);
  EXPECT_EQ(titleOf(inMusic("tagged.mp3")), "big written");
  EXPECT_EQ(titleOf(inMusic("untagged.mp3")), "big appended");
  for (const char* name : {"tagged.mp3", "untagged.mp3"}) {
    const int fd = ::open(inMusic(name).c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    for (off_t at : {off_t{0}, kSize / 2 + 12345, kSize - 4096}) {
      Bytes back(1000);
      ASSERT_EQ(::pread(fd, back.data(), back.size(), at), 1000);
      EXPECT_EQ(back, marker) << name << " at " << at;
    }
    ::close(fd);
  }
}

}  // namespace
