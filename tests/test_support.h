#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "os/posix/posix_file_service.h"
#include "tagcodec/tag_block.h"

namespace quorvane::testing {

// The files and folders of the machine the tests run on.
inline FileService& systemFiles() {
  static PosixFileService files;
  return files;
}

using Bytes = std::vector<std::uint8_t>;

// Names a table-driven case after its `what` text, so a failure says which row broke.
template <class Case>
std::string caseName(const ::testing::TestParamInfo<Case>& info) {
  std::string name;
  for (const char* p = info.param.what; *p; ++p) {
    name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  }
  return name + "_" + std::to_string(info.index);
}

inline Bytes bytesOf(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-test-XXXXXX");
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    // Give write permission back first so that read-only test files can be removed.
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored)) {
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Audio-like filler: every byte value, so a shifted or overwritten byte shows.
inline Bytes audio(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return bytes;
}

// A raw tag block: "TAG", then the given field bytes at their offsets, genre last.
inline Bytes rawTag(const Bytes& title, const Bytes& artist = {}, const Bytes& album = {},
                    const Bytes& year = {}, const Bytes& comment = {}, std::uint8_t genre = 0) {
  Bytes block(kTagSize, 0);
  block[0] = 'T', block[1] = 'A', block[2] = 'G';
  const auto put = [&](const Bytes& field, FieldSpan span) {
    for (std::size_t i = 0; i < field.size() && i < span.width; ++i)
      block[span.offset + i] = field[i];
  };
  put(title, kTitleField);
  put(artist, kArtistField);
  put(album, kAlbumField);
  put(year, kYearField);
  put(comment, kCommentField);
  block[kGenreOffset] = genre;
  return block;
}

inline Bytes concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline Bytes lastBytes(const Bytes& bytes, std::size_t n) {
  return Bytes(bytes.end() - static_cast<std::ptrdiff_t>(n), bytes.end());
}

inline Bytes slice(const Bytes& bytes, std::size_t offset, std::size_t width) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
               bytes.begin() + static_cast<std::ptrdiff_t>(offset + width));
}

inline Bytes spaces(std::size_t n) {
  return Bytes(n, 0x20);
}

}  // namespace quorvane::testing
