// A file of any contents through ReadTag and WriteTag: nothing crashes, a tag that is read
// and written back changes no byte before it, and reads back as the same record.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_checks.h"
#include "tagcodec/tag_block.h"
#include "tagcodec/tag_file.h"
#include "ui/headless/headless_message_boxes.h"

namespace {

using namespace quorvane::fuzz;
using Module1::TagRecord;
using quorvane::kTagSize;

// One file for the whole run, rewritten for every input.
const std::string& filePath() {
  static const std::string path = (runFolder() / "fuzz.mp3").string();
  return path;
}

void putFile(std::string_view contents) {
  const int fd = ::open(filePath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  check(fd >= 0, "cannot create the fuzz file");
  check(::write(fd, contents.data(), contents.size()) == static_cast<ssize_t>(contents.size()),
        "cannot write the fuzz file");
  ::close(fd);
}

std::string getFile() {
  std::string contents;
  const int fd = ::open(filePath().c_str(), O_RDONLY | O_CLOEXEC);
  check(fd >= 0, "cannot open the fuzz file");
  char buffer[8192];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
    contents.append(buffer, static_cast<size_t>(n));
  ::close(fd);
  return contents;
}

// A text field read again after a write holds the text it was written with, then the
// spaces that padded it.
bool sameTextThenSpaces(const std::string& first, const std::string& second) {
  return second.starts_with(first) &&
         std::all_of(second.begin() + static_cast<std::ptrdiff_t>(first.size()), second.end(),
                     [](char c) { return c == ' '; });
}

void checkRecordReadBack(const TagRecord& written) {
  TagRecord again;
  check(Module1::ReadTag(filePath(), again, systemFiles()), "the written tag cannot be read");
  check(sameTextThenSpaces(written.Title, again.Title), "the title changed");
  check(sameTextThenSpaces(written.Artist, again.Artist), "the artist changed");
  check(sameTextThenSpaces(written.Album, again.Album), "the album changed");
  check(sameTextThenSpaces(written.Year, again.Year), "the year changed");
  check(sameTextThenSpaces(written.Comment, again.Comment), "the comment changed");
  check(written.Genre == again.Genre, "the genre changed");
}

// Each field of the rewritten block holds the old field's bytes up to its first zero
// (duplicate CP932 pairs aside) and spaces after them.
void checkBlockBytes(std::string_view oldBlock, std::string_view newBlock) {
  check(newBlock.substr(0, 3) == "TAG", "the marker changed");
  for (const quorvane::FieldSpan span :
       {quorvane::kTitleField, quorvane::kArtistField, quorvane::kAlbumField, quorvane::kYearField,
        quorvane::kCommentField}) {
    const std::string_view before = oldBlock.substr(span.offset, span.width);
    const std::string_view after = newBlock.substr(span.offset, span.width);
    const std::size_t length = std::min(before.find('\0'), before.size());
    checkSameBytesOrDuplicates(cp932(), before.substr(0, length), after.substr(0, length));
    check(after.find_first_not_of(' ', length) == std::string_view::npos,
          "the bytes after a field's text did not become spaces");
  }
  check(newBlock[quorvane::kGenreOffset] == oldBlock[quorvane::kGenreOffset],
        "the genre byte changed");
}

void checkTaggedFile(std::string_view contents, const TagRecord& record) {
  quorvane::HeadlessMessageBoxes boxes;
  Module1::WriteTag(filePath(), record, "", boxes, systemFiles());
  check(boxes.shown().empty(), "writing a tag that was just read failed");
  const std::string after = getFile();
  check(after.size() == contents.size(), "rewriting the tag changed the file's length");
  const std::size_t audio = contents.size() - kTagSize;
  check(std::string_view(after).substr(0, audio) == contents.substr(0, audio),
        "rewriting the tag changed a byte before it");
  checkBlockBytes(contents.substr(audio), std::string_view(after).substr(audio));
  checkRecordReadBack(record);
}

void checkUntaggedFile(std::string_view contents) {
  const TagRecord record{"Fuzz title", "アーティスト", "", "1999", "\xF4\x8F\xBA\x80", 255};
  quorvane::HeadlessMessageBoxes boxes;
  Module1::WriteTag(filePath(), record, "", boxes, systemFiles());
  const std::string after = getFile();
  check(std::string_view(after).substr(0, contents.size()) == contents,
        "adding a tag changed the file's bytes");
  if (contents.size() < kTagSize) {
    // Too short to hold a tag: refused, reported, and nothing written.
    check(boxes.shown().size() == 1, "a file shorter than a tag was not reported once");
    check(after.size() == contents.size(), "a refused write changed the file");
    return;
  }
  check(boxes.shown().empty(), "appending a tag failed");
  check(after.size() == contents.size() + kTagSize, "the appended tag is not 128 bytes");
  checkRecordReadBack(record);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view contents = asText(data, size);
  putFile(contents);
  const TagRecord untouched{"keep", "these", "values", "0000", "when no tag is read", 77};
  TagRecord record = untouched;
  if (Module1::ReadTag(filePath(), record, systemFiles())) {
    check(size >= kTagSize && contents.substr(size - kTagSize, 3) == "TAG",
          "ReadTag found a tag where there is none");
    checkTaggedFile(contents, record);
  } else {
    check(record == untouched, "ReadTag changed the record without finding a tag");
    check(size < kTagSize || contents.substr(size - kTagSize, 3) != "TAG", "ReadTag missed a tag");
    checkUntaggedFile(contents);
  }
  return 0;
}
