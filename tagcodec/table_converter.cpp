#include "tagcodec/table_converter.h"

#include <algorithm>
#include <array>

#include "tagcodec/utf8.h"

namespace quorvane {
namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    return upper(x) == upper(y);
  });
}

}  // namespace

std::unique_ptr<TableConverter> TableConverter::forName(std::string_view name) {
  // glibc's names for its CP932 converter (gconv-modules); iconv_open ignores letter case.
  static constexpr std::array<std::string_view, 6> kCp932Names = {
      "CP932", "WINDOWS-31J", "MS932", "SJIS-OPEN", "SJIS-WIN", "CSWINDOWS31J"};
  for (const std::string_view known : kCp932Names) {
    if (sameIgnoringCase(name, known)) return std::make_unique<TableConverter>(kCp932Table);
  }
  return nullptr;
}

TableConverter::TableConverter(const CodeTable& table) : table_(table), bmpCodes_(bmpCodes(table)) {
  asciiCompatible_ = true;
  for (char16_t b = 1; b < 0x80; ++b) {
    if (table_.single[b] != b || bmpCodes_[b] != b) asciiCompatible_ = false;
  }
  // The code page's own '?', as iconv gives it, else the byte.
  const std::uint16_t q = code(U'?');
  if (q == CodeTable::kNoCode || q < 0x100) {
    question_.push_back(static_cast<char>(q == CodeTable::kNoCode ? '?' : q));
  } else if (q != CodeTable::kEmptyCode) {
    question_ = {static_cast<char>(q >> 8), static_cast<char>(q & 0xFF)};
  }
  // A character of one UTF-8 byte may take two bytes or '?'; a longer one takes no more
  // bytes than its UTF-8 unless '?' is longer.
  mostPerByte_ = std::max<std::size_t>(1, question_.size());
  for (char32_t cp = 0; cp < 0x80; ++cp) {
    if (bmpCodes_[cp] >= 0x100 && bmpCodes_[cp] != CodeTable::kEmptyCode) {
      mostPerByte_ = std::max<std::size_t>(mostPerByte_, 2);
    }
  }
  // Every pair that encoding does not give back, as the character's other codes. Two
  // single-byte characters never read as one character, so only lead bytes are looked at.
  for (unsigned lead = 0x80; lead < 0x100; ++lead) {
    if (table_.single[lead] != CodeTable::kLeadByte) continue;
    for (unsigned trail = std::max<unsigned>(table_.firstTrail, 1); trail <= table_.lastTrail;
         ++trail) {
      const char16_t c =
          table_.pair(static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail));
      if (c == CodeTable::kNoCharacter || code(c) == (lead << 8 | trail)) continue;
      std::string character;
      utf8::append(character, c);
      duplicates_[character].push_back({static_cast<char>(lead), static_cast<char>(trail)});
    }
  }
}

std::uint16_t TableConverter::codeBeyondBmp(char32_t cp) const {
  const auto it =
      std::lower_bound(table_.overrides.begin(), table_.overrides.end(), cp,
                       [](const CodeTable::Override& o, char32_t wanted) { return o.cp < wanted; });
  return it != table_.overrides.end() && it->cp == cp ? it->code : CodeTable::kNoCode;
}

void TableConverter::decode(std::string_view bytes, std::string& out) const {
  // No byte becomes more than the four bytes of an escape. A tag field's text is decoded
  // on the stack and appended once; only longer texts grow `out` first.
  char local[4 * 64];
  const bool small = bytes.size() <= 64;
  const std::size_t start = out.size();
  if (!small) out.resize(start + bytes.size() * 4);
  char* const first = small ? local : out.data() + start;
  char* p = first;
  const auto* in = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const std::size_t n = bytes.size();
  // The table's parts in locals: the writes through `p` (char) could alias any memory, so
  // members would be read again for every byte.
  const char16_t* const single = table_.single.data();
  const std::uint8_t* const leadRow = table_.leadRow.data();
  const char16_t* const pairs = table_.pairs.data();
  const unsigned firstTrail = table_.firstTrail, lastTrail = table_.lastTrail;
  const std::size_t width = lastTrail - firstTrail + 1u;
  std::size_t i = 0;
  while (i < n) {
    const std::uint8_t b = in[i];
    const char16_t c = single[b];
    if (c < 0x80) {
      *p++ = static_cast<char>(c);
      ++i;
      continue;
    }
    if (c < CodeTable::kLeadByte) {
      p = utf8::put(p, c);
      ++i;
      continue;
    }
    if (c == CodeTable::kLeadByte && i + 1 < n) {
      const unsigned trail = in[i + 1];
      const int row = leadRow[b] - 1;
      const char16_t paired = row >= 0 && trail >= firstTrail && trail <= lastTrail
                                  ? pairs[static_cast<std::size_t>(row) * width + (trail - firstTrail)]
                                  : CodeTable::kNoCharacter;
      if (paired != CodeTable::kNoCharacter) {
        p = utf8::put(p, paired);
        i += 2;
        continue;
      }
    }
    // Where iconv stops (a byte that never decodes, a lead byte before a byte that is not
    // its trail, or at the end), the byte is kept and decoding goes on after it.
    p = utf8::put(p, utf8::kEscapeBase + b);
    ++i;
  }
  if (small) {
    out.append(local, p);
  } else {
    out.resize(start + static_cast<std::size_t>(p - first));
  }
}

void TableConverter::encodeRun(std::string_view run, std::string& out) const {
  const std::size_t start = out.size();
  out.resize(start + run.size() * mostPerByte_);
  char* p = out.data() + start;
  std::size_t pos = 0;
  while (pos < run.size()) {
    char32_t cp = 0;
    const std::size_t len = utf8::decodeOne(run, pos, cp);
    const std::uint16_t c = len == 0 ? CodeTable::kNoCode : code(cp);
    pos += len == 0 ? 1 : len;
    if (c < 0x100) {
      *p++ = static_cast<char>(c);
    } else if (c == CodeTable::kNoCode) {
      p = std::copy(question_.begin(), question_.end(), p);
    } else if (c != CodeTable::kEmptyCode) {  // iconv writes nothing for tag characters
      *p++ = static_cast<char>(c >> 8);
      *p++ = static_cast<char>(c & 0xFF);
    }
  }
  out.resize(static_cast<std::size_t>(p - out.data()));
}

bool TableConverter::joins(int lead, std::string_view code) const {
  if (code.empty()) return false;
  const auto first = static_cast<std::uint8_t>(lead);
  const auto second = static_cast<std::uint8_t>(code[0]);
  // Both bytes decode when they make a pair, or when each is a character of its own.
  if (table_.single[first] == CodeTable::kLeadByte) {
    return table_.pair(first, second) != CodeTable::kNoCharacter;
  }
  return table_.single[first] < CodeTable::kLeadByte &&
         table_.single[second] < CodeTable::kLeadByte;
}

const std::vector<std::string>& TableConverter::duplicateCodes(std::string_view character) const {
  static const std::vector<std::string> none;
  const auto it = duplicates_.find(character);
  return it == duplicates_.end() ? none : it->second;
}

}  // namespace quorvane
