#pragma once

#include <string>

#include "platform/file_service.h"
#include "platform/message_boxes.h"
#include "tagcodec/tag_record.h"

namespace Module1 {

// Reads the tag that ends the file at `path` into `record`. True when the file's last
// 128 bytes start with "TAG". False for a file without a tag, shorter than 128 bytes,
// missing, unreadable or not a regular file; `record` is then left exactly as it was.
// Reads only the last 128 bytes. The file is reached through `files`.
bool ReadTag(const std::string& path, TagRecord& record, quorvane::FileService& files);

// What became of one WriteTag call.
enum class WriteOutcome {
  Written,      // the tag, and the rename when one was asked for, on the device
  NotWritten,   // the file keeps its old tag (and its old name unless that was taken)
  NotRenamed,   // the tag was written, the rename failed: the file keeps its old name
  NotOnDevice,  // the file holds the new tag and name, but they could not be flushed
};

// Stores `record` as the tag of the file at `path`: replaces the last 128 bytes when they
// start with "TAG", appends 128 bytes otherwise. Then, when `newPath` is not empty,
// renames the file to it; a rename never replaces an existing file and never leaves the
// file's folder. Any failure is shown in a message box through `messages` and ends the
// call; nothing is thrown. The result tells the caller which rows to keep for another try.
WriteOutcome WriteTag(const std::string& path, const TagRecord& record, const std::string& newPath,
                      quorvane::MessageBoxes& messages, quorvane::FileService& files);

}  // namespace Module1
