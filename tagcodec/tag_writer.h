#pragma once

#include <string>
#include <vector>

#include "platform/file_service.h"
#include "platform/message_boxes.h"
#include "tagcodec/file_state.h"
#include "tagcodec/tag_block.h"
#include "tagcodec/tag_file.h"

namespace quorvane {

// Writes the tags of a save one by one, in order, and then gets them all onto the device
// at once: flushing many files together costs little more than flushing one, while
// flushing each before the next write would make a large save crawl. Every failure is
// shown through `messages`, as WriteTag shows it.
class TagWriter {
 public:
  TagWriter(FileService& files, MessageBoxes& messages) : files_(files), messages_(messages) {}

  // WriteTag's steps, up to the device: the tag and the rename reach it at flush().
  // With `expected`, the file must still be in the state it was loaded in; another
  // program's change is never overwritten.
  Module1::WriteOutcome write(const std::string& path, const Module1::TagRecord& record,
                              const std::string& newPath, const FileState* expected = nullptr);

  // Gets every write since the last flush onto the device, with the folders of renamed
  // files. A file whose data cannot be flushed is put back as it was (its old tag, or its
  // old length) and reported. Returns the final outcome of each write, in order.
  std::vector<Module1::WriteOutcome> flush();

 private:
  struct Written {
    std::string path;        // where the file is now
    std::string loadedPath;  // where it was, when it was renamed
    std::int64_t length;     // its length before the write
    TagBlock oldTail;        // what the tag replaced, when it replaced one
    bool replaced;
    Module1::WriteOutcome outcome;
    std::string failure;  // set when the flush fails
  };
  void report(const std::string& path, const std::string& description);
  bool flushOne(Written& written);
  void putBack(const Written& written);

  FileService& files_;
  MessageBoxes& messages_;
  std::vector<Written> written_;
};

}  // namespace quorvane
