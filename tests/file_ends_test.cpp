// Reading the ends of a folder's files, one by one and many at once: the parallel reader
// must give exactly what the one-by-one reader gives, in order, and never block.
#include "tagcodec/file_ends.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <random>
#include <thread>

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
  return a.opened == b.opened && a.size == b.size && a.tail == b.tail;
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

TEST(ReadFileEnds, GivesWhatReadingOneByOneGivesInOrderOnTheCallingThread) {
  TempDir dir;
  const std::vector<std::string> paths = mixedFolder(dir, 3000);
  std::vector<FileEnd> ends;
  std::size_t handed = 0;
  const std::thread::id caller = std::this_thread::get_id();
  readFileEnds(paths, systemFiles(), ends, [&](std::size_t begin, std::size_t end) {
    EXPECT_EQ(std::this_thread::get_id(), caller);
    EXPECT_EQ(begin, handed) << "runs come in order, without gaps";
    EXPECT_LT(begin, end);
    handed = end;
  });
  EXPECT_EQ(handed, paths.size());
  ASSERT_EQ(ends.size(), paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    EXPECT_TRUE(sameEnd(ends[i], readFileEnd(paths[i], systemFiles()))) << paths[i];
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
// is one the file really had, whole, and nothing blocks or crashes.
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

}  // namespace
