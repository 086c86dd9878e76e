#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace quorvane {

class CodeConverter;

// Converts between bytes in one code page and UTF-8 text without losing a byte: a byte
// that does not decode becomes the escape character U+10FE00 + byte (see utf8.h) and
// encodes back to itself; a character the code page cannot hold encodes as '?'.
//
// CP932 (the default) converts with tables built into the program, byte for byte as
// glibc's iconv does, so that every build, with iconv or without, reads and writes tags the
// same way. Other code pages go through iconv where the build has it.
//
// Threads: decode and encode may be called on one CodePage from any number of threads at
// once. CP932's tables are only read, so its threads run side by side; an iconv code page
// takes a lock for each call, so its threads convert one at a time.
class CodePage {
 public:
  // Opens the code page `name`: CP932 under any of iconv's names for it from the built-in
  // tables, any other from iconv. Returns null and sets `error` when iconv does not know the
  // name in both directions, or when the build has no iconv and the name is not CP932's.
  static std::unique_ptr<CodePage> open(const std::string& name, std::string* error);
  // Opens `name` through iconv even when a table is built in for it, to hold the two against
  // each other. Without iconv it returns null and sets `error`.
  static std::unique_ptr<CodePage> openIconv(const std::string& name, std::string* error);

  ~CodePage();
  CodePage(const CodePage&) = delete;
  CodePage& operator=(const CodePage&) = delete;

  const std::string& name() const { return name_; }
  std::string decode(std::string_view bytes) const;
  // decode's text appended to `out`: a reader that reuses `out` decodes without allocating.
  void decodeAppend(std::string_view bytes, std::string& out) const;
  std::string encode(std::string_view text) const;

 private:
  CodePage(std::string name, std::unique_ptr<const CodeConverter> converter);
  // Encodes the first character of `run`, which follows the escaped byte `escapedByte`,
  // so that the two do not read back as one character. Returns its length in `run`.
  std::size_t encodeAfterEscape(int escapedByte, std::string_view run, std::string& out) const;

  std::string name_;
  std::unique_ptr<const CodeConverter> converter_;
  bool asciiCompatible_;
};

// The encoding of tag text: CP932 unless QUORVANE_CODEPAGE names another. Programs call
// initTagCodePage() at start-up, before any thread converts, to report a bad name;
// tagCodePage() opens it on first use (safe from several threads) and ends the process
// with a message if the name is bad.
bool initTagCodePage(std::string* error);
const CodePage& tagCodePage();

}  // namespace quorvane
