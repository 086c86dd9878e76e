// Folder listings on Linux: names in the order of their bytes, however many; entries whose
// type the file system does not report, and entries that cannot be looked at.
#include "os/posix/file_system.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <random>

#include "os/posix/file_names.h"
#include "tests/test_support.h"

namespace {

// Faults planted under readdir and fstatat below: what some file systems do (report no entry
// types, fail to look at one entry) made to happen on a chosen entry.
struct ListingFaults {
  bool unknownTypes = false;  // readdir reports DT_UNKNOWN for every entry
  std::string failStatOf;     // fstatat of this name fails with EIO
  int failReaddirAfter = -1;  // readdir fails with EIO after this many entries
  int entries = 0, stats = 0;  // counted only while a fault is planted
  bool planted() const { return unknownTypes || !failStatOf.empty() || failReaddirAfter >= 0; }
};
ListingFaults faults;

#if defined(_FILE_OFFSET_BITS) && _FILE_OFFSET_BITS == 64
constexpr const char* kReaddir = "readdir64";
constexpr const char* kFstatat = "fstatat64";
#else
constexpr const char* kReaddir = "readdir";
constexpr const char* kFstatat = "fstatat";
#endif

}  // namespace

// These take the place of the C library's for the whole test program (the listing code is
// linked into it); unplanted, they call the library's own.
extern "C" dirent* readdir(DIR* dir) {
  using Readdir = dirent* (*)(DIR*);
  static const auto real = reinterpret_cast<Readdir>(::dlsym(RTLD_NEXT, kReaddir));
  if (faults.failReaddirAfter >= 0 && faults.entries == faults.failReaddirAfter) {
    errno = EIO;
    return nullptr;
  }
  dirent* entry = real(dir);
  if (entry && faults.planted()) ++faults.entries;
  if (entry && faults.unknownTypes) entry->d_type = DT_UNKNOWN;
  return entry;
}

extern "C" int fstatat(int folder, const char* name, struct stat* info, int flags) noexcept {
  using Fstatat = int (*)(int, const char*, struct stat*, int);
  static const auto real = reinterpret_cast<Fstatat>(::dlsym(RTLD_NEXT, kFstatat));
  if (faults.planted()) ++faults.stats;
  if (!faults.failStatOf.empty() && faults.failStatOf == name) {
    errno = EIO;
    return -1;
  }
  return real(folder, name, info, flags);
}

namespace {

using namespace quorvane;
using namespace quorvane::testing;

TEST(ListMp3Files, ManyNamesComeInTheOrderOfTheirBytes) {
  TempDir dir;
  std::mt19937 random(3);
  // Shared beginnings, names that are beginnings of others, bytes above 0x7F, case.
  const std::string alphabet = "aAbB0 _\x80\xE3\xFF";
  std::vector<std::string> names;
  for (int i = 0; i < 600; ++i) {
    std::string name = i % 3 == 0 ? "track" : i % 3 == 1 ? "曲 " : "";
    const int length = static_cast<int>(random() % 6);
    for (int k = 0; k < length; ++k) name += alphabet[random() % alphabet.size()];
    name += ".mp3";
    if (name[0] == '.') continue;  // hidden: never listed
    if (std::find(names.begin(), names.end(), name) != names.end()) continue;
    names.push_back(name);
    writeFile(dir.path().string() + "/" + name, audio(10));
  }
  std::sort(names.begin(), names.end());
  const fs::Mp3Listing listing = fs::listMp3Files(dir.path().string());
  ASSERT_TRUE(listing.ok);
  std::vector<std::string> listed, texts;
  for (const std::string& name : listing.names) listed.push_back(nameToBytes(name));
  EXPECT_EQ(listed, names);
  // Listed as text: bytes that are not UTF-8 come as escapes.
  for (const std::string& name : names) texts.push_back(nameFromBytes(name));
  EXPECT_EQ(listing.names, texts);
}

struct ListingCase {
  const char* what;
  bool unknownTypes;
  const char* failStatOf;
  int failReaddirAfter;
  bool ok;                           // the MP3 listing's verdict
  std::vector<std::string> mp3s;     // what it lists
  std::vector<std::string> folders;  // what the sub-folder listing lists
};

class ListingWithFaults : public ::testing::TestWithParam<ListingCase> {
 protected:
  void TearDown() override { faults = ListingFaults{}; }
};

// a.mp3, b.mp3 and c.mp3, folders x, y.mp3 and z, and a FIFO f.mp3: a folder and a FIFO named
// like MP3 files are never listed as files, so their type has to be found. Nine entries with
// "." and "..": a read that fails after nine fails where the folder would have ended.
TEST_P(ListingWithFaults, ListsWhatCanBeLookedAtAndFailsOnlyWhenReadingFails) {
  const ListingCase& c = GetParam();
  TempDir dir;
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) writeFile(dir.file(name), audio(10));
  for (const char* name : {"x", "y.mp3", "z"}) std::filesystem::create_directory(dir.file(name));
  ASSERT_EQ(::mkfifo(dir.file("f.mp3").c_str(), 0600), 0);

  faults.unknownTypes = c.unknownTypes;
  faults.failStatOf = c.failStatOf;
  faults.failReaddirAfter = c.failReaddirAfter;
  const fs::Mp3Listing listing = fs::listMp3Files(dir.text());
  const int statsForFiles = faults.stats;
  faults.entries = 0;
  const std::vector<std::string> folders = fs::listSubfolders(dir.text());
  const ListingFaults seen = faults;
  faults.entries = 0;
  const fs::FolderEntries both = fs::listFolder(dir.text(), true, true);
  faults = ListingFaults{};

  EXPECT_EQ(listing.ok, c.ok);
  EXPECT_EQ(both.mp3.ok, c.ok);
  if (c.ok) {
    EXPECT_EQ(listing.names, c.mp3s);
    EXPECT_EQ(folders, c.folders);
    // One read of the folder for both lists finds what two reads find.
    EXPECT_EQ(both.mp3.names, c.mp3s);
    EXPECT_EQ(both.subfolders, c.folders);
  } else {
    EXPECT_EQ(listing.error, EIO);  // the sub-folder list has no verdict: it lists what it read
    EXPECT_EQ(both.mp3.error, EIO);
  }
  // Without entry types every candidate is looked at: the planted calls were the ones made.
  if (c.unknownTypes && c.ok) {
    EXPECT_GE(statsForFiles, 5);
    EXPECT_GE(seen.stats, statsForFiles + 6);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListingWithFaults,
    ::testing::Values(
        ListingCase{"entry types reported",
                    false,
                    "",
                    -1,
                    true,
                    {"a.mp3", "b.mp3", "c.mp3"},
                    {"x", "y.mp3", "z"}},
        ListingCase{
            "no entry types", true, "", -1, true, {"a.mp3", "b.mp3", "c.mp3"}, {"x", "y.mp3", "z"}},
        // The entry that cannot be looked at is left out; the rest of the folder is listed.
        ListingCase{"a file that cannot be looked at",
                    true,
                    "a.mp3",
                    -1,
                    true,
                    {"b.mp3", "c.mp3"},
                    {"x", "y.mp3", "z"}},
        ListingCase{"a folder that cannot be looked at",
                    true,
                    "x",
                    -1,
                    true,
                    {"a.mp3", "b.mp3", "c.mp3"},
                    {"y.mp3", "z"}},
        ListingCase{"the folder cannot be read to its end", false, "", 2, false, {}, {}},
        ListingCase{"a failed look and then a failed read", true, "a.mp3", 9, false, {}, {}}),
    caseName<ListingCase>);

// Links, read once for both lists: a link to a folder is a sub-folder, whatever its name; a
// link to an MP3 file is neither (writing through it could change a file elsewhere).
TEST(ListFolder, LinksInOneReadForBothLists) {
  TempDir dir;
  writeFile(dir.file("a.mp3"), audio(10));
  std::filesystem::create_directory(dir.file("x"));
  std::filesystem::create_directory_symlink(dir.file("x"), dir.file("to-x"));
  std::filesystem::create_directory_symlink(dir.file("x"), dir.file("to-x.mp3"));
  std::filesystem::create_symlink(dir.file("a.mp3"), dir.file("to-a.mp3"));
  std::filesystem::create_symlink(dir.file("gone"), dir.file("dangling.mp3"));
  for (const bool unknownTypes : {false, true}) {
    SCOPED_TRACE(unknownTypes ? "no entry types" : "entry types reported");
    faults.unknownTypes = unknownTypes;
    const fs::FolderEntries both = fs::listFolder(dir.text(), true, true);
    const fs::FolderEntries files = fs::listFolder(dir.text(), true, false);
    const fs::FolderEntries folders = fs::listFolder(dir.text(), false, true);
    faults = ListingFaults{};
    EXPECT_EQ(both.mp3.names, std::vector<std::string>{"a.mp3"});
    EXPECT_EQ(both.subfolders, (std::vector<std::string>{"to-x", "to-x.mp3", "x"}));
    EXPECT_EQ(files.mp3.names, both.mp3.names);
    EXPECT_TRUE(files.subfolders.empty());
    EXPECT_TRUE(folders.mp3.names.empty());
    EXPECT_EQ(folders.subfolders, both.subfolders);
  }
}

// A listing read ahead serves the next listing of each kind of exactly its folder, once; a
// later one, another folder's, or one after it is dropped reads the folder as it is then.
TEST(ListingAhead, ServesEachListOfItsFolderOnceAndNothingElse) {
  TempDir dir, other;
  writeFile(dir.file("a.mp3"), audio(10));
  std::filesystem::create_directory(dir.file("x"));
  writeFile(other.file("o.mp3"), audio(10));
  const std::vector<std::string> oneFolder{"x"}, twoFolders{"x", "y"};

  {
    PosixFileService files;
    files.listAhead(dir.text());
    EXPECT_EQ(files.listMp3Files(other.text()).names, std::vector<std::string>{"o.mp3"});
    // Taking the files waits for the read: what is made after it is not in its listing.
    EXPECT_EQ(files.listMp3Files(dir.text()).names, std::vector<std::string>{"a.mp3"});
    writeFile(dir.file("b.mp3"), audio(10));
    std::filesystem::create_directory(dir.file("y"));
    EXPECT_EQ(files.listSubfolders(dir.text()), oneFolder);
    EXPECT_EQ(files.listSubfolders(dir.text()), twoFolders);
    EXPECT_EQ(files.listMp3Files(dir.text()).names, (std::vector<std::string>{"a.mp3", "b.mp3"}));
    std::filesystem::remove(dir.file("b.mp3"));
    std::filesystem::remove(dir.file("y"));
  }
  {
    PosixFileService files;
    files.listAhead(dir.text());
    EXPECT_EQ(files.listMp3Files(dir.text()).names, std::vector<std::string>{"a.mp3"});
    std::filesystem::create_directory(dir.file("y"));
    files.dropListingAhead();
    EXPECT_EQ(files.listSubfolders(dir.text()), twoFolders);
    std::filesystem::remove(dir.file("y"));
  }
  {
    // A folder that cannot be read reports why, read ahead as read now.
    PosixFileService files;
    const std::string gone = dir.file("gone");
    files.listAhead(gone);
    const FolderListing listing = files.listMp3Files(gone);
    EXPECT_FALSE(listing.ok);
    EXPECT_EQ(listing.error, files.listMp3Files(gone).error);
    EXPECT_TRUE(files.listSubfolders(gone).empty());
  }
  {
    // Dropped or left untaken, the read is waited for: nothing outlives the service.
    PosixFileService files;
    files.listAhead(dir.text());
    files.listAhead(other.text());
  }
}

}  // namespace
