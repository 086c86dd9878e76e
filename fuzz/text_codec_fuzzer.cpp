// Any bytes through the tag text codec and the file-name codec: nothing crashes, bytes
// turned into text and back come back as they were, and CP932's built-in tables convert
// exactly as iconv does.
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "fuzz/fuzz_checks.h"
#include "os/posix/file_names.h"
#include "tagcodec/text_fields.h"

namespace {

using namespace quorvane::fuzz;

void checkCodePageRoundTrip(std::string_view bytes) {
  const quorvane::CodePage& page = cp932();
  const std::string text = page.decode(bytes);
  check(isUtf8(text), "decoded text is not UTF-8");
  const std::string back = page.encode(text);
  checkSameBytesOrDuplicates(page, bytes, back);
  if (back != bytes) {
    check(page.decode(back) == text, "re-encoded bytes decode to other text");
    check(page.encode(page.decode(back)) == back, "a second round trip changed the bytes");
  }
}

// The input as bytes and as text (UTF-8 or not, escapes and all): the tables and iconv must
// give the same text and the same bytes.
void checkTablesMatchIconv(std::string_view input) {
  static const std::unique_ptr<quorvane::CodePage> iconv = [] {
    std::string error;
    auto page = quorvane::CodePage::openIconv("CP932", &error);
    check(page != nullptr, "iconv has no CP932");
    return page;
  }();
  const quorvane::CodePage& tables = cp932();
  const std::string text = tables.decode(input);
  check(text == iconv->decode(input), "the tables decode otherwise than iconv");
  check(tables.encode(text) == iconv->encode(text), "the tables encode decoded text otherwise");
  check(tables.encode(input) == iconv->encode(input), "the tables encode text otherwise");
}

// TextToBytes must fill the whole field, whatever was there: the same text written over
// zeros and over 0xFF bytes gives the same field.
template <std::size_t Width>
std::array<std::uint8_t, Width> writeField(std::string_view text) {
  std::array<std::uint8_t, Width> overZeros{}, overOnes{};
  overOnes.fill(0xFF);
  Module1::TextToBytes(std::span<std::uint8_t>(overZeros), text);
  Module1::TextToBytes(std::span<std::uint8_t>(overOnes), text);
  check(overZeros == overOnes, "TextToBytes left bytes of the field unwritten");
  return overZeros;
}

template <std::size_t Width>
void checkField(std::string_view input) {
  const quorvane::CodePage& page = cp932();

  // Any text, UTF-8 or not: the field holds its encoding cut at the width, then spaces.
  const auto field = writeField<Width>(input);
  const std::string encoded = page.encode(input);
  const std::size_t kept = std::min(encoded.size(), Width);
  check(asText(field.data(), kept) == std::string_view(encoded).substr(0, kept),
        "the field does not start with the encoded text");
  check(std::all_of(field.begin() + kept, field.end(), [](std::uint8_t b) { return b == ' '; }),
        "the field is not padded with spaces");
  const std::string read = Module1::BytesToText(field);
  check(isUtf8(read), "BytesToText gave text that is not UTF-8");

  // Field bytes read and written back unchanged keep their bytes; only the zero bytes
  // that ended the text become spaces.
  std::array<std::uint8_t, Width> stored{};
  std::copy_n(input.begin(), std::min(input.size(), Width), stored.begin());
  const std::string text = Module1::BytesToText(stored);
  const auto rewritten = writeField<Width>(text);
  const auto zero = std::find(stored.begin(), stored.end(), std::uint8_t{0});
  const auto length = static_cast<std::size_t>(zero - stored.begin());
  checkSameBytesOrDuplicates(page, asText(stored.data(), length), asText(rewritten.data(), length));
  check(std::all_of(rewritten.begin() + static_cast<std::ptrdiff_t>(length), rewritten.end(),
                    [](std::uint8_t b) { return b == ' '; }),
        "the bytes after the text did not become spaces");
  check(Module1::BytesToText(rewritten) == text + std::string(Width - length, ' '),
        "a rewritten field reads back as other text");
}

void checkFileName(std::string_view bytes) {
  const std::string name = quorvane::nameFromBytes(bytes);
  check(isUtf8(name), "a file name's text is not UTF-8");
  check(quorvane::nameToBytes(name) == bytes, "a file name did not come back as its bytes");
  // Text from anywhere (a typed or applied name) becomes bytes with a separator or a zero
  // byte only where the text has one: the checks on a name's text hold for its bytes.
  const std::string fromText = quorvane::nameToBytes(bytes);
  check(std::count(fromText.begin(), fromText.end(), '/') ==
            std::count(bytes.begin(), bytes.end(), '/'),
        "a name's text turned into a path separator");
  check(std::count(fromText.begin(), fromText.end(), '\0') ==
            std::count(bytes.begin(), bytes.end(), '\0'),
        "a name's text turned into a zero byte");
  check(fromText.find_first_not_of('.') != std::string::npos ||
            bytes.find_first_not_of('.') == std::string_view::npos,
        "a name's text turned into dots");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = asText(data, size);
  checkCodePageRoundTrip(input);
  checkTablesMatchIconv(input);
  checkField<30>(input);
  checkField<4>(input);
  checkFileName(input);
  return 0;
}
