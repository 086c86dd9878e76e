#include "tagcodec/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "tagcodec/utf8.h"

namespace quorvane {
namespace {

iconv_t cd(void* handle) {
  return static_cast<iconv_t>(handle);
}

// A decoded character must be well-formed UTF-8 (glibc lets some 5- and 6-byte forms
// through) and must not fall in the escape range, or it would not come back as its bytes.
bool acceptableText(std::string_view utf8Text) {
  // Both need a lead byte of 0xF4 or above; most text has none.
  if (std::none_of(utf8Text.begin(), utf8Text.end(),
                   [](char c) { return static_cast<unsigned char>(c) >= 0xF4; })) {
    return true;
  }
  std::size_t pos = 0;
  while (pos < utf8Text.size()) {
    char32_t cp = 0;
    const std::size_t len = utf8::decodeOne(utf8Text, pos, cp);
    if (len == 0 || utf8::isEscape(cp)) return false;
    pos += len;
  }
  return true;
}

// Runs iconv over all of `in`, growing `out` as needed. Returns the number of input
// bytes converted before an error (errno tells which), or in.size() when all went.
std::size_t convert(iconv_t handle, std::string_view in, std::string& out) {
  char* inPtr = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();
  while (true) {
    const std::size_t start = out.size();
    out.resize(start + inLeft * 4 + 16);
    char* outPtr = out.data() + start;
    std::size_t outLeft = out.size() - start;
    const std::size_t r = iconv(handle, &inPtr, &inLeft, &outPtr, &outLeft);
    const int err = errno;
    out.resize(out.size() - outLeft);
    if (r != static_cast<std::size_t>(-1)) return in.size();
    if (err != E2BIG) {
      errno = err;
      return in.size() - inLeft;
    }
  }
}

void flushState(iconv_t handle, std::string& out) {
  char buffer[32];
  char* outPtr = buffer;
  std::size_t outLeft = sizeof buffer;
  iconv(handle, nullptr, nullptr, &outPtr, &outLeft);
  out.append(buffer, sizeof buffer - outLeft);
}

void resetState(iconv_t handle) {
  iconv(handle, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

CodePage::CodePage(std::string name, void* toText, void* toBytes)
    : name_(std::move(name)), toText_(toText), toBytes_(toBytes) {}

CodePage::~CodePage() {
  iconv_close(cd(toText_));
  iconv_close(cd(toBytes_));
}

std::unique_ptr<CodePage> CodePage::open(const std::string& name, std::string* error) {
  iconv_t toText = iconv_open("UTF-8", name.c_str());
  if (toText == reinterpret_cast<iconv_t>(-1)) {
    if (error) *error = "unknown encoding \"" + name + "\"";
    return nullptr;
  }
  iconv_t toBytes = iconv_open(name.c_str(), "UTF-8");
  if (toBytes == reinterpret_cast<iconv_t>(-1)) {
    iconv_close(toText);
    if (error) *error = "unknown encoding \"" + name + "\"";
    return nullptr;
  }
  std::unique_ptr<CodePage> page(new CodePage(name, toText, toBytes));
  // With ASCII bytes meaning ASCII both ways, plain ASCII text needs no iconv call,
  // which is most tag text and most of the load's work.
  bool ascii = true;
  for (int b = 1; b < 0x80 && ascii; ++b) {
    const std::string one(1, static_cast<char>(b));
    std::string decoded;
    resetState(toText);
    ascii = convert(toText, one, decoded) == 1 && decoded == one;
    std::string encoded;
    resetState(toBytes);
    ascii = ascii && convert(toBytes, one, encoded) == 1 && encoded == one;
  }
  page->asciiCompatible_ = ascii;
  page->question_ = page->encode("?");
  return page;
}

std::string CodePage::decode(std::string_view bytes) const {
  if (asciiCompatible_ && utf8::isAscii(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() * 2);
  iconv_t handle = cd(toText_);
  resetState(handle);
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t mark = out.size();
    pos += convert(handle, bytes.substr(pos), out);
    if (!acceptableText(std::string_view(out).substr(mark))) {
      // Only encodings that reach U+10FExx or beyond (UTF-8, GB18030, ...) get here.
      out.clear();
      decodeBySequence(bytes, out);
      return out;
    }
    if (pos < bytes.size()) {
      // EILSEQ, or EINVAL for a lead byte cut off at the end: keep the byte as an
      // escape and go on at the next one.
      utf8::appendEscape(out, static_cast<std::uint8_t>(bytes[pos]));
      ++pos;
      resetState(handle);
    }
  }
  flushState(handle, out);
  return out;
}

void CodePage::decodeBySequence(std::string_view bytes, std::string& out) const {
  iconv_t handle = cd(toText_);
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    bool taken = false;
    for (std::size_t len = 1; len <= 8 && pos + len <= bytes.size() && !taken; ++len) {
      std::string one;
      resetState(handle);
      if (convert(handle, bytes.substr(pos, len), one) != len) continue;
      if (!acceptableText(one)) {
        for (std::size_t i = 0; i < len; ++i) {
          utf8::appendEscape(out, static_cast<std::uint8_t>(bytes[pos + i]));
        }
      } else {
        out += one;
      }
      pos += len;
      taken = true;
    }
    if (!taken) utf8::appendEscape(out, static_cast<std::uint8_t>(bytes[pos++]));
  }
}

std::string CodePage::encode(std::string_view text) const {
  if (asciiCompatible_ && utf8::isAscii(text)) return std::string(text);
  std::string out;
  out.reserve(text.size());
  resetState(cd(toBytes_));
  std::size_t runStart = 0;
  std::size_t pos = 0;
  int escapedByte = -1;  // the byte an escape just wrote, while it is the last one out
  const auto flushRun = [&] {
    if (pos == runStart) return;
    std::string_view run = text.substr(runStart, pos - runStart);
    if (escapedByte >= 0x80) run.remove_prefix(encodeAfterEscape(escapedByte, run, out));
    if (!run.empty()) encodeRun(run, out);
  };
  while (pos < text.size()) {
    char32_t cp = 0;
    const std::size_t len = utf8::decodeOne(text, pos, cp);
    // In an ASCII-compatible code page no ASCII byte ever fails to decode, so an escape
    // below 0x80 cannot stand for a byte; it stays a character (and becomes '?').
    const bool escape =
        len != 0 && utf8::isEscape(cp) && (!asciiCompatible_ || cp >= utf8::kEscapeBase + 0x80);
    if (len == 0 || escape) {
      flushRun();
      if (len == 0) {
        out += question_;  // not UTF-8 at all: nothing to convert
        pos += 1;
        escapedByte = -1;
      } else {
        escapedByte = static_cast<int>(cp - utf8::kEscapeBase);
        out += static_cast<char>(escapedByte);
        pos += len;
      }
      runStart = pos;
    } else {
      pos += len;
    }
  }
  flushRun();
  return out;
}

bool CodePage::joins(int lead, std::string_view code) const {
  if (code.empty()) return false;
  const std::string pair{static_cast<char>(lead), code[0]};
  std::string text;
  iconv_t handle = cd(toText_);
  resetState(handle);
  return convert(handle, pair, text) == pair.size() && !text.empty();
}

std::size_t CodePage::encodeAfterEscape(int escapedByte, std::string_view run,
                                        std::string& out) const {
  // A lone lead byte kept as an escape must stay alone: if the next character's code
  // would pair with it, the bytes would read back as another character. The code the
  // character came from never pairs (that is why the byte was alone), so among the
  // code page's duplicate codes for it one always fits.
  char32_t cp = 0;
  std::size_t len = utf8::decodeOne(run, 0, cp);
  if (len == 0) return 0;
  std::string code;
  encodeRun(run.substr(0, len), code);
  if (joins(escapedByte, code)) {
    for (const std::string& other : duplicateCodes(std::string(run.substr(0, len)))) {
      if (!joins(escapedByte, other)) {
        code = other;
        break;
      }
    }
  }
  out += code;
  return len;
}

const std::vector<std::string>& CodePage::duplicateCodes(const std::string& character) const {
  static const std::vector<std::string> none;
  if (!duplicates_) {
    // Built once, on first need: every two-byte code that the encoder would not give back.
    duplicates_ = std::make_unique<std::map<std::string, std::vector<std::string>>>();
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
      for (int trail = 0x01; trail <= 0xFF; ++trail) {
        const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
        std::string text;
        iconv_t handle = cd(toText_);
        resetState(handle);
        if (convert(handle, pair, text) != pair.size() || text.empty() || !acceptableText(text)) {
          continue;
        }
        std::string back;
        encodeRun(text, back);
        if (back != pair) (*duplicates_)[text].push_back(pair);
      }
    }
  }
  const auto it = duplicates_->find(character);
  return it == duplicates_->end() ? none : it->second;
}

void CodePage::encodeRun(std::string_view run, std::string& out) const {
  iconv_t handle = cd(toBytes_);
  std::size_t pos = 0;
  while (pos < run.size()) {
    pos += convert(handle, run.substr(pos), out);
    if (pos < run.size()) {
      // The run is well-formed UTF-8, so iconv stopped at a character the encoding
      // cannot hold.
      char32_t cp = 0;
      const std::size_t len = utf8::decodeOne(run, pos, cp);
      out += question_;
      pos += len == 0 ? 1 : len;
    }
  }
  // Return a stateful encoding to its initial shift state before anything follows.
  flushState(handle, out);
}

namespace {
std::unique_ptr<CodePage>& tagCodePageSlot() {
  static std::unique_ptr<CodePage> page;
  return page;
}
}  // namespace

bool initTagCodePage(std::string* error) {
  const char* fromEnv = std::getenv("QUORVANE_CODEPAGE");
  const std::string name = fromEnv && *fromEnv ? fromEnv : "CP932";
  std::string why;
  auto page = CodePage::open(name, &why);
  if (!page) {
    if (error) *error = "QUORVANE_CODEPAGE: " + why;
    return false;
  }
  // File names and the sheet's text assume that plain ASCII stays itself in a tag; UTF-16,
  // UTF-32 and EBCDIC code pages would turn "2004" or "Rock" into other bytes.
  static constexpr std::string_view kPlain =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 ";
  if (page->encode(kPlain) != kPlain || page->decode(kPlain) != kPlain) {
    if (error) {
      *error = "QUORVANE_CODEPAGE: \"" + name +
               "\" does not keep ASCII letters, digits and the space as their own bytes; "
               "tags need an ASCII-compatible code page such as CP932";
    }
    return false;
  }
  tagCodePageSlot() = std::move(page);
  return true;
}

const CodePage& tagCodePage() {
  if (!tagCodePageSlot()) {
    std::string error;
    if (!initTagCodePage(&error)) {
      std::fprintf(stderr, "quorvane: %s\n", error.c_str());
      std::exit(2);
    }
  }
  return *tagCodePageSlot();
}

}  // namespace quorvane
