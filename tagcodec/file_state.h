#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tagcodec/file_ends.h"

namespace quorvane {

// What a file looked like when it was read: its length and a 128-bit hash of its last
// min(length, 128) bytes, where its tag lives. A file that another program retagged, or
// that was replaced, no longer has the state it was loaded with. The hash is made to
// tell changed bytes apart, fast enough for every file of a large folder; it is no
// defence against someone making two tags collide on purpose.
struct FileState {
  std::int64_t size = -1;  // -1: the file could not be read
  std::array<std::uint8_t, 16> hash{};

  bool operator==(const FileState&) const = default;
  // Opaque text for a sheet cell: the length and the hash in hex, "1a0.9f86d0818...".
  std::string text() const;
  // text() appended to `out`.
  void appendText(std::string& out) const;
  static std::optional<FileState> parse(std::string_view text);
};

FileState fileStateOf(const FileEnd& end);

}  // namespace quorvane
