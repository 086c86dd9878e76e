#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/file_service.h"
#include "tagcodec/tag_block.h"

namespace quorvane {

// What reading the end of one file found: the tag reader's raw material.
struct FileEnd {
  bool opened = false;    // a regular file that was opened and its end read
  std::int64_t size = 0;  // its length in bytes, when opened
  TagBlock tail{};        // its last min(size, 128) bytes, zeros after them
  FileFailure failure;    // why not, when not opened

  bool hasTag() const {
    return opened && size >= static_cast<std::int64_t>(kTagSize) && hasTagMarker(tail.data());
  }
};

// Opens the file at `path` (never blocking on a FIFO or device), reads its last bytes and
// closes it. A file that cannot be opened or read, or is no regular file, is not opened.
FileEnd readFileEnd(const std::string& path, FileService& files);

// Reads the ends of all `paths` with several requests in flight, on threads of its own
// (a reader per core, more while the device is slow to answer), into `ends` (in the
// order of `paths`). `ready(begin, end)` runs on the calling
// thread for each next run of finished results, in order, while later ones are still
// being read, so that the caller can use them at once. Returns when all are read and
// handed over. `files` must be safe to call from several threads. `prepare(i)`, when set,
// runs on the reading thread as soon as ends[i] is read, for work that may run there
// (decoding the tag), and before `ready` covers i.
void readFileEnds(const std::vector<std::string>& paths, FileService& files,
                  std::vector<FileEnd>& ends,
                  const std::function<void(std::size_t begin, std::size_t end)>& ready,
                  const std::function<void(std::size_t index)>& prepare = {});
// The same for the files `names` of `folder`, read relative to the folder where the file
// service can (FileService::readFolder), by their paths elsewhere; the second form keeps no
// ends: `use(index, end)` takes each on the reading thread as soon as it is read.
void readFileEnds(const std::string& folder, std::span<const std::string> names,
                  FileService& files, std::vector<FileEnd>& ends,
                  const std::function<void(std::size_t begin, std::size_t end)>& ready,
                  const std::function<void(std::size_t index)>& prepare = {});
void readFileEnds(const std::string& folder, std::span<const std::string> names,
                  FileService& files,
                  const std::function<void(std::size_t index, FileEnd& end)>& use,
                  const std::function<void(std::size_t begin, std::size_t end)>& ready);

}  // namespace quorvane
