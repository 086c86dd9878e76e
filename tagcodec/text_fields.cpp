#include "tagcodec/text_fields.h"

#include <algorithm>
#include <cstring>

#include "tagcodec/code_page.h"

namespace Module1 {

std::string BytesToText(std::span<const std::uint8_t> field) {
  std::string text;
  AppendFieldText(field, text, quorvane::tagCodePage());
  return text;
}

void AppendFieldText(std::span<const std::uint8_t> field, std::string& out,
                     const quorvane::CodePage& page) {
  const void* zero = std::memchr(field.data(), 0, field.size());
  const std::size_t n =
      zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - field.data())
           : field.size();
  if (n == 0) return;
  page.decodeAppend(std::string_view(reinterpret_cast<const char*>(field.data()), n), out);
}

void TextToBytes(std::span<std::uint8_t> field, std::string_view text) {
  const std::string bytes = quorvane::tagCodePage().encode(text);
  const std::size_t copied = std::min(bytes.size(), field.size());
  std::copy_n(reinterpret_cast<const std::uint8_t*>(bytes.data()), copied, field.begin());
  std::fill(field.begin() + static_cast<std::ptrdiff_t>(copied), field.end(), std::uint8_t{0x20});
}

}  // namespace Module1
