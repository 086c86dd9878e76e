// CP932 from the built-in tables against CP932 through glibc's iconv, which the tables are
// made from: the same text from every byte sequence that matters, and the same bytes from
// every character and from text made of all kinds of pieces.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tagcodec/code_page.h"
#include "tagcodec/utf8.h"

namespace {

using quorvane::CodePage;

struct TwoWays {
  std::unique_ptr<CodePage> tables;
  std::unique_ptr<CodePage> iconv;
};

const TwoWays& cp932() {
  static const TwoWays pages{CodePage::open("CP932", nullptr),
                             CodePage::openIconv("CP932", nullptr)};
  return pages;
}

std::string hexOf(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (!out.empty()) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  return out;
}

std::string utf8Of(char32_t cp) {
  std::string text;
  quorvane::utf8::append(text, cp);
  return text;
}

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (const int b : values) out += static_cast<char>(b);
  return out;
}

std::string escape(std::uint8_t byte) {
  return utf8Of(quorvane::utf8::kEscapeBase + byte);
}

// Collects where the two ways differ; a test fails on the first few, shown with their bytes.
class Differences {
 public:
  // Bytes decoded, then the text encoded back, both ways.
  void compareBytes(std::string_view bytes) {
    ++compared_;
    const std::string text = cp932().tables->decode(bytes);
    if (text != cp932().iconv->decode(bytes)) {
      add("decoding " + hexOf(bytes));
    } else if (cp932().tables->encode(text) != cp932().iconv->encode(text)) {
      add("encoding the text of " + hexOf(bytes));
    }
  }
  void compareText(std::string_view text) {
    ++compared_;
    if (cp932().tables->encode(text) != cp932().iconv->encode(text)) {
      add("encoding the UTF-8 " + hexOf(text));
    }
  }
  ::testing::AssertionResult none() const {
    if (found_.empty()) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    failure << total_ << " of " << compared_ << " differ, among them:";
    for (const std::string& what : found_) failure << "\n  " << what;
    return failure;
  }

 private:
  void add(std::string what) {
    if (++total_ <= 10) found_.push_back(std::move(what));
  }
  long compared_ = 0;
  long total_ = 0;
  std::vector<std::string> found_;
};

bool isOneCharacter(std::string_view text) {
  char32_t cp = 0;
  const std::size_t len = quorvane::utf8::decodeOne(text, 0, cp);
  return !text.empty() && len == text.size() && !quorvane::utf8::isEscape(cp);
}

// Told by iconv, not by the tables under test: the bytes that do not decode on their own,
// lead bytes and bytes that never decode.
const std::vector<std::uint8_t>& loneBytes() {
  static const std::vector<std::uint8_t> lone = [] {
    std::vector<std::uint8_t> found;
    for (int b = 0; b <= 0xFF; ++b) {
      if (!isOneCharacter(cp932().iconv->decode(bytes({b})))) {
        found.push_back(static_cast<std::uint8_t>(b));
      }
    }
    return found;
  }();
  return lone;
}

// Every character that iconv encodes to bytes other than its '?'.
const std::vector<char32_t>& encodableCharacters() {
  static const std::vector<char32_t> known = [] {
    std::vector<char32_t> found;
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
      if (cp >= 0xD800 && cp <= 0xDFFF) continue;
      if (cp == U'?' || cp932().iconv->encode(utf8Of(cp)) != "?") found.push_back(cp);
    }
    return found;
  }();
  return known;
}

// Characters that CP932 holds under more than one code, as iconv decodes them.
const std::vector<char32_t>& duplicateCharacters() {
  static const std::vector<char32_t> duplicates = [] {
    std::map<std::string, int> codes;
    for (const std::uint8_t lead : loneBytes()) {
      for (int t = 0; t <= 0xFF; ++t) {
        const std::string text = cp932().iconv->decode(bytes({lead, t}));
        if (isOneCharacter(text)) ++codes[text];
      }
    }
    std::vector<char32_t> found;
    for (const auto& [text, count] : codes) {
      char32_t cp = 0;
      if (count > 1 && quorvane::utf8::decodeOne(text, 0, cp) != 0) found.push_back(cp);
    }
    return found;
  }();
  return duplicates;
}

TEST(Cp932Tables, BothWaysOpen) {
  ASSERT_TRUE(cp932().tables);
  ASSERT_TRUE(cp932().iconv);
  // 0x81-0x9F and 0xE0-0xFC start pairs; 0x80, 0xA0 and 0xFD-0xFF never decode.
  EXPECT_EQ(loneBytes().size(), 65u);
  EXPECT_FALSE(duplicateCharacters().empty());
}

TEST(Cp932Tables, EveryOneAndTwoByteSequence) {
  Differences differences;
  for (int b1 = 0; b1 <= 0xFF; ++b1) {
    differences.compareBytes(std::string(1, static_cast<char>(b1)));
    for (int b2 = 0; b2 <= 0xFF; ++b2) {
      differences.compareBytes(bytes({b1, b2}));
    }
  }
  EXPECT_TRUE(differences.none());
}

// Any byte, then one that does not decode alone, then any byte: a lead byte after a lead
// byte, a pair or a character; a trail that may or may not be one; and the character after a
// lone lead byte, which must be written so that it does not pair with it.
TEST(Cp932Tables, EveryThreeByteSequenceWithALoneByteInTheMiddle) {
  Differences differences;
  for (int first = 0; first <= 0xFF; ++first) {
    for (const std::uint8_t second : loneBytes()) {
      for (int third = 0; third <= 0xFF; ++third) {
        differences.compareBytes(bytes({first, second, third}));
      }
    }
  }
  EXPECT_TRUE(differences.none());
}

TEST(Cp932Tables, EveryCodePoint) {
  Differences differences;
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    if (cp < 0xD800 || cp > 0xDFFF) differences.compareText(utf8Of(cp));
  }
  EXPECT_TRUE(differences.none());
}

// After an escaped byte each character is encoded with an eye to pairing with that byte.
TEST(Cp932Tables, EveryEncodableCharacterAfterEveryEscape) {
  Differences differences;
  for (int b = 0; b <= 0xFF; ++b) {
    const std::string before = escape(static_cast<std::uint8_t>(b));
    for (const char32_t cp : encodableCharacters()) {
      differences.compareText(before + utf8Of(cp));
    }
  }
  EXPECT_TRUE(differences.none());
}

// Fields as wide as a tag's, from any bytes and from the bytes where decoding has choices
// to make (lead bytes, trail bytes, bytes that never decode).
TEST(Cp932Tables, RandomFields) {
  std::string choices(loneBytes().begin(), loneBytes().end());
  for (const int b : {0x00, 0x20, 0x3F, 0x40, 0x5C, 0x7E, 0x7F, 0x80, 0xA0, 0xA1, 0xB1, 0xDF, 0xFC,
                      0xFD, 0xFE, 0xFF}) {
    choices += static_cast<char>(b);
  }
  std::mt19937 random(932);
  Differences differences;
  for (int i = 0; i < 60000; ++i) {
    std::string field(30, '\0');
    for (char& b : field) {
      b = i % 2 == 0 ? static_cast<char>(random()) : choices[random() % choices.size()];
    }
    differences.compareBytes(field);
  }
  EXPECT_TRUE(differences.none());
}

// Text as a user or a sheet file may give it: characters CP932 holds once or twice or not at
// all, escapes of any byte, tag characters, and bytes that are not UTF-8.
TEST(Cp932Tables, RandomTexts) {
  const std::vector<std::string> broken = {
      "\x80", "\xC3", "\xE3\x81", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"};
  std::mt19937 random(31);
  const auto pick = [&](const auto& from) { return from[random() % from.size()]; };
  Differences differences;
  for (int i = 0; i < 60000; ++i) {
    std::string text;
    const int pieces = 1 + static_cast<int>(random() % 12);
    for (int p = 0; p < pieces; ++p) {
      switch (random() % 7) {
        case 0:
          text += static_cast<char>(0x20 + random() % 0x5F);
          break;
        case 1:
          text += utf8Of(pick(encodableCharacters()));
          break;
        case 2:
          text += utf8Of(pick(duplicateCharacters()));
          break;
        case 3:
          text += escape(static_cast<std::uint8_t>(random()));
          break;
        case 4:
          text += escape(pick(loneBytes()));
          break;
        case 5:
          text += pick(broken);
          break;
        default: {
          char32_t cp = random() % 0x110000;
          if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xE0001;  // a tag character, which iconv drops
          text += utf8Of(cp);
        }
      }
    }
    differences.compareText(text);
  }
  EXPECT_TRUE(differences.none());
}

class ThreadsShareOneCodePage : public ::testing::TestWithParam<bool> {};

// The folder loader decodes from several threads with the one tag code page.
TEST_P(ThreadsShareOneCodePage, EachGetsWhatItWouldAlone) {
  const CodePage& page = GetParam() ? *cp932().iconv : *cp932().tables;
  std::mt19937 random(7);
  std::vector<std::string> fields(3000);
  for (std::string& field : fields) {
    field.resize(30);
    for (char& b : field) b = static_cast<char>(0x80 + random() % 0x80);
  }
  std::vector<std::string> texts, bytesBack;
  for (const std::string& field : fields) {
    texts.push_back(page.decode(field));
    bytesBack.push_back(page.encode(texts.back()));
  }
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 5; ++round) {
        for (std::size_t i = static_cast<std::size_t>(t); i < fields.size(); ++i) {
          if (page.decode(fields[i]) != texts[i] || page.encode(texts[i]) != bytesBack[i]) ++wrong;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cp932, ThreadsShareOneCodePage, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Iconv" : "Tables"; });

}  // namespace
