#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tagcodec/code_converter.h"
#include "tagcodec/code_table.h"

namespace quorvane {

// Converts with a CodeTable alone, byte for byte as iconv converts the same code page, and
// needs no iconv. Everything is built in the constructor and only read afterwards, so one
// converter serves any number of threads at once.
class TableConverter final : public CodeConverter {
 public:
  // The converter for a name that glibc's iconv gives a built-in table's code page (CP932,
  // WINDOWS-31J, MS932, ..., in any letter case), or null.
  static std::unique_ptr<TableConverter> forName(std::string_view name);

  explicit TableConverter(const CodeTable& table);

  bool asciiCompatible() const override { return asciiCompatible_; }
  const std::string& question() const override { return question_; }
  void decode(std::string_view bytes, std::string& out) const override;
  void encodeRun(std::string_view run, std::string& out) const override;
  bool joins(int lead, std::string_view code) const override;
  const std::vector<std::string>& duplicateCodes(std::string_view character) const override;

 private:
  std::uint16_t code(char32_t cp) const {
    return cp < bmpCodes_.size() ? bmpCodes_[cp] : codeBeyondBmp(cp);
  }
  std::uint16_t codeBeyondBmp(char32_t cp) const;

  const CodeTable& table_;
  std::vector<std::uint16_t> bmpCodes_;
  bool asciiCompatible_ = false;
  std::string question_;
  std::size_t mostPerByte_ = 2;  // bytes that encoding may make of one byte of UTF-8
  std::map<std::string, std::vector<std::string>, std::less<>> duplicates_;
};

}  // namespace quorvane
