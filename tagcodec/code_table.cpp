#include "tagcodec/code_table.h"

namespace quorvane {

std::vector<std::uint16_t> bmpCodes(const CodeTable& table) {
  std::vector<std::uint16_t> codes(0x10000, CodeTable::kNoCode);
  const auto take = [&](char16_t c, unsigned code) {
    if (c < CodeTable::kLeadByte && codes[c] == CodeTable::kNoCode) {
      codes[c] = static_cast<std::uint16_t>(code);
    }
  };
  for (unsigned b = 0; b < 256; ++b) take(table.single[b], b);
  for (unsigned lead = 0; lead < 256; ++lead) {
    if (table.single[lead] != CodeTable::kLeadByte) continue;
    for (unsigned trail = table.firstTrail; trail <= table.lastTrail; ++trail) {
      take(table.pair(static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail)),
           lead << 8 | trail);
    }
  }
  for (const CodeTable::Override& o : table.overrides) {
    if (o.cp < codes.size()) codes[o.cp] = o.code;
  }
  return codes;
}

}  // namespace quorvane
