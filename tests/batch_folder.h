#pragma once

// The folder that the window tests of batch editing open, the same on every system: three
// tagged files named "NN Artist - Title" (the third's title longer than its field) and one
// whose name fits no such pattern.
#include <string>
#include <string_view>

#include "tests/test_support.h"

namespace quorvane::testing {

// 17 characters, 34 bytes in code page 932: longer than the title field.
inline const std::string kLongTitle = "長い題名が三十バイトを超えてしまう";

inline void writeBatchFolder(const TempDir& dir) {
  const auto tagged = [](std::string_view title) {
    return rawTag(bytesOf(title), bytesOf("Old artist"), bytesOf("Album"), bytesOf("2001"), {},
                  17);
  };
  writeFile(dir.file("01 Alpha - One.mp3"), concat(audio(400), tagged("Old one")));
  writeFile(dir.file("02 Beta - Two.mp3"), concat(audio(400), tagged("Old two")));
  writeFile(dir.file("03 Gamma - " + kLongTitle + ".mp3"), concat(audio(400), tagged("Old three")));
  writeFile(dir.file("notes.mp3"), concat(audio(400), tagged("Notes")));
}

}  // namespace quorvane::testing
