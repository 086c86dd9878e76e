// Folder listings on Linux: names in the order of their bytes, however many.
#include "os/posix/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "os/posix/file_names.h"
#include "tests/test_support.h"

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
  std::vector<std::string> listed;
  for (const std::string& name : listing.names) listed.push_back(nameToBytes(name));
  EXPECT_EQ(listed, names);
}

}  // namespace
