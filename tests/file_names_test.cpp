#include "os/posix/file_names.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using quorvane::isOwnText;
using quorvane::nameFromBytes;
using quorvane::nameToBytes;

TEST(FileNames, Utf8NamesAreTheirOwnText) {
  for (const std::string name : {"a.mp3", "曲 01 - ＡＢＣ.MP3", "$(touch x);'\".mp3", ""}) {
    EXPECT_EQ(nameFromBytes(name), name);
    EXPECT_EQ(nameToBytes(name), name);
    EXPECT_TRUE(isOwnText(name));
  }
}

TEST(FileNames, AnyBytesComeBack) {
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    std::string bytes(1 + random() % 40, '\0');
    for (auto& b : bytes) b = static_cast<char>(1 + random() % 255);
    const std::string text = nameFromBytes(bytes);
    ASSERT_EQ(nameToBytes(text), bytes);
    ASSERT_EQ(isOwnText(bytes), text == bytes);
  }
}

TEST(FileNames, EscapesOfAsciiBytesNeverBecomeSeparators) {
  // Names never decode to them, so U+10FE2E U+10FE2E U+10FE2F is text, not "../".
  const std::string text = "\xF4\x8F\xB8\xAE\xF4\x8F\xB8\xAE\xF4\x8F\xB8\xAFx.mp3";
  const std::string bytes = nameToBytes(text);
  EXPECT_EQ(bytes.find('/'), std::string::npos);
  EXPECT_EQ(bytes, text);
}

TEST(FileNames, EscapeRangeWrittenInUtf8StaysFourBytes) {
  const std::string bytes = "a\xF4\x8F\xBA\x81.mp3";  // U+10FE81 itself
  EXPECT_EQ(nameToBytes(nameFromBytes(bytes)), bytes);
}

}  // namespace
