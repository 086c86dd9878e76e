// The in-memory file service that the fault tests use behaves as the machine's own does,
// in everything the window relies on: the same cases run on both.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/faulty_files.h"
#include "tests/test_support.h"

namespace {

using namespace quorvane;
using namespace quorvane::testing;

struct DiskWorld {
  TempDir dir;
  FileService& files = systemFiles();
  std::string folder() const { return dir.text(); }
  void add(const std::string& name, const Bytes& bytes) { writeFile(dir.file(name), bytes); }
  void addFolder(const std::string& name) { std::filesystem::create_directory(dir.path() / name); }
  void readOnly(const std::string& name) { makeReadOnly(dir.file(name)); }
  Bytes bytes(const std::string& name) { return readFile(dir.file(name)); }
};

struct MemoryWorld {
  MemoryWorld() { fake.addFolder("/music"); }
  FaultyFiles fake;
  FileService& files = fake;
  std::string folder() const { return "/music"; }
  void add(const std::string& name, const Bytes& bytes) { fake.addFile("/music/" + name, bytes); }
  void addFolder(const std::string& name) { fake.addFolder("/music/" + name); }
  void readOnly(const std::string& name) { fake.node("/music/" + name)->readOnly = true; }
  Bytes bytes(const std::string& name) {
    const auto node = fake.node("/music/" + name);
    return node ? node->bytes : Bytes{};
  }
};

template <class World>
class FileServiceContract : public ::testing::Test {
 protected:
  std::string path(const std::string& name) { return w.files.joinPath(w.folder(), name); }
  World w;
};

using Worlds = ::testing::Types<DiskWorld, MemoryWorld>;
TYPED_TEST_SUITE(FileServiceContract, Worlds);

TYPED_TEST(FileServiceContract, ListsMp3FilesByTheirBytesWithoutHiddenFilesOrFolders) {
  auto& w = this->w;
  for (const char* name : {"b.mp3", "A.MP3", "c.Mp3", ".hidden.mp3", "x.txt", "mp3"}) {
    w.add(name, audio(10));
  }
  w.addFolder("d.mp3");
  const FolderListing listing = w.files.listMp3Files(w.folder());
  EXPECT_TRUE(listing.ok);
  EXPECT_EQ(listing.names, (std::vector<std::string>{"A.MP3", "b.mp3", "c.Mp3"}));
  EXPECT_EQ(w.files.listSubfolders(w.folder()), std::vector<std::string>{"d.mp3"});
  EXPECT_TRUE(w.files.isFolder(w.folder()));
  EXPECT_FALSE(w.files.isFolder(this->path("b.mp3")));

  const FolderListing missing = w.files.listMp3Files(this->path("none"));
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.error, std::strerror(ENOENT));
}

TYPED_TEST(FileServiceContract, ReadsAndWritesAtOffsetsWithinTheFile) {
  auto& w = this->w;
  w.add("a.mp3", audio(300));
  FileFailure failure;
  {
    auto file = w.files.openToRead(this->path("a.mp3"), failure);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size(), 300);
    Bytes tail(128);
    ASSERT_TRUE(file->read(172, tail));
    EXPECT_EQ(tail, lastBytes(audio(300), 128));
    Bytes beyond(128);
    EXPECT_FALSE(file->read(173, beyond)) << "a read that meets the end fails";
  }
  {
    auto file = w.files.openToWrite(this->path("a.mp3"), failure);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->write(300, bytesOf("appended")));
    ASSERT_TRUE(file->write(0, bytesOf("X")));
    ASSERT_TRUE(file->flush());
    ASSERT_TRUE(file->close());
  }
  Bytes expected = concat(audio(300), bytesOf("appended"));
  expected[0] = 'X';
  EXPECT_EQ(w.bytes("a.mp3"), expected);
  {
    auto file = w.files.openToWrite(this->path("a.mp3"), failure);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size(), 308);
    ASSERT_TRUE(file->truncate(300));
  }
  EXPECT_EQ(w.bytes("a.mp3").size(), 300u);
}

TYPED_TEST(FileServiceContract, RefusesMissingFilesFoldersAndReadOnlyFilesForWriting) {
  auto& w = this->w;
  w.add("ro.mp3", audio(200));
  w.readOnly("ro.mp3");
  w.addFolder("sub.mp3");
  FileFailure failure;
  EXPECT_FALSE(w.files.openToRead(this->path("none.mp3"), failure));
  EXPECT_FALSE(failure.notRegularFile);
  EXPECT_EQ(failure.description, std::strerror(ENOENT));

  failure = {};
  EXPECT_FALSE(w.files.openToRead(this->path("sub.mp3"), failure));
  EXPECT_TRUE(failure.notRegularFile);
  failure = {};
  EXPECT_FALSE(w.files.openToWrite(this->path("sub.mp3"), failure));
  EXPECT_EQ(failure.description, std::strerror(EISDIR));

  failure = {};
  EXPECT_TRUE(w.files.openToRead(this->path("ro.mp3"), failure));
  EXPECT_FALSE(w.files.openToWrite(this->path("ro.mp3"), failure));
  EXPECT_EQ(failure.description, std::strerror(EACCES));
  EXPECT_EQ(w.bytes("ro.mp3"), audio(200));
}

TYPED_TEST(FileServiceContract, RenamesWithoutEverReplacingAFile) {
  auto& w = this->w;
  w.add("a.mp3", audio(200));
  w.add("b.mp3", audio(300));
  FileFailure failure;
  EXPECT_FALSE(w.files.renameNoReplace(this->path("a.mp3"), this->path("b.mp3"), failure));
  EXPECT_EQ(failure.description, std::strerror(EEXIST));
  EXPECT_EQ(w.bytes("a.mp3"), audio(200));
  EXPECT_EQ(w.bytes("b.mp3"), audio(300));

  EXPECT_FALSE(w.files.renameNoReplace(this->path("none.mp3"), this->path("c.mp3"), failure));
  EXPECT_EQ(failure.description, std::strerror(ENOENT));

  ASSERT_TRUE(w.files.renameNoReplace(this->path("a.mp3"), this->path("c.mp3"), failure));
  EXPECT_EQ(w.bytes("c.mp3"), audio(200));
  ASSERT_TRUE(w.files.renameNoReplace(this->path("c.mp3"), this->path("C.mp3"), failure))
      << "a change of letter case alone is a rename";
  EXPECT_EQ(w.files.listMp3Files(w.folder()).names,
            (std::vector<std::string>{"C.mp3", "b.mp3"}));
  EXPECT_TRUE(w.files.flushFolder(w.folder(), failure));
  EXPECT_FALSE(w.files.flushFolder(this->path("none"), failure));
}

TYPED_TEST(FileServiceContract, PlainNamesStayInTheirFolder) {
  auto& w = this->w;
  for (const char* name : {"a.mp3", "a b.mp3", "..a.mp3", "a\\b.mp3", "曲.mp3"}) {
    EXPECT_TRUE(w.files.isPlainName(name)) << name;
  }
  for (std::string_view name :
       {std::string_view(""), std::string_view("."), std::string_view(".."),
        std::string_view("a/b.mp3"), std::string_view("../a.mp3"), std::string_view("a\0b", 3)}) {
    EXPECT_FALSE(w.files.isPlainName(name)) << name;
  }
  EXPECT_EQ(w.files.joinPath("/x", "a.mp3"), "/x/a.mp3");
  EXPECT_EQ(w.files.joinPath("/", "a.mp3"), "//a.mp3") << "the separator is added in every case";
}

}  // namespace
