// Reading the ends of a folder's files, one by one and many at once: the parallel reader
// must give exactly what the one-by-one reader gives, in order, and never block.
#include "tagcodec/file_ends.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "os/posix/file_names.h"
#include "os/posix/posix_file_service.h"
#include "tests/test_support.h"

namespace {

using namespace quorvane;
using namespace quorvane::testing;

struct EndCase {
  const char* what;
  Bytes contents;  // empty with `special` set: no regular file is made
  bool opened;
  bool tagged;
};

class ReadFileEnd : public ::testing::TestWithParam<EndCase> {};

TEST_P(ReadFileEnd, SeesTheLastBytesOfRegularFilesOnly) {
  const EndCase& c = GetParam();
  TempDir dir;
  const std::string path = dir.file("a.mp3");
  writeFile(path, c.contents);
  const FileEnd end = readFileEnd(path, systemFiles());
  EXPECT_EQ(end.opened, c.opened);
  EXPECT_EQ(end.hasTag(), c.tagged);
  if (!c.opened) return;
  EXPECT_EQ(end.size, static_cast<std::int64_t>(c.contents.size()));
  const std::size_t kept = std::min<std::size_t>(c.contents.size(), kTagSize);
  EXPECT_EQ(Bytes(end.tail.begin(), end.tail.begin() + static_cast<std::ptrdiff_t>(kept)),
            lastBytes(c.contents, kept));
  EXPECT_EQ(Bytes(end.tail.begin() + static_cast<std::ptrdiff_t>(kept), end.tail.end()),
            Bytes(kTagSize - kept, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadFileEnd,
    ::testing::Values(EndCase{"tagged", concat(audio(300), rawTag(bytesOf("T"))), true, true},
                      EndCase{"untagged", audio(300), true, false},
                      EndCase{"all_tag", rawTag(bytesOf("T")), true, true},
                      EndCase{"short_with_marker", bytesOf("TAG1234"), true, false},
                      EndCase{"empty", {}, true, false}),
    caseName<EndCase>);

TEST(ReadFileEndOfOthers, FoldersFifosSocketsLinksAndMissingFilesAreNotOpened) {
  TempDir dir;
  writeFile(dir.file("real.mp3"), concat(audio(300), rawTag(bytesOf("T"))));
  std::filesystem::create_directory(dir.file("folder.mp3"));
  ASSERT_EQ(::mkfifo(dir.file("fifo.mp3").c_str(), 0644), 0);
  makeSocket(dir.file("socket.mp3"));
  std::filesystem::create_symlink(dir.file("real.mp3"), dir.file("link.mp3"));
  for (const char* name : {"folder.mp3", "fifo.mp3", "socket.mp3", "gone.mp3"}) {
    EXPECT_FALSE(readFileEnd(dir.file(name), systemFiles()).opened) << name;
  }
  // A link is read like the file it names; the folder listing leaves links out.
  EXPECT_TRUE(readFileEnd(dir.file("link.mp3"), systemFiles()).hasTag());
}

bool sameEnd(const FileEnd& a, const FileEnd& b) {
  return a.opened == b.opened && a.size == b.size && a.tail == b.tail &&
         a.failure.notRegularFile == b.failure.notRegularFile &&
         a.failure.description == b.failure.description;
}

// The folder's reader, which opens each file relative to the folder, sees what opening
// it by its path sees, for every kind of entry and name.
TEST(ReadFileEndsOfAFolder, GiveWhatReadingEachByItsPathGives) {
  TempDir dir;
  writeFile(dir.file("tagged.mp3"), concat(audio(300), rawTag(bytesOf("T"))));
  writeFile(dir.file("all tag.mp3"), rawTag(bytesOf("T")));
  writeFile(dir.file("short.mp3"), audio(100));
  writeFile(dir.file("empty.mp3"), {});
  writeFile(dir.file("\xff\xfe not UTF-8.mp3"), concat(audio(10), rawTag(bytesOf("X"))));
  writeFile(dir.file("\xf4\x8f\xbb\xbf.mp3"), audio(200));  // bytes an escape is made of
  writeFile(dir.file(std::string(250, 'n') + ".mp3"), audio(200));  // beyond a short buffer
  std::filesystem::create_directory(dir.file("folder.mp3"));
  ASSERT_EQ(::mkfifo(dir.file("fifo.mp3").c_str(), 0644), 0);
  makeSocket(dir.file("socket.mp3"));
  std::filesystem::create_symlink(dir.file("tagged.mp3"), dir.file("link.mp3"));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(nameFromBytes(entry.path().filename().string()));
  }
  names.push_back("gone.mp3");
  names.push_back(std::string("nul\0.mp3", 9));
  std::vector<FileEnd> byFolder, byPath;
  readFileEnds(dir.text(), names, systemFiles(), byFolder, [](std::size_t, std::size_t) {});
  ASSERT_TRUE(systemFiles().readFolder(dir.text())) << "the reader under test is in use";
  for (const std::string& name : names) {
    byPath.push_back(readFileEnd(systemFiles().joinPath(dir.text(), name), systemFiles()));
  }
  ASSERT_EQ(byFolder.size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_TRUE(sameEnd(byFolder[i], byPath[i])) << names[i];
  }
  // A folder that cannot be opened: each file fails by its path, with the reason.
  const std::vector<std::string> one = {"a.mp3"};
  readFileEnds(dir.file("none"), one, systemFiles(), byFolder, [](std::size_t, std::size_t) {});
  EXPECT_FALSE(byFolder[0].opened);
  EXPECT_EQ(byFolder[0].failure.description, std::strerror(ENOENT));
}

// A folder of every kind of entry, in the order a listing would give.
std::vector<std::string> mixedFolder(const TempDir& dir, int count) {
  std::vector<std::string> paths;
  std::mt19937 random(7);
  for (int i = 0; i < count; ++i) {
    const std::string path = dir.file(std::to_string(100000 + i) + ".mp3");
    switch (i % 7) {
      case 0:
        ::mkfifo(path.c_str(), 0644);
        break;
      case 1:
        std::filesystem::create_directory(path);
        break;
      case 2:
        writeFile(path, audio(random() % 200));  // often shorter than a tag
        break;
      case 3:
        break;  // listed, then gone
      default: {
        Bytes title = bytesOf(std::to_string(i));
        writeFile(path, concat(audio(random() % 400), rawTag(title, {}, {}, {}, {}, i % 256)));
      }
    }
    paths.push_back(path);
  }
  return paths;
}

// The machine's files, slow to answer as a cold cache or a USB stick is: each read waits
// a little, so that the readers are still at work while the caller takes results.
class SlowFiles : public PosixFileService {
 public:
  class SlowFile : public OpenFile {
   public:
    SlowFile(std::unique_ptr<OpenFile> file, SlowFiles& owner)
        : file_(std::move(file)), owner_(owner) {}
    std::int64_t size() const override { return file_->size(); }
    bool read(std::int64_t offset, std::span<std::uint8_t> bytes) override {
      const int now = ++owner_.reading;
      int most = owner_.mostReading;
      while (now > most && !owner_.mostReading.compare_exchange_weak(most, now)) {
      }
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      --owner_.reading;
      return file_->read(offset, bytes);
    }
    bool write(std::int64_t offset, std::span<const std::uint8_t> bytes) override {
      return file_->write(offset, bytes);
    }
    bool truncate(std::int64_t length) override { return file_->truncate(length); }
    bool flush() override { return file_->flush(); }
    bool close() override { return file_->close(); }
    FileFailure failure() const override { return file_->failure(); }

   private:
    std::unique_ptr<OpenFile> file_;
    SlowFiles& owner_;
  };

  std::unique_ptr<OpenFile> openToRead(const std::string& path, FileFailure& failure) override {
    auto file = PosixFileService::openToRead(path, failure);
    return file ? std::make_unique<SlowFile>(std::move(file), *this) : nullptr;
  }

  std::atomic<int> reading{0};      // reads under way
  std::atomic<int> mostReading{0};  // the most at once
};

// A device that answers slowly gets more readers than one per core, so that it has many
// requests to serve at once.
TEST(ReadFileEnds, ASlowDeviceGetsMoreReadersThanCores) {
  const unsigned cores = std::max(2u, std::thread::hardware_concurrency());
  if (cores >= 32) GTEST_SKIP() << "as many readers as there may be to start with";
  TempDir dir;
  const std::vector<std::string> paths = mixedFolder(dir, 1500);
  SlowFiles slow;
  std::vector<FileEnd> ends;
  readFileEnds(paths, slow, ends, [](std::size_t, std::size_t) {});
  EXPECT_GT(slow.mostReading.load(), static_cast<int>(cores));
}

// Each run of results is complete when it is handed over: every end in it is read (and
// prepared) already, and is what reading that file on its own gives.
TEST(ReadFileEnds, GivesWhatReadingOneByOneGivesInOrderOnTheCallingThread) {
  TempDir dir;
  const std::vector<std::string> paths = mixedFolder(dir, 3000);
  std::vector<FileEnd> expected;
  for (const std::string& path : paths) expected.push_back(readFileEnd(path, systemFiles()));
  for (const bool slow : {false, true}) {
    SCOPED_TRACE(slow ? "slow files" : "fast files");
    SlowFiles slowFiles;
    FileService& files = slow ? static_cast<FileService&>(slowFiles) : systemFiles();
    std::vector<FileEnd> ends;
    std::vector<std::atomic<bool>> prepared(paths.size());
    std::size_t handed = 0, incomplete = 0;
    const std::thread::id caller = std::this_thread::get_id();
    readFileEnds(
        paths, files, ends,
        [&](std::size_t begin, std::size_t end) {
          EXPECT_EQ(std::this_thread::get_id(), caller);
          EXPECT_EQ(begin, handed) << "runs come in order, without gaps";
          EXPECT_LT(begin, end);
          for (std::size_t i = begin; i < end && i < paths.size(); ++i) {
            if (!prepared[i] || !sameEnd(ends[i], expected[i])) ++incomplete;
          }
          handed = end;
        },
        [&](std::size_t i) { prepared[i] = true; });
    EXPECT_EQ(incomplete, 0u) << "ends handed over before they were read";
    EXPECT_EQ(handed, paths.size());
    ASSERT_EQ(ends.size(), paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
      EXPECT_TRUE(sameEnd(ends[i], expected[i])) << paths[i];
    }
  }
}

TEST(ReadFileEnds, NoFilesAndOneFile) {
  TempDir dir;
  std::vector<FileEnd> ends(3);
  int calls = 0;
  readFileEnds({}, systemFiles(), ends, [&](std::size_t, std::size_t) { ++calls; });
  EXPECT_TRUE(ends.empty());
  EXPECT_EQ(calls, 0);
  writeFile(dir.file("a.mp3"), concat(audio(10), rawTag(bytesOf("T"))));
  readFileEnds({dir.file("a.mp3")}, systemFiles(), ends, [&](std::size_t b, std::size_t e) {
    EXPECT_EQ(b, 0u);
    EXPECT_EQ(e, 1u);
    ++calls;
  });
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(ends.at(0).hasTag());
}

// Another program rewrites, cuts and removes files while the folder is read: each end read
// is one the file really had, whole, and nothing blocks or crashes. Where its changes land
// is left to chance (a stress for the sanitizer build); the next test makes them for sure.
TEST(ReadFileEnds, FilesChangingWhileBeingReadGiveAStateTheyHad) {
  TempDir dir;
  const Bytes before = concat(audio(200), rawTag(bytesOf("before")));
  const Bytes after = concat(audio(200), rawTag(bytesOf("after")));
  std::vector<std::string> paths;
  for (int i = 0; i < 1500; ++i) {
    paths.push_back(dir.file(std::to_string(i) + ".mp3"));
    writeFile(paths.back(), before);
  }
  std::atomic<bool> stop{false};
  std::thread meddler([&] {
    std::mt19937 random(11);
    while (!stop) {
      const std::string& path = paths[random() % paths.size()];
      switch (random() % 3) {
        case 0:
          std::filesystem::remove(path);
          break;
        case 1:
          // Replaced whole, as an editor saving beside and renaming over would.
          writeFile(path + ".new", after);
          std::filesystem::rename(path + ".new", path);
          break;
        default:
          ::truncate(path.c_str(), 0);
      }
    }
  });
  for (int round = 0; round < 5; ++round) {
    std::vector<FileEnd> ends;
    readFileEnds(paths, systemFiles(), ends, [](std::size_t, std::size_t) {});
    for (const FileEnd& end : ends) {
      if (!end.opened || end.size < static_cast<std::int64_t>(kTagSize)) continue;
      const Bytes tail(end.tail.begin(), end.tail.end());
      // A file cut between its size and its read fails to read; one replaced shows the old
      // file or the new one, never a mix.
      if (end.hasTag()) {
        EXPECT_TRUE(tail == lastBytes(before, kTagSize) || tail == lastBytes(after, kTagSize));
      }
    }
  }
  stop = true;
  meddler.join();
}

// Another program's change made for certain between a file's opening and its read (where
// the meddler above may or may not strike): each file is changed once, by the kind its
// name's number picks.
class ChangedBetweenOpenAndRead : public PosixFileService {
 public:
  enum Kind { kReplaced, kCut, kRemoved, kRewritten, kKinds };
  static Kind kindOf(std::size_t index) { return static_cast<Kind>(index % kKinds); }

  ChangedBetweenOpenAndRead(const std::vector<std::string>& paths, Bytes after)
      : after_(std::move(after)) {
    for (std::size_t i = 0; i < paths.size(); ++i) kinds_[paths[i]] = kindOf(i);
  }
  int changes() const { return changes_; }

  std::unique_ptr<OpenFile> openToRead(const std::string& path, FileFailure& failure) override {
    auto file = PosixFileService::openToRead(path, failure);
    return file ? std::make_unique<ChangingFile>(std::move(file), *this, path) : nullptr;
  }

 private:
  class ChangingFile : public OpenFile {
   public:
    ChangingFile(std::unique_ptr<OpenFile> file, ChangedBetweenOpenAndRead& owner, std::string path)
        : file_(std::move(file)), owner_(owner), path_(std::move(path)) {}
    std::int64_t size() const override { return file_->size(); }
    bool read(std::int64_t offset, std::span<std::uint8_t> bytes) override {
      owner_.change(path_);
      return file_->read(offset, bytes);
    }
    bool write(std::int64_t offset, std::span<const std::uint8_t> bytes) override {
      return file_->write(offset, bytes);
    }
    bool truncate(std::int64_t length) override { return file_->truncate(length); }
    bool flush() override { return file_->flush(); }
    bool close() override { return file_->close(); }
    FileFailure failure() const override { return file_->failure(); }

   private:
    std::unique_ptr<OpenFile> file_;
    ChangedBetweenOpenAndRead& owner_;
    std::string path_;
  };

  void change(const std::string& path) {
    switch (kinds_.at(path)) {
      case kReplaced:  // saved beside and renamed over, as editors save
        writeFile(path + ".new", after_);
        std::filesystem::rename(path + ".new", path);
        break;
      case kCut:
        ::truncate(path.c_str(), 0);
        break;
      case kRemoved:
        std::filesystem::remove(path);
        break;
      case kRewritten: {  // the same length, written over in place
        std::FILE* out = std::fopen(path.c_str(), "r+b");
        std::fwrite(after_.data(), 1, after_.size(), out);
        std::fclose(out);
        break;
      }
      default:
        return;
    }
    ++changes_;
  }

  Bytes after_;
  std::map<std::string, Kind> kinds_;  // read only, from the readers' threads
  std::atomic<int> changes_{0};
};

TEST(ReadFileEnds, AFileChangedBetweenItsOpeningAndItsReadGivesAStateItHad) {
  TempDir dir;
  const Bytes before = concat(audio(200), rawTag(bytesOf("before")));
  const Bytes after = concat(audio(200), rawTag(bytesOf("after")));
  std::vector<std::string> paths;
  for (int i = 0; i < 400; ++i) {
    paths.push_back(dir.file(std::to_string(i) + ".mp3"));
    writeFile(paths.back(), before);
  }
  ChangedBetweenOpenAndRead files(paths, after);
  std::vector<FileEnd> ends;
  readFileEnds(paths, files, ends, [](std::size_t, std::size_t) {});
  ASSERT_EQ(files.changes(), static_cast<int>(paths.size())) << "every file was changed";
  ASSERT_EQ(ends.size(), paths.size());
  const auto tailOf = [](const FileEnd& end) { return Bytes(end.tail.begin(), end.tail.end()); };
  for (std::size_t i = 0; i < paths.size(); ++i) {
    SCOPED_TRACE(paths[i]);
    switch (ChangedBetweenOpenAndRead::kindOf(i)) {
      case ChangedBetweenOpenAndRead::kReplaced:
      case ChangedBetweenOpenAndRead::kRemoved:
        // The open file is the old one, whole, whatever now has its name.
        EXPECT_TRUE(ends[i].opened);
        EXPECT_EQ(tailOf(ends[i]), lastBytes(before, kTagSize));
        break;
      case ChangedBetweenOpenAndRead::kCut:
        // Shorter than it was when opened: its end cannot be read, and is no end at all.
        EXPECT_FALSE(ends[i].opened);
        EXPECT_FALSE(ends[i].hasTag());
        break;
      case ChangedBetweenOpenAndRead::kRewritten:
        EXPECT_TRUE(ends[i].opened);
        EXPECT_EQ(tailOf(ends[i]), lastBytes(after, kTagSize)) << "the change is seen";
        break;
      default:
        break;
    }
    if (ends[i].opened) {
      EXPECT_EQ(ends[i].size, static_cast<std::int64_t>(before.size()));
    }
  }
}

}  // namespace
