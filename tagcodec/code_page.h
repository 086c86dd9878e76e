#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// Converts between bytes in one iconv encoding and UTF-8 text without losing a byte:
// a byte that does not decode becomes the escape character U+10FE00 + byte (see utf8.h)
// and encodes back to itself; a character the encoding cannot hold encodes as '?'.
// Not thread-safe: the program converts on its one user-interface thread.
class CodePage {
 public:
  // Opens the iconv encoding `name`; returns null and sets `error` when iconv does not
  // know it in both directions.
  static std::unique_ptr<CodePage> open(const std::string& name, std::string* error);

  ~CodePage();
  CodePage(const CodePage&) = delete;
  CodePage& operator=(const CodePage&) = delete;

  const std::string& name() const { return name_; }
  std::string decode(std::string_view bytes) const;
  std::string encode(std::string_view text) const;

 private:
  CodePage(std::string name, void* toText, void* toBytes);
  void decodeBySequence(std::string_view bytes, std::string& out) const;
  void encodeRun(std::string_view run, std::string& out) const;
  // Encodes the first character of `run`, which follows the escaped byte `escapedByte`,
  // so that the two do not read back as one character. Returns its length in `run`.
  std::size_t encodeAfterEscape(int escapedByte, std::string_view run, std::string& out) const;
  // True when the byte `lead` followed by the first byte of `code` reads as one character.
  bool joins(int lead, std::string_view code) const;
  // The other codes of a character that the code page maps more than once.
  const std::vector<std::string>& duplicateCodes(const std::string& character) const;

  std::string name_;
  void* toText_;   // iconv_t, bytes -> UTF-8
  void* toBytes_;  // iconv_t, UTF-8 -> bytes
  bool asciiCompatible_ = false;
  std::string question_ = "?";
  mutable std::unique_ptr<std::map<std::string, std::vector<std::string>>> duplicates_;
};

// The encoding of tag text: CP932 unless QUORVANE_CODEPAGE names another. Programs call
// initTagCodePage() at start-up to report a bad name; tagCodePage() opens it on first use
// and ends the process with a message if the name is bad.
bool initTagCodePage(std::string* error);
const CodePage& tagCodePage();

}  // namespace quorvane
