#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "os/posix/posix_file_service.h"
#include "tagcodec/code_page.h"
#include "tagcodec/utf8.h"

namespace quorvane::fuzz {

// The files and folders of the machine the fuzzer runs on.
inline FileService& systemFiles() {
  static PosixFileService files;
  return files;
}

// Ends the run when a property fails: libFuzzer sees the abort and keeps the input.
inline void check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

inline bool isUtf8(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    char32_t cp = 0;
    const std::size_t len = utf8::decodeOne(text, pos, cp);
    if (len == 0) return false;
    pos += len;
  }
  return true;
}

// UTF-8, or WTF-8: a surrogate without its partner may stand as its three bytes (a Windows
// name can hold one), a pair may not.
inline bool isWtf8(std::string_view text) {
  const auto surrogateAt = [&](std::size_t pos) {  // 0 none, 1 high, 2 low
    if (text.size() - pos < 3 || static_cast<unsigned char>(text[pos]) != 0xED) return 0;
    const auto second = static_cast<unsigned char>(text[pos + 1]);
    if (second < 0xA0 || (static_cast<unsigned char>(text[pos + 2]) & 0xC0) != 0x80) return 0;
    return second < 0xB0 ? 1 : 2;
  };
  for (std::size_t pos = 0; pos < text.size();) {
    char32_t cp = 0;
    std::size_t len = utf8::decodeOne(text, pos, cp);
    if (len == 0) {
      const int surrogate = surrogateAt(pos);
      if (surrogate == 0 || (surrogate == 1 && surrogateAt(pos + 3) == 2)) return false;
      len = 3;
    }
    pos += len;
  }
  return true;
}

// The tag code page fixed to CP932 whatever the environment says, so that the duplicate
// pairs below are the ones in force.
inline const CodePage& cp932() {
  static const bool ready = [] {
    ::setenv("QUORVANE_CODEPAGE", "CP932", 1);
    std::string error;
    check(initTagCodePage(&error), "CP932 is not available");
    return true;
  }();
  (void)ready;
  return tagCodePage();
}

// CP932 holds some characters twice and encodes each under one of its codes: NEC's row 13
// repeats nine symbols (lead 0x87), NEC's selection of IBM extensions (0xED, 0xEE) repeats
// IBM's own, and fifteen IBM codes (0xFA) repeat NEC's.
inline bool isDuplicateLead(std::uint8_t lead) {
  return lead == 0x87 || lead == 0xED || lead == 0xEE || lead == 0xFA;
}

// Length of the character that starts at bytes[pos] as the decoder reads it from the
// start: 2 for a pair that decodes to one character, else 1 (a single-byte character or
// a byte kept as an escape).
inline std::size_t unitLength(const CodePage& page, std::string_view bytes, std::size_t pos) {
  if (pos + 1 >= bytes.size()) return 1;
  const std::string text = page.decode(bytes.substr(pos, 2));
  char32_t cp = 0;
  const std::size_t len = utf8::decodeOne(text, 0, cp);
  return len != 0 && len == text.size() && !utf8::isEscape(cp) ? 2 : 1;
}

// `back`, the bytes that `original` became after a decode and an encode, must equal it
// except in duplicate pairs, and each changed pair must be the same character.
inline void checkSameBytesOrDuplicates(const CodePage& page, std::string_view original,
                                       std::string_view back) {
  if (back == original) return;
  check(back.size() == original.size(), "re-encoded bytes have another length");
  for (std::size_t pos = 0; pos < original.size();) {
    const std::size_t len = unitLength(page, original, pos);
    if (original.substr(pos, len) != back.substr(pos, len)) {
      check(len == 2 && isDuplicateLead(static_cast<std::uint8_t>(original[pos])),
            "a byte changed outside CP932's duplicate pairs");
      check(page.decode(back.substr(pos, 2)) == page.decode(original.substr(pos, 2)),
            "a duplicate pair was replaced by another character");
    }
    pos += len;
  }
}

// A private folder for the run, removed when the fuzzer exits normally.
inline const std::filesystem::path& runFolder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-fuzz-XXXXXX");
    check(::mkdtemp(pattern.data()) != nullptr, "cannot make a temporary folder");
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(runFolder(), ignored);
    });
    return std::filesystem::path(pattern);
  }();
  return folder;
}

}  // namespace quorvane::fuzz
