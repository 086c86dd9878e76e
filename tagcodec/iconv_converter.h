#pragma once

#include <iconv.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "tagcodec/code_converter.h"

namespace quorvane {

// Runs iconv over all of `in`, appending to `out` and growing it as needed. Returns the
// number of input bytes converted before an error (errno tells which), or in.size() when
// all went.
std::size_t iconvAppend(iconv_t handle, std::string_view in, std::string& out);

// Converts with glibc's iconv, for any encoding it knows. An iconv handle keeps a shift
// state and is not to be used by two threads at once, so every call takes a lock: threads
// may share the converter, and convert one at a time.
class IconvConverter final : public CodeConverter {
 public:
  // Returns null and sets `error` when iconv does not know `name` in both directions.
  static std::unique_ptr<IconvConverter> open(const std::string& name, std::string* error);

  ~IconvConverter() override;
  IconvConverter(const IconvConverter&) = delete;
  IconvConverter& operator=(const IconvConverter&) = delete;

  bool asciiCompatible() const override { return asciiCompatible_; }
  const std::string& question() const override { return question_; }
  void decode(std::string_view bytes, std::string& out) const override;
  void encodeRun(std::string_view run, std::string& out) const override;
  bool joins(int lead, std::string_view code) const override;
  const std::vector<std::string>& duplicateCodes(std::string_view character) const override;

 private:
  IconvConverter(iconv_t toText, iconv_t toBytes);
  // The same, with the lock held.
  void decodeBySequence(std::string_view bytes, std::string& out) const;
  void encodeRunLocked(std::string_view run, std::string& out) const;
  void findDuplicates() const;

  iconv_t toText_;   // bytes -> UTF-8
  iconv_t toBytes_;  // UTF-8 -> bytes
  bool asciiCompatible_ = false;
  std::string question_ = "?";
  mutable std::mutex mutex_;
  mutable std::unique_ptr<std::map<std::string, std::vector<std::string>, std::less<>>> duplicates_;
};

}  // namespace quorvane
