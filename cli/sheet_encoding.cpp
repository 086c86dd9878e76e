#include "cli/sheet_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "tagcodec/utf8.h"

namespace quorvane {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

class Iconv {
 public:
  explicit Iconv(const std::string& from) : handle_(iconv_open("UTF-8", from.c_str())) {}
  ~Iconv() {
    if (ok()) iconv_close(handle_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `in` onto `out`; false when it stops at a byte sequence that does not
  // decode or is cut off at the end. `out` then holds what came before it.
  bool convert(std::string_view in, std::string& out) {
    char* inPtr = const_cast<char*>(in.data());  // iconv's signature; it only reads
    std::size_t inLeft = in.size();
    while (inLeft > 0) {
      const std::size_t start = out.size();
      out.resize(start + inLeft * 3 + 16);
      char* outPtr = out.data() + start;
      std::size_t outLeft = out.size() - start;
      const std::size_t r = iconv(handle_, &inPtr, &inLeft, &outPtr, &outLeft);
      const int err = errno;
      out.resize(out.size() - outLeft);
      if (r == static_cast<std::size_t>(-1) && err != E2BIG) return false;
    }
    return true;
  }

 private:
  iconv_t handle_;
};

// Where the text stops being acceptable: a byte that is not well-formed UTF-8 (iconv lets
// some odd forms through from a few encodings) or a zero character.
std::size_t firstBadOffset(std::string_view text, bool& zero) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == '\0') {
      zero = true;
      return pos;
    }
    char32_t cp = 0;
    const std::size_t len = utf8::decodeOne(text, pos, cp);
    if (len == 0) return pos;
    pos += len;
  }
  return std::string_view::npos;
}

std::string upperCase(std::string_view name) {
  std::string upper;
  for (char c : name) upper += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  return upper;
}

std::string badInputMessage(std::string_view text, std::size_t offset, const std::string& name,
                            bool byMark, bool zero) {
  const auto line =
      1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n');
  // The likeliest right name: UTF-16 leaves zero bytes in what reads as UTF-8, and
  // Japanese spreadsheet programs save plain text in CP932.
  const char* other = zero ? "UTF-16LE" : upperCase(name) == "UTF-8" ? "CP932" : "UTF-8";
  std::string message = "line " + std::to_string(line) + ": not " + name + " text";
  if (byMark) message += " (the encoding its byte-order mark names)";
  if (zero) message += " (it holds a zero byte)";
  message += "; name the file's encoding with --encoding, for example --encoding ";
  message += other;
  return message;
}

// Japanese Windows programs, and the web, write CP932 under Shift_JIS's names; iconv's own
// SHIFT_JIS reads 0x5C as the yen sign and 0x8160 as the wave dash, which a CP932 tag would
// store as '?'. So those names read as CP932, as browsers read them.
std::string iconvName(const std::string& name) {
  const std::string upper = upperCase(name);
  for (const char* alias :
       {"SHIFT_JIS", "SHIFT-JIS", "SHIFTJIS", "SJIS", "MS_KANJI", "CSSHIFTJIS", "X-SJIS"}) {
    if (upper == alias) return "CP932";
  }
  return name;
}

}  // namespace

bool knownEncoding(const std::string& encoding) {
  return !encoding.empty() && Iconv(iconvName(encoding)).ok();
}

DecodedInput decodeSheetInput(std::string_view bytes, const std::string& encoding) {
  DecodedInput decoded;
  std::string name = encoding;
  bool byMark = false;
  if (name.empty() && (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")) {
    name = bytes[0] == '\xFF' ? "UTF-16LE" : "UTF-16BE";
    byMark = true;
  }
  bool complete = true;
  if (name.empty()) {
    name = "UTF-8";
    decoded.text.assign(bytes);
  } else {
    Iconv converter(iconvName(name));
    if (!converter.ok()) {
      decoded.error = "unknown encoding: " + name;
      return decoded;
    }
    complete = converter.convert(bytes, decoded.text);
  }
  // Every byte-order mark has become U+FEFF at the start of the text.
  if (std::string_view(decoded.text).substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    decoded.text.erase(0, kUtf8Mark.size());
  }
  bool zero = false;
  const std::size_t bad = std::min(firstBadOffset(decoded.text, zero),
                                   complete ? std::string_view::npos : decoded.text.size());
  if (bad != std::string_view::npos) {
    decoded.error = badInputMessage(decoded.text, bad, name, byMark, zero);
    decoded.text.resize(bad);
  }
  return decoded;
}

}  // namespace quorvane
