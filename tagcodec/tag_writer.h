#pragma once

#include <string>
#include <vector>

#include "platform/file_service.h"
#include "platform/message_boxes.h"
#include "tagcodec/file_state.h"
#include "tagcodec/tag_block.h"
#include "tagcodec/tag_file.h"

namespace quorvane {

// What one file's save came to, as the file now stands on disk.
struct SaveRecord {
  std::string loadedPath;  // where the file was when the save began
  std::string newPath;     // where the user wants it; empty when its name stays
  std::string path;        // where it is now
  bool newTag = false;     // it holds the tag written (on the device or not)
  bool written = false;    // the new tag and the new name are on the device
  FileState state;         // as the save last saw or left it; size -1 when unknown
  std::string failure;     // why not all of it happened, as the user was told

  bool renamed() const { return !newPath.empty() && path == newPath; }
  Module1::WriteOutcome outcome() const;
};

// Writes the tags of a save one by one, in order, and then gets them all onto the device
// at once: flushing many files together costs little more than flushing one, while
// flushing each before the next write would make a large save crawl. Every failure is
// shown through `messages`, as WriteTag shows it, once.
class TagWriter {
 public:
  TagWriter(FileService& files, MessageBoxes& messages) : files_(files), messages_(messages) {}

  // WriteTag's steps, up to the device: the tag and the rename reach it at flush().
  // With `expected`, the file must still be in the state it was loaded in; another
  // program's change is never overwritten.
  Module1::WriteOutcome write(const std::string& path, const Module1::TagRecord& record,
                              const std::string& newPath, const FileState* expected = nullptr);
  // A file that is not written at all, for a reason found before the writer was called;
  // reported like any other failure and kept in the records.
  void refuse(const std::string& path, const std::string& newPath, const std::string& why);

  // Gets every write since the last flush onto the device, with the folders of renamed
  // files. A file whose data cannot be flushed is put back as it was (its old tag or old
  // length, and its old name) as far as that can be done, and reported with what it now
  // holds. Returns the record of every write and refusal since the last flush, in order.
  std::vector<SaveRecord> flush();

 private:
  struct Pending {
    SaveRecord record;
    std::int64_t length = 0;  // the file's length before the write
    TagBlock oldTail{};       // its last 128 bytes before the write
    bool replaced = false;    // the block took the place of a tag
    bool flushed = false;
  };
  void report(const std::string& path, const std::string& description);
  bool flushOne(Pending& pending);
  std::string putBack(Pending& pending);

  FileService& files_;
  MessageBoxes& messages_;
  std::vector<Pending> pending_;
};

}  // namespace quorvane
