// Writes the complete mapping of a double-byte code page, as this system's iconv converts
// it, as a C++ source that defines a CodeTable (tagcodec/code_table.h). With --check it
// compares an existing source with what it would write, so that a test sees when iconv and
// the committed table differ.
//
// Usage: make_code_table [--check] ENCODING SYMBOL FILE
//
// It asks iconv about every one- and two-byte sequence and every code point, and refuses
// (exit 1) a code page whose decoding is not "a byte alone, or a lead byte and a trail
// byte", since the table could not reproduce it.
#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "tagcodec/code_table.h"
#include "tagcodec/utf8.h"

namespace {

using quorvane::CodeTable;

[[noreturn]] void fail(const std::string& why) {
  std::fprintf(stderr, "make_code_table: %s\n", why.c_str());
  std::exit(1);
}

std::string hex(unsigned value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "0x";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
    text += kDigits[(value >> shift) & 0xF];
  }
  return text;
}

std::string codePointName(char32_t cp) {
  return "U+" + hex(cp, cp > 0xFFFF ? 6 : 4).substr(2);
}

struct Converted {
  std::size_t consumed = 0;  // bytes of the input converted before iconv stopped
  int error = 0;             // why it stopped: EILSEQ, EINVAL (cut short) or 0
  std::string out;
};

// One iconv direction, reset before every conversion as the codec resets it.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from)
      : handle_(iconv_open(to.c_str(), from.c_str())) {
    if (handle_ == reinterpret_cast<iconv_t>(-1)) {
      fail("iconv cannot convert from " + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(handle_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  Converted convert(std::string_view in) {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    char buffer[64];
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const int error =
        iconv(handle_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ? errno
                                                                                           : 0;
    if (error != 0 && error != EILSEQ && error != EINVAL) {
      fail("iconv failed on a sequence of " + std::to_string(in.size()) + " bytes");
    }
    // The table has no shift state: anything written to end one would be lost.
    char* flushPtr = outPtr;
    iconv(handle_, nullptr, nullptr, &flushPtr, &outLeft);
    if (flushPtr != outPtr) fail("the encoding is stateful");
    return {in.size() - inLeft, error, std::string(buffer, outPtr)};
  }

 private:
  iconv_t handle_;
};

std::vector<char32_t> codePoints(std::string_view text) {
  std::vector<char32_t> cps;
  for (std::size_t pos = 0; pos < text.size();) {
    char32_t cp = 0;
    const std::size_t len = quorvane::utf8::decodeOne(text, pos, cp);
    if (len == 0) fail("iconv wrote text that is not UTF-8");
    cps.push_back(cp);
    pos += len;
  }
  return cps;
}

// A character the table can hold: in the Basic Multilingual Plane and not a marker.
char16_t tableCharacter(char32_t cp, const std::string& where) {
  if (cp > 0xFFFF || cp == CodeTable::kLeadByte || cp == CodeTable::kNoCharacter) {
    fail(where + " decodes to " + codePointName(cp) + ", which the table cannot hold");
  }
  return static_cast<char16_t>(cp);
}

std::string byteName(int b1, int b2 = -1) {
  return "bytes " + hex(static_cast<unsigned>(b1), 2) +
         (b2 < 0 ? "" : " " + hex(static_cast<unsigned>(b2), 2));
}

struct Mapping {
  std::array<char16_t, 256> single{};
  std::vector<std::array<char16_t, 256>> pairs = std::vector<std::array<char16_t, 256>>(256);
  std::vector<std::uint16_t> codes = std::vector<std::uint16_t>(0x110000, CodeTable::kNoCode);
  int firstTrail = 0x100;
  int lastTrail = -1;
};

void readDecoding(const std::string& encoding, Mapping& m) {
  Converter toText("UTF-8", encoding);
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    const Converted c = toText.convert(one);
    if (c.consumed == 1) {
      const auto cps = codePoints(c.out);
      if (cps.size() != 1) fail(byteName(b) + " decodes to other than one character");
      m.single[b] = tableCharacter(cps[0], byteName(b));
    } else {
      m.single[b] = c.error == EINVAL ? CodeTable::kLeadByte : CodeTable::kNoCharacter;
    }
    m.pairs[b].fill(CodeTable::kNoCharacter);
    if (m.single[b] != CodeTable::kLeadByte) continue;
    for (int t = 0; t < 256; ++t) {
      const Converted p = toText.convert(one + static_cast<char>(t));
      if (p.consumed == 0) continue;
      const auto cps = codePoints(p.out);
      if (p.consumed != 2 || cps.size() != 1) fail(byteName(b, t) + " do not read as one pair");
      m.pairs[b][t] = tableCharacter(cps[0], byteName(b, t));
      m.firstTrail = std::min(m.firstTrail, t);
      m.lastTrail = std::max(m.lastTrail, t);
    }
  }
  if (m.lastTrail < 0) fail(encoding + " has no two-byte characters");
}

// What the table says iconv does with two bytes: how many it converts before it stops, and
// the text. Every pair must agree, or the codec would read some bytes differently.
Converted predictPair(const Mapping& m, int b1, int b2) {
  Converted c;
  const char16_t first = m.single[b1];
  if (first == CodeTable::kLeadByte) {
    if (m.pairs[b1][b2] == CodeTable::kNoCharacter) return c;
    quorvane::utf8::append(c.out, m.pairs[b1][b2]);
    c.consumed = 2;
    return c;
  }
  if (first == CodeTable::kNoCharacter) return c;
  quorvane::utf8::append(c.out, first);
  c.consumed = 1;
  const char16_t second = m.single[b2];
  if (second == CodeTable::kLeadByte || second == CodeTable::kNoCharacter) return c;
  quorvane::utf8::append(c.out, second);
  c.consumed = 2;
  return c;
}

void checkEveryPair(const std::string& encoding, const Mapping& m) {
  Converter toText("UTF-8", encoding);
  for (int b1 = 0; b1 < 256; ++b1) {
    for (int b2 = 0; b2 < 256; ++b2) {
      const Converted actual =
          toText.convert(std::string{static_cast<char>(b1), static_cast<char>(b2)});
      const Converted predicted = predictPair(m, b1, b2);
      if (actual.consumed != predicted.consumed || actual.out != predicted.out) {
        fail(byteName(b1, b2) + " decode otherwise than a byte-and-pair table says");
      }
    }
  }
}

void readEncoding(const std::string& encoding, Mapping& m) {
  Converter toBytes(encoding, "UTF-8");
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string text;
    quorvane::utf8::append(text, cp);
    const Converted c = toBytes.convert(text);
    if (c.consumed == 0) continue;
    if (c.consumed != text.size() || c.out.size() > 2) {
      fail(codePointName(cp) + " encodes to other than up to two bytes");
    }
    unsigned code = CodeTable::kEmptyCode;
    for (const char byte : c.out) {
      code = (code == CodeTable::kEmptyCode ? 0 : code << 8) | static_cast<unsigned char>(byte);
    }
    // A pair's high byte must not be zero, or the code would read as one byte.
    if (c.out.size() == 2 &&
        (code < 0x100 || code == CodeTable::kEmptyCode || code == CodeTable::kNoCode)) {
      fail(codePointName(cp) + " encodes to a code the table cannot hold");
    }
    m.codes[cp] = static_cast<std::uint16_t>(code);
  }
}

// Values, `perLine` to a line, indented, each followed by a comma.
template <class Values>
void writeValues(std::ostream& out, const Values& values, int digits, std::size_t perLine) {
  std::size_t onLine = 0;
  for (const auto value : values) {
    out << (onLine == 0 ? "    " : " ") << hex(value, digits) << ',';
    if (++onLine == perLine) {
      out << '\n';
      onLine = 0;
    }
  }
  if (onLine != 0) out << '\n';
}

// The decoding as the table holds it: lead bytes' rows cut to the trails in use.
struct Decoding {
  std::vector<char16_t> single;
  std::vector<std::uint8_t> leadRow = std::vector<std::uint8_t>(256, 0);
  std::vector<char16_t> pairs;
};

Decoding tableDecoding(const Mapping& m) {
  Decoding d;
  d.single.assign(m.single.begin(), m.single.end());
  int rows = 0;
  for (int b = 0; b < 256; ++b) {
    if (m.single[b] != CodeTable::kLeadByte) continue;
    d.leadRow[b] = static_cast<std::uint8_t>(++rows);
    d.pairs.insert(d.pairs.end(), m.pairs[b].begin() + m.firstTrail,
                   m.pairs[b].begin() + m.lastTrail + 1);
  }
  return d;
}

// Where iconv's encoding differs from the decoding turned round.
std::vector<CodeTable::Override> overrides(const Mapping& m, const Decoding& d) {
  const CodeTable decodingOnly{std::span<const char16_t, 256>(d.single.data(), 256),
                               std::span<const std::uint8_t, 256>(d.leadRow.data(), 256),
                               d.pairs,
                               static_cast<std::uint8_t>(m.firstTrail),
                               static_cast<std::uint8_t>(m.lastTrail),
                               {}};
  const std::vector<std::uint16_t> implied = quorvane::bmpCodes(decodingOnly);
  std::vector<CodeTable::Override> found;
  for (char32_t cp = 0; cp < m.codes.size(); ++cp) {
    const std::uint16_t turned = cp < implied.size() ? implied[cp] : CodeTable::kNoCode;
    if (m.codes[cp] != turned) found.push_back({cp, m.codes[cp]});
  }
  return found;
}

std::string render(const std::string& encoding, const std::string& symbol, const Mapping& m) {
  const Decoding d = tableDecoding(m);
  const std::size_t width = static_cast<std::size_t>(m.lastTrail - m.firstTrail + 1);
  std::ostringstream out;
  out << "// Generated by tagcodec/tools/make_code_table.cpp from iconv's \"" << encoding
      << "\"; do not edit.\n"
      << "// clang-format off\n"
      << "#include \"tagcodec/code_table.h\"\n\n"
      << "namespace quorvane {\nnamespace {\n\n"
      << "constexpr char16_t kSingle[256] = {\n";
  writeValues(out, d.single, 4, 12);
  out << "};\n\nconstexpr std::uint8_t kLeadRow[256] = {\n";
  writeValues(out, d.leadRow, 2, 16);
  out << "};\n\n// " << d.pairs.size() / width << " lead bytes, trails " << hex(m.firstTrail, 2)
      << " to " << hex(m.lastTrail, 2) << ".\nconstexpr char16_t kPairs[" << d.pairs.size()
      << "] = {\n";
  for (int b = 0; b < 256; ++b) {
    if (d.leadRow[b] == 0) continue;
    out << "    // " << hex(static_cast<unsigned>(b), 2) << '\n';
    const auto row = d.pairs.begin() + static_cast<std::ptrdiff_t>((d.leadRow[b] - 1) * width);
    writeValues(out, std::vector<char16_t>(row, row + static_cast<std::ptrdiff_t>(width)), 4, 12);
  }
  const auto found = overrides(m, d);
  out << "};\n\n// {code point, code}\nconstexpr CodeTable::Override kOverrides[" << found.size()
      << "] = {\n";
  for (std::size_t i = 0; i < found.size(); ++i) {
    const int digits = found[i].cp > 0xFFFF ? 5 : 4;
    out << (i % 5 == 0 ? "    " : " ") << '{' << hex(found[i].cp, digits) << ", "
        << hex(found[i].code, 4) << "},";
    if (i % 5 == 4 || i + 1 == found.size()) out << '\n';
  }
  out << "};\n\n}  // namespace\n\n"
      << "constinit const CodeTable " << symbol << "{kSingle, kLeadRow, kPairs, "
      << hex(m.firstTrail, 2) << ", " << hex(m.lastTrail, 2) << ", kOverrides};\n\n"
      << "}  // namespace quorvane\n";
  return out.str();
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc == 5 && std::string_view(argv[1]) == "--check";
  if (argc != 4 && !check) {
    std::fprintf(stderr, "usage: make_code_table [--check] ENCODING SYMBOL FILE\n");
    return 2;
  }
  const std::string encoding = argv[argc - 3];
  const std::string symbol = argv[argc - 2];
  const std::string path = argv[argc - 1];

  Mapping mapping;
  readDecoding(encoding, mapping);
  checkEveryPair(encoding, mapping);
  readEncoding(encoding, mapping);
  const std::string source = render(encoding, symbol, mapping);

  if (check) {
    std::ifstream in(path, std::ios::binary);
    const std::string committed{std::istreambuf_iterator<char>(in), {}};
    if (committed == source) return 0;
    const auto differs =
        std::mismatch(source.begin(), source.end(), committed.begin(), committed.end()).first;
    const long line = 1 + std::count(source.begin(), differs, '\n');
    std::fprintf(
        stderr,
        "make_code_table: %s differs from what this system's iconv gives for %s "
        "(first at line %ld); if iconv is right, write it again without --check (for CP932 "
        "the build target update_cp932_table does)\n",
        path.c_str(), encoding.c_str(), line);
    return 1;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << source;
  if (!out.flush()) fail("cannot write " + path);
  return 0;
}
