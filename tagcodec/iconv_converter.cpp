#include "tagcodec/iconv_converter.h"

#include <algorithm>
#include <cerrno>

#include "tagcodec/utf8.h"

namespace quorvane {
namespace {

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

}  // namespace

std::size_t iconvAppend(iconv_t handle, std::string_view in, std::string& out) {
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

namespace {

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

IconvConverter::IconvConverter(iconv_t toText, iconv_t toBytes)
    : toText_(toText), toBytes_(toBytes) {}

IconvConverter::~IconvConverter() {
  iconv_close(toText_);
  iconv_close(toBytes_);
}

std::unique_ptr<IconvConverter> IconvConverter::open(const std::string& name, std::string* error) {
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
  std::unique_ptr<IconvConverter> converter(new IconvConverter(toText, toBytes));
  bool ascii = true;
  for (int b = 1; b < 0x80 && ascii; ++b) {
    const std::string one(1, static_cast<char>(b));
    std::string decoded;
    resetState(toText);
    ascii = iconvAppend(toText, one, decoded) == 1 && decoded == one;
    std::string encoded;
    resetState(toBytes);
    ascii = ascii && iconvAppend(toBytes, one, encoded) == 1 && encoded == one;
  }
  converter->asciiCompatible_ = ascii;
  if (!ascii) {
    std::string question;
    converter->encodeRunLocked("?", question);
    converter->question_ = question;
  }
  return converter;
}

void IconvConverter::decode(std::string_view bytes, std::string& out) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  const std::size_t start = out.size();
  out.reserve(start + bytes.size() * 2);
  resetState(toText_);
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t mark = out.size();
    pos += iconvAppend(toText_, bytes.substr(pos), out);
    if (!acceptableText(std::string_view(out).substr(mark))) {
      // Only encodings that reach U+10FExx or beyond (UTF-8, GB18030, ...) get here.
      out.resize(start);
      decodeBySequence(bytes, out);
      return;
    }
    if (pos < bytes.size()) {
      // EILSEQ, or EINVAL for a lead byte cut off at the end: keep the byte as an
      // escape and go on at the next one.
      utf8::appendEscape(out, static_cast<std::uint8_t>(bytes[pos]));
      ++pos;
      resetState(toText_);
    }
  }
  flushState(toText_, out);
}

void IconvConverter::decodeBySequence(std::string_view bytes, std::string& out) const {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    bool taken = false;
    for (std::size_t len = 1; len <= 8 && pos + len <= bytes.size() && !taken; ++len) {
      std::string one;
      resetState(toText_);
      if (iconvAppend(toText_, bytes.substr(pos, len), one) != len) continue;
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

void IconvConverter::encodeRun(std::string_view run, std::string& out) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  encodeRunLocked(run, out);
}

void IconvConverter::encodeRunLocked(std::string_view run, std::string& out) const {
  resetState(toBytes_);
  std::size_t pos = 0;
  while (pos < run.size()) {
    pos += iconvAppend(toBytes_, run.substr(pos), out);
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
  flushState(toBytes_, out);
}

bool IconvConverter::joins(int lead, std::string_view code) const {
  if (code.empty()) return false;
  const std::lock_guard<std::mutex> lock(mutex_);
  const std::string pair{static_cast<char>(lead), code[0]};
  std::string text;
  resetState(toText_);
  return iconvAppend(toText_, pair, text) == pair.size() && !text.empty();
}

const std::vector<std::string>& IconvConverter::duplicateCodes(std::string_view character) const {
  static const std::vector<std::string> none;
  const std::lock_guard<std::mutex> lock(mutex_);
  // Built on first need, which is rare; once built it is never changed, so the reference
  // stays good after the lock is let go.
  if (!duplicates_) findDuplicates();
  const auto it = duplicates_->find(character);
  return it == duplicates_->end() ? none : it->second;
}

void IconvConverter::findDuplicates() const {
  // Every two-byte code that the encoder would not give back.
  duplicates_ = std::make_unique<std::map<std::string, std::vector<std::string>, std::less<>>>();
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    for (int trail = 0x01; trail <= 0xFF; ++trail) {
      const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      std::string text;
      resetState(toText_);
      if (iconvAppend(toText_, pair, text) != pair.size() || text.empty() || !acceptableText(text)) {
        continue;
      }
      std::string back;
      encodeRunLocked(text, back);
      if (back != pair) (*duplicates_)[text].push_back(pair);
    }
  }
}

}  // namespace quorvane
