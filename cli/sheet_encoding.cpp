#include "cli/sheet_encoding.h"

#include <algorithm>
#include <memory>

#include "tagcodec/code_page.h"
#include "tagcodec/utf8.h"
#if QUORVANE_HAVE_ICONV
#include "tagcodec/iconv_converter.h"
#endif

namespace quorvane {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

#if QUORVANE_HAVE_ICONV
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
    return iconvAppend(handle_, in, out) == in.size();
  }

 private:
  iconv_t handle_;
};
#endif

// UTF-16 in either byte order, as "Unicode text" exports hold it; false at a code unit
// cut off at the end or a surrogate without its partner.
bool fromUtf16(std::string_view in, bool littleEndian, std::string& out) {
  const auto unitAt = [&](std::size_t i) -> char32_t {
    const auto a = static_cast<unsigned char>(in[i]), b = static_cast<unsigned char>(in[i + 1]);
    return littleEndian ? a | (b << 8) : (a << 8) | b;
  };
  for (std::size_t i = 0; i < in.size(); i += 2) {
    if (i + 1 >= in.size()) return false;
    char32_t cp = unitAt(i);
    if (cp >= 0xDC00 && cp <= 0xDFFF) return false;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (i + 3 >= in.size()) return false;
      const char32_t low = unitAt(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return false;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    utf8::append(out, cp);
  }
  return true;
}

// CP932 by the tag codec's own tables, so that the text reads as tags do; false at the
// first byte that does not decode (the codec keeps such a byte as an escape character).
bool fromCp932(std::string_view in, std::string& out) {
  static const std::unique_ptr<CodePage> page = CodePage::open("CP932", nullptr);
  out = page->decode(in);
  for (std::size_t pos = 0; pos < out.size();) {
    char32_t cp = 0;
    const std::size_t len = utf8::decodeOne(out, pos, cp);
    if (len != 0 && utf8::isEscape(cp)) {
      out.resize(pos);
      return false;
    }
    pos += len == 0 ? 1 : len;
  }
  return true;
}

enum class Conversion { Done, Stopped, Unknown };

// A surrogate's three bytes at text[pos] (ED A0-BF 80-BF): 0 when there is none, else
// 1 for a high one and 2 for a low one.
int surrogateAt(std::string_view text, std::size_t pos) {
  if (text.size() - pos < 3 || static_cast<unsigned char>(text[pos]) != 0xED) return 0;
  const auto second = static_cast<unsigned char>(text[pos + 1]);
  const auto third = static_cast<unsigned char>(text[pos + 2]);
  if (second < 0xA0 || second > 0xBF || (third & 0xC0) != 0x80) return 0;
  return second < 0xB0 ? 1 : 2;
}

// Where the text stops being acceptable: a byte that is not well-formed UTF-8 (iconv lets
// some odd forms through from a few encodings) or a zero character. A surrogate without
// its partner passes, as WTF-8 writes it: Windows names may hold one, and `list` prints
// such a name so.
std::size_t firstBadOffset(std::string_view text, bool& zero) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == '\0') {
      zero = true;
      return pos;
    }
    char32_t cp = 0;
    std::size_t len = utf8::decodeOne(text, pos, cp);
    if (len == 0) {
      // A pair written as two surrogates is no WTF-8: it has one form, four bytes.
      const int surrogate = surrogateAt(text, pos);
      if (surrogate == 0 || (surrogate == 1 && surrogateAt(text, pos + 3) == 2)) return pos;
      len = 3;
    }
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

// Converts `in` from the encoding `name` onto `out`. UTF-8, UTF-16 and CP932 need no
// iconv, so that they read the same on every system.
Conversion convert(const std::string& name, std::string_view in, std::string& out) {
  const std::string upper = upperCase(name);
  if (upper == "UTF-8" || upper == "UTF8") {
    out.assign(in);
    return Conversion::Done;
  }
  if (upper == "UTF-16LE" || upper == "UTF-16BE" || upper == "UTF-16") {
    // Plain UTF-16 says its byte order by its mark, big-endian without one.
    const bool little = upper == "UTF-16LE" || (upper == "UTF-16" && in.substr(0, 2) == "\xFF\xFE");
    return fromUtf16(in, little, out) ? Conversion::Done : Conversion::Stopped;
  }
  if (upperCase(iconvName(name)) == "CP932") {
    return fromCp932(in, out) ? Conversion::Done : Conversion::Stopped;
  }
#if QUORVANE_HAVE_ICONV
  Iconv converter(iconvName(name));
  if (!converter.ok()) return Conversion::Unknown;
  return converter.convert(in, out) ? Conversion::Done : Conversion::Stopped;
#else
  return Conversion::Unknown;
#endif
}

}  // namespace

bool knownEncoding(const std::string& encoding) {
  std::string ignored;
  return !encoding.empty() && convert(encoding, "", ignored) != Conversion::Unknown;
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
    const Conversion conversion = convert(name, bytes, decoded.text);
    if (conversion == Conversion::Unknown) {
      decoded.error = "unknown encoding: " + name;
      return decoded;
    }
    complete = conversion == Conversion::Done;
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
