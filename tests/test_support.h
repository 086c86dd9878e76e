#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tagcodec/tag_block.h"
#ifdef _WIN32
#include "os/win32/win32_file_service.h"
#include "os/win32/wtf8.h"
#else
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "os/posix/posix_file_service.h"
#endif

// Skips the test where the build converts CP932 only (no iconv).
#if QUORVANE_HAVE_ICONV
#define QUORVANE_SKIP_WITHOUT_ICONV() static_cast<void>(0)
#else
#define QUORVANE_SKIP_WITHOUT_ICONV() GTEST_SKIP() << "this build converts CP932 only"
#endif

namespace quorvane::testing {

// The files and folders of the machine the tests run on.
inline FileService& systemFiles() {
#ifdef _WIN32
  static Win32FileService files;
#else
  static PosixFileService files;
#endif
  return files;
}

// Paths in the tests are the program's UTF-8 text; std::filesystem on Windows would read a
// narrow string in the ANSI code page.
inline std::filesystem::path pathOf(const std::string& text) {
#ifdef _WIN32
  return std::filesystem::path(wideFromText(text));
#else
  return std::filesystem::path(text);
#endif
}

inline std::string textOf(const std::filesystem::path& path) {
#ifdef _WIN32
  return textFromWide(path.wstring());
#else
  return path.string();
#endif
}

// A file without write permission (the read-only attribute on Windows), and back.
inline void makeReadOnly(const std::string& path) {
  std::filesystem::permissions(pathOf(path),
                               std::filesystem::perms::owner_write |
                                   std::filesystem::perms::group_write |
                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
}
inline void makeWritable(const std::string& path) {
  std::filesystem::permissions(pathOf(path), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
}

inline void setEnvironment(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value);
#else
  ::setenv(name, value, 1);
#endif
}
inline void unsetEnvironment(const char* name) {
#ifdef _WIN32
  _putenv_s(name, "");
#else
  ::unsetenv(name);
#endif
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
    std::random_device seed;
    std::mt19937_64 random(seed());
    do {
      path_ = std::filesystem::temp_directory_path() /
              ("quorvane-test-" + std::to_string(random() % 1'000'000'000'000ULL));
    } while (!std::filesystem::create_directory(path_));
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
  std::string text() const { return textOf(path_); }
  std::string file(const std::string& name) const { return textOf(path_ / pathOf(name)); }
  // The names in the folder as the file system keeps them, sorted: unlike exists(), this
  // tells "a.mp3" from "A.mp3" where names ignore case.
  std::vector<std::string> names() const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      found.push_back(textOf(entry.path().filename()));
    }
    std::sort(found.begin(), found.end());
    return found;
  }

 private:
  std::filesystem::path path_;
};

inline void writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(pathOf(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline Bytes readFile(const std::string& path) {
  std::ifstream in(pathOf(path), std::ios::binary);
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

#ifndef _WIN32
// A Unix socket bound at `path`, never listening: an entry that is neither file nor folder.
inline void makeSocket(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
  ::close(fd);
}
#endif

}  // namespace quorvane::testing
