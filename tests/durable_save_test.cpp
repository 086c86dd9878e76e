// Saves that survive: every written file and renamed name reaches the device, a file that
// cannot be flushed is put back, another program's change is never written over, and a
// full disk damages nothing.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>

#include "tagcodec/tag_file.h"
#include "tagcodec/tag_writer.h"
#include "tests/sheet_fixture.h"
#include "ui/headless/headless_message_boxes.h"

namespace {

using namespace quorvane;
using namespace quorvane::testing;

// The machine's files, watched: which files and folders were opened and flushed, and a
// flush that fails for one chosen file, as a device that fails would.
class WatchedFiles : public PosixFileService {
 public:
  class WatchedFile : public OpenFile {
   public:
    WatchedFile(std::unique_ptr<OpenFile> file, WatchedFiles& owner, std::string path)
        : file_(std::move(file)), owner_(owner), path_(std::move(path)) {}
    std::int64_t size() const override { return file_->size(); }
    bool read(std::int64_t offset, std::span<std::uint8_t> bytes) override {
      return file_->read(offset, bytes);
    }
    bool write(std::int64_t offset, std::span<const std::uint8_t> bytes) override {
      return file_->write(offset, bytes);
    }
    bool truncate(std::int64_t length) override { return file_->truncate(length); }
    bool flush() override {
      const std::lock_guard lock(owner_.mutex_);
      if (path_ == owner_.failFlushOf && owner_.failures_++ == 0) return false;
      owner_.flushedFiles.insert(path_);
      return file_->flush();
    }
    bool close() override { return file_->close(); }
    FileFailure failure() const override {
      return path_ == owner_.failFlushOf ? FileFailure{false, "Input/output error"}
                                         : file_->failure();
    }

   private:
    std::unique_ptr<OpenFile> file_;
    WatchedFiles& owner_;
    std::string path_;
  };

  std::unique_ptr<OpenFile> openToRead(const std::string& path, FileFailure& failure) override {
    note(path);
    auto file = PosixFileService::openToRead(path, failure);
    return file ? std::make_unique<WatchedFile>(std::move(file), *this, path) : nullptr;
  }
  std::unique_ptr<OpenFile> openToWrite(const std::string& path, FileFailure& failure) override {
    note(path);
    auto file = PosixFileService::openToWrite(path, failure);
    return file ? std::make_unique<WatchedFile>(std::move(file), *this, path) : nullptr;
  }
  // The loader's reads, counted by path too.
  class WatchedFolder : public FolderReader {
   public:
    WatchedFolder(std::unique_ptr<FolderReader> reader, WatchedFiles& owner, std::string folder)
        : reader_(std::move(reader)), owner_(owner), folder_(std::move(folder)) {}
    bool readEnd(std::string_view name, std::int64_t& size, std::span<std::uint8_t> bytes,
                 FileFailure& failure) override {
      owner_.note(owner_.joinPath(folder_, name));
      return reader_->readEnd(name, size, bytes, failure);
    }

   private:
    std::unique_ptr<FolderReader> reader_;
    WatchedFiles& owner_;
    std::string folder_;
  };
  std::unique_ptr<FolderReader> readFolder(std::string_view folder) override {
    auto reader = PosixFileService::readFolder(folder);
    return reader ? std::make_unique<WatchedFolder>(std::move(reader), *this, std::string(folder))
                  : nullptr;
  }
  bool flushFolder(const std::string& folder, FileFailure& failure) override {
    {
      const std::lock_guard lock(mutex_);
      flushedFolders.insert(folder);
    }
    return PosixFileService::flushFolder(folder, failure);
  }
  int opens(const std::string& path) {
    const std::lock_guard lock(mutex_);
    return openCount[path];
  }
  void forget() {
    const std::lock_guard lock(mutex_);
    openCount.clear(), flushedFiles.clear(), flushedFolders.clear();
  }

  std::set<std::string> flushedFiles, flushedFolders;
  std::string failFlushOf;  // this file's first flush fails

 private:
  void note(const std::string& path) {
    const std::lock_guard lock(mutex_);
    ++openCount[path];
  }
  std::mutex mutex_;
  std::map<std::string, int> openCount;
  int failures_ = 0;
};

const std::vector<TestFile> kFiles = {
    {"a.mp3", "Alpha", 17}, {"b.mp3", "Beta", 0}, {"c.mp3", "", 0, false}, {"d.mp3", "Delta", 84}};

class DurableSave : public ::testing::Test {
 protected:
  void edit(int row, int col, const std::string& text) {
    s.click(row, col);
    s.form.EditText.setText(text);
    s.key(kKeyReturn);
  }
  Module1::TagRecord tagOf(const std::string& name) {
    Module1::TagRecord record;
    EXPECT_TRUE(Module1::ReadTag(s.dir.file(name), record, files)) << name;
    return record;
  }
  std::vector<MessageBoxRequest> boxes() { return s.form.messages.shown(); }

  WatchedFiles files;
  SheetFixture s{kFiles, files};
};

TEST_F(DurableSave, EveryWrittenFileAndTheFolderOfARenameAreFlushed) {
  edit(1, colTitle, "New A");
  edit(3, colTitle, "New C");  // untagged: a tag is appended
  edit(4, colFileName, "e.mp3");
  files.forget();
  s.form.cmdSave.click();
  EXPECT_EQ(files.flushedFiles,
            (std::set<std::string>{s.dir.file("a.mp3"), s.dir.file("c.mp3"), s.dir.file("e.mp3")}));
  EXPECT_EQ(files.flushedFolders, (std::set<std::string>{s.dir.path().string()}));
}

TEST_F(DurableSave, WithoutARenameNoFolderIsFlushed) {
  edit(2, colTitle, "New B");
  files.forget();
  s.form.cmdSave.click();
  EXPECT_EQ(files.flushedFiles, (std::set<std::string>{s.dir.file("b.mp3")}));
  EXPECT_TRUE(files.flushedFolders.empty());
}

TEST_F(DurableSave, AFileThatCannotBeFlushedIsPutBackAndKeepsItsRow) {
  const Bytes oldA = readFile(s.dir.file("a.mp3"));
  const Bytes oldC = readFile(s.dir.file("c.mp3"));
  edit(1, colTitle, "New A");
  edit(3, colTitle, "New C");
  edit(2, colTitle, "New B");
  files.failFlushOf = s.dir.file("c.mp3");
  s.form.cmdSave.click();
  ASSERT_EQ(boxes().size(), 2u);  // the question, and c.mp3's failure
  EXPECT_EQ(boxes()[1].text, "ファイル名 :" + s.dir.file("c.mp3") +
                                 "\r\n変更を保存できませんでした。\r\nInput/output error");
  EXPECT_EQ(readFile(s.dir.file("c.mp3")), oldC) << "the appended tag is cut off again";
  EXPECT_NE(readFile(s.dir.file("a.mp3")), oldA);
  EXPECT_EQ(s.cell(3, colTitle), "New C");
  EXPECT_EQ(s.cell(3, colState), kStateChanged);
  EXPECT_TRUE(s.window.blnChanged);
  // The next Save flushes it.
  s.form.messages.clear();
  s.form.cmdSave.click();
  EXPECT_EQ(tagOf("c.mp3").Title, "New C" + std::string(25, ' '));
}

TEST_F(DurableSave, ATagThatCannotBeFlushedGetsItsOldBytesBack) {
  const Bytes oldA = readFile(s.dir.file("a.mp3"));
  edit(1, colTitle, "New A");
  edit(1, colFileName, "renamed.mp3");
  files.failFlushOf = s.dir.file("renamed.mp3");
  s.form.cmdSave.click();
  EXPECT_EQ(readFile(s.dir.file("a.mp3")), oldA) << "old tag, old name";
  EXPECT_FALSE(std::filesystem::exists(s.dir.file("renamed.mp3")));
  EXPECT_EQ(s.cell(1, colFileName), "renamed.mp3");
  EXPECT_EQ(s.cell(1, colTitle), "New A");
}

// ---- another program's change ----

TEST_F(DurableSave, AFileRetaggedSinceTheLoadIsNotWrittenOverUntilTheNextSave) {
  edit(2, colTitle, "Mine");
  edit(4, colTitle, "Also mine");
  // Another tool retags b.mp3 between load and Save.
  const Bytes theirs = concat(audio(300), rawTag(bytesOf("Theirs")));
  writeFile(s.dir.file("b.mp3"), theirs);
  s.form.cmdSave.click();
  ASSERT_EQ(boxes().size(), 2u);
  EXPECT_EQ(boxes()[1].title, "Quorvane  :書き込みエラー");
  EXPECT_EQ(boxes()[1].text,
            "ファイル名 :" + s.dir.file("b.mp3") +
                "\r\n変更を保存できませんでした。\r\n"
                "ファイルが他のプログラムで変更されています。もう一度保存すると上書きします。");
  EXPECT_EQ(readFile(s.dir.file("b.mp3")), theirs);
  EXPECT_EQ(tagOf("d.mp3").Title, "Also mine" + std::string(21, ' '));
  // The row keeps the edit; the user was told once, and the next Save writes it.
  EXPECT_EQ(s.cell(2, colTitle), "Mine");
  EXPECT_EQ(s.cell(2, colState), kStateChanged);
  s.form.messages.clear();
  s.form.cmdSave.click();
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(tagOf("b.mp3").Title, "Mine" + std::string(26, ' '));
}

// Another program's change of one byte of the tag (the genre byte alone, say), or of the
// length alone, is a change: Save refuses to write over it and tells the user.
struct Retagging {
  int byte;  // the byte of the tag that changes; -1: a byte added before the audio
};

void PrintTo(const Retagging& c, std::ostream* out) {
  *out << c.byte;
}

std::vector<Retagging> everyRetagging() {
  std::vector<Retagging> cases;
  for (int at = 0; at < static_cast<int>(kTagSize); ++at) cases.push_back({at});
  cases.push_back({-1});
  return cases;
}

class DurableSaveRetagged : public DurableSave, public ::testing::WithParamInterface<Retagging> {};

TEST_P(DurableSaveRetagged, IsRefusedAndLeftAsTheOtherProgramLeftIt) {
  edit(4, colTitle, "Mine");  // d.mp3
  Bytes theirs = readFile(s.dir.file("d.mp3"));
  if (GetParam().byte < 0) {
    theirs.insert(theirs.begin(), 0x55);  // the same last 128 bytes, one byte longer
  } else {
    theirs[theirs.size() - kTagSize + static_cast<std::size_t>(GetParam().byte)] ^= 0x01;
  }
  writeFile(s.dir.file("d.mp3"), theirs);
  s.form.cmdSave.click();
  ASSERT_EQ(boxes().size(), 2u);
  EXPECT_EQ(boxes()[1].text,
            "ファイル名 :" + s.dir.file("d.mp3") +
                "\r\n変更を保存できませんでした。\r\n"
                "ファイルが他のプログラムで変更されています。もう一度保存すると上書きします。");
  EXPECT_EQ(readFile(s.dir.file("d.mp3")), theirs);
  EXPECT_EQ(s.cell(4, colTitle), "Mine");
  EXPECT_EQ(s.cell(4, colState), kStateChanged);
}

INSTANTIATE_TEST_SUITE_P(EveryByte, DurableSaveRetagged, ::testing::ValuesIn(everyRetagging()),
                         [](const ::testing::TestParamInfo<Retagging>& info) {
                           return info.param.byte < 0
                                      ? std::string("the_length_alone")
                                      : "tag_byte_" + std::to_string(info.param.byte);
                         });

TEST_F(DurableSave, TheStateFollowsItsRowThroughASort) {
  s.doubleClick(0, colTitle);  // "", Alpha, Beta, Delta: c.mp3 comes first
  ASSERT_EQ(s.cell(1, colOrigName), "c.mp3");
  int rowOfB = 0;
  for (int r = 1; r < s.grid().Rows(); ++r) rowOfB = s.cell(r, colOrigName) == "b.mp3" ? r : rowOfB;
  edit(rowOfB, colTitle, "Mine");
  edit(1, colTitle, "Also mine");  // c.mp3, not retagged: written
  writeFile(s.dir.file("b.mp3"), concat(audio(300), rawTag(bytesOf("Theirs"))));
  s.form.cmdSave.click();
  ASSERT_EQ(boxes().size(), 2u);
  EXPECT_EQ(boxes()[1].text.rfind("ファイル名 :" + s.dir.file("b.mp3"), 0), 0u);
  EXPECT_EQ(tagOf("c.mp3").Title, "Also mine" + std::string(21, ' '));
}

TEST_F(DurableSave, AReplacedFileCountsAsChanged) {
  edit(3, colTitle, "Mine");                   // c.mp3, untagged
  writeFile(s.dir.file("c.mp3"), audio(500));  // another untagged file in its place
  s.form.cmdSave.click();
  ASSERT_EQ(boxes().size(), 2u);
  EXPECT_EQ(readFile(s.dir.file("c.mp3")), audio(500));
}

TEST_F(DurableSave, RowsThatWereNotChangedAreNeverReadAgain) {
  edit(1, colTitle, "New A");
  files.forget();
  s.form.cmdSave.click();
  EXPECT_EQ(files.opens(s.dir.file("a.mp3")), 3) << "written, flushed, and read by the reload";
  for (const char* name : {"b.mp3", "c.mp3", "d.mp3"}) {
    EXPECT_EQ(files.opens(s.dir.file(name)), 1) << name << ": only the reload reads it";
  }
}

// Save writes the changed rows only: every other file keeps every byte, whatever its tag
// holds (no tag, space or zero padding, a track number after a zero byte).
TEST(SaveLeavesUnchangedFiles, ByteForByte) {
  SheetFixture s{{{"a.mp3", "Alpha", 17}}};
  const std::map<std::string, Bytes> others = {
      {"untagged.mp3", audio(333)},
      {"padded.mp3", concat(audio(200), rawTag(bytesOf("  Spaced  "), bytesOf("A   ")))},
      {"zeros.mp3", concat(audio(200), rawTag(bytesOf("Z"), {}, {}, bytesOf("19"), {}, 3))},
      {"track.mp3",
       concat(audio(200), rawTag(bytesOf("T"), {}, {}, {}, concat(bytesOf("c"), Bytes(28, 0)), 5))},
  };
  for (const auto& [name, bytes] : others) writeFile(s.dir.file(name), bytes);
  s.form.Dir1.setPath(s.dir.path().string());
  int row = 0;
  for (int r = 1; r < s.grid().Rows(); ++r) row = s.cell(r, colOrigName) == "a.mp3" ? r : row;
  s.click(row, colTitle);
  s.form.EditText.setText("Changed");
  s.key(kKeyReturn);
  s.form.cmdSave.click();
  for (const auto& [name, bytes] : others) EXPECT_EQ(readFile(s.dir.file(name)), bytes) << name;
}

// ---- a full disk ----

// A small file system of its own, filled to the last page, so that a tag that needs a new
// page cannot be appended.
class FullDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a file system needs root";
    if (::mount("quorvane-test", dir.path().c_str(), "tmpfs", 0, "size=512k") != 0) {
      GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    }
    mounted = true;
  }
  void TearDown() override {
    if (mounted) ::umount2(dir.path().c_str(), MNT_DETACH);
  }
  // Fills the file system with a file of its own until no whole page is left.
  void fill() {
    const std::string path = dir.file("filler");
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    const std::vector<char> page(4096, 'f');
    while (std::fwrite(page.data(), 1, page.size(), out) == page.size() && std::fflush(out) == 0) {
    }
    std::fclose(out);
  }

  TempDir dir;
  bool mounted = false;
};

TEST_F(FullDisk, TagsThatCannotBeAppendedLeaveTheirFilesAsTheyWere) {
  // Whole pages: each untagged file needs a new page for its tag. A tagged file's tag is
  // replaced in place, which needs no room.
  std::map<std::string, Bytes> files;
  for (int i = 0; i < 4; ++i) files["untagged" + std::to_string(i) + ".mp3"] = audio(4096);
  files["tagged.mp3"] = concat(audio(4096 - 128), rawTag(bytesOf("Old")));
  for (const auto& [name, bytes] : files) writeFile(dir.file(name), bytes);
  HeadlessMessageBoxes messages;
  TagWriter writer(systemFiles(), messages);
  fill();
  Module1::TagRecord record;
  record.Title = "New";
  std::vector<Module1::WriteOutcome> outcomes;
  for (const auto& [name, bytes] : files)
    outcomes.push_back(writer.write(dir.file(name), record, ""));
  const std::vector<SaveRecord> records = writer.flush();
  std::size_t i = 0;
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    const Bytes now = readFile(dir.file(name));
    if (name == "tagged.mp3") {
      EXPECT_EQ(outcomes[i], Module1::WriteOutcome::Written);
      EXPECT_TRUE(records[i].written);
      EXPECT_EQ(now.size(), bytes.size());
      EXPECT_EQ(slice(now, now.size() - 125, 3), bytesOf("New"));
    } else {
      EXPECT_EQ(outcomes[i], Module1::WriteOutcome::NotWritten);
      EXPECT_FALSE(records[i].newTag);
      EXPECT_NE(records[i].failure.find("No space left on device"), std::string::npos);
      EXPECT_EQ(now, bytes) << "size and bytes as before";
    }
    ++i;
  }
  EXPECT_EQ(messages.shown().size(), 4u) << "each failure reported";
  for (const MessageBoxRequest& box : messages.shown()) {
    EXPECT_NE(box.text.find("No space left on device"), std::string::npos) << box.text;
  }
}

TEST_F(FullDisk, ATagCutShortIsCutOffAgain) {
  // 50 bytes of the tag fit in the file's last page; the rest needs a page there is not.
  const Bytes bytes = audio(2 * 4096 - 50);
  const std::string path = dir.file("short.mp3");
  writeFile(path, bytes);
  HeadlessMessageBoxes messages;
  TagWriter writer(systemFiles(), messages);
  fill();
  Module1::TagRecord record;
  record.Title = "New";
  EXPECT_EQ(writer.write(path, record, ""), Module1::WriteOutcome::NotWritten);
  writer.flush();
  const Bytes now = readFile(path);
  EXPECT_EQ(now.size(), bytes.size()) << "what fitted is cut off again";
  EXPECT_EQ(now, bytes);
  ASSERT_EQ(messages.shown().size(), 1u);
  EXPECT_NE(messages.shown()[0].text.find("No space left on device"), std::string::npos)
      << messages.shown()[0].text;
}

}  // namespace
