#include "tagcodec/text_fields.h"

#include <algorithm>

#include "tagcodec/code_page.h"

namespace Module1 {

std::string BytesToText(std::span<const std::uint8_t> field) {
  const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
  const auto n = static_cast<std::size_t>(end - field.begin());
  if (n == 0) return {};
  return quorvane::tagCodePage().decode(
      std::string_view(reinterpret_cast<const char*>(field.data()), n));
}

void TextToBytes(std::span<std::uint8_t> field, std::string_view text) {
  const std::string bytes = quorvane::tagCodePage().encode(text);
  const std::size_t copied = std::min(bytes.size(), field.size());
  std::copy_n(reinterpret_cast<const std::uint8_t*>(bytes.data()), copied, field.begin());
  std::fill(field.begin() + static_cast<std::ptrdiff_t>(copied), field.end(), std::uint8_t{0x20});
}

}  // namespace Module1
