#include "tagcodec/file_state.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace quorvane {
namespace {

constexpr char kHex[] = "0123456789abcdef";

constexpr std::uint64_t rotate(std::uint64_t x, int n) {
  return (x << n) | (x >> (64 - n));
}

// The final mix of MurmurHash3: every input bit reaches every output bit.
constexpr std::uint64_t mix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  return h ^ (h >> 33);
}

// Two lanes over the bytes eight at a time (the last word zero-padded), each folding in
// its own multiple of every word, then the length, then a mix.
std::array<std::uint8_t, 16> hashOf(const std::uint8_t* bytes, std::size_t size) {
  std::uint64_t a = 0x9e3779b97f4a7c15ULL, b = 0xc2b2ae3d27d4eb4fULL;
  const auto fold = [&](std::uint64_t word) {
    a = rotate(a ^ (word * 0x87c37b91114253d5ULL), 31) * 0x4cf5ad432745937fULL;
    b = rotate(b ^ (word * 0x52dce729ULL + 0x38495ab5ULL), 33) * 0x9e3779b97f4a7c15ULL;
    a += b;
  };
  // Whole words by a load of eight bytes, the last part word zero-padded: the same words
  // as ever, so that fingerprints listed before still match.
  std::size_t at = 0;
  for (; at + 8 <= size; at += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + at, 8);
    fold(word);
  }
  if (at < size) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes + at, size - at);
    fold(word);
  }
  a = mix(a ^ size);
  b = mix(b + a);
  std::array<std::uint8_t, 16> hash{};
  std::memcpy(hash.data(), &a, 8);
  std::memcpy(hash.data() + 8, &b, 8);
  return hash;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

FileState fileStateOf(const FileEnd& end) {
  FileState state;
  if (!end.opened) return state;
  state.size = end.size;
  const auto kept = static_cast<std::size_t>(std::min<std::int64_t>(end.size, kTagSize));
  state.hash = hashOf(end.tail.data(), kept);
  return state;
}

std::string FileState::text() const {
  std::string out;
  appendText(out);
  return out;
}

void FileState::appendText(std::string& out) const {
  if (size < 0) {
    out += '-';
    return;
  }
  // Written into one buffer: a listing prints one for every file.
  char buffer[20 + 1 + 2 * sizeof hash];
  static constexpr auto kPairs = [] {
    std::array<char, 512> pairs{};
    for (int byte = 0; byte < 256; ++byte) {
      pairs[2 * byte] = kHex[byte >> 4];
      pairs[2 * byte + 1] = kHex[byte & 15];
    }
    return pairs;
  }();
  char* at = std::to_chars(buffer, buffer + 20, size, 16).ptr;
  *at++ = '.';
  for (std::uint8_t byte : hash) {
    std::memcpy(at, &kPairs[2 * byte], 2);
    at += 2;
  }
  out.append(buffer, at);
}

std::optional<FileState> FileState::parse(std::string_view text) {
  FileState state;
  if (text == "-") return state;
  const auto dot = text.find('.');
  if (dot == 0 || dot == std::string_view::npos || text.size() - dot - 1 != 2 * state.hash.size()) {
    return std::nullopt;
  }
  if (std::any_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(dot),
                  [](char c) { return hexValue(c) < 0; })) {
    return std::nullopt;
  }
  const auto [end, error] = std::from_chars(text.data(), text.data() + dot, state.size, 16);
  if (error != std::errc() || end != text.data() + dot) return std::nullopt;
  for (std::size_t i = 0; i < state.hash.size(); ++i) {
    const int high = hexValue(text[dot + 1 + 2 * i]);
    const int low = hexValue(text[dot + 2 + 2 * i]);
    if (high < 0 || low < 0) return std::nullopt;
    state.hash[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return state;
}

}  // namespace quorvane
