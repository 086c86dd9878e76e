#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// Why a file could not be opened or changed.
struct FileFailure {
  bool notRegularFile = false;  // a folder, FIFO, device or link: no file to hold a tag
  std::string description;      // the system's description of any other failure
};

// An open file, read and written at byte offsets, closed when destroyed.
class OpenFile {
 public:
  virtual ~OpenFile() = default;
  // The file's length in bytes when it was opened.
  virtual std::int64_t size() const = 0;
  // Reads or writes exactly `bytes.size()` bytes at `offset`; false otherwise (a read
  // that meets the end of the file fails too), with failure() saying why.
  virtual bool read(std::int64_t offset, std::span<std::uint8_t> bytes) = 0;
  virtual bool write(std::int64_t offset, std::span<const std::uint8_t> bytes) = 0;
  // Cuts the file to `length` bytes.
  virtual bool truncate(std::int64_t length) = 0;
  // Gets the file's data onto the device, not only into the system's cache.
  virtual bool flush() = 0;
  // Closes now, reporting a failure that only closing reveals.
  virtual bool close() = 0;
  virtual FileFailure failure() const = 0;
};

// The files of one folder, each read by its name: the loader's way to the ends of many
// files without a path built or a file object made for each. Safe to call from several
// threads at once.
class FolderReader {
 public:
  virtual ~FolderReader() = default;
  // The length of the regular file `name` and its last min(length, bytes.size()) bytes,
  // into the start of `bytes`; false, with `failure` set, when it is no regular file or
  // cannot be opened or read. Never blocks on a FIFO or a device.
  virtual bool readEnd(std::string_view name, std::int64_t& size, std::span<std::uint8_t> bytes,
                       FileFailure& failure) = 0;
};

// A folder's MP3 files, as the file list shows them.
struct FolderListing {
  std::vector<std::string> names;  // in byte order of the names
  bool ok = true;                  // false: the folder could not be listed
  std::string error;               // the system's reason when not ok
};

// What the tag codec and the window need of the operating system's files and folders.
// Paths and names are UTF-8 text; each system turns them into its own (byte paths on
// Linux, wide paths on Windows) so that every name round trips. Folders carry no
// trailing separator except a drive's root. Safe to call from several threads at once.
class FileService {
 public:
  virtual ~FileService() = default;

  // Opens a regular file for reading, never blocking on a FIFO or a device. Null when it
  // cannot be opened or is not a regular file, with `failure` set.
  virtual std::unique_ptr<OpenFile> openToRead(const std::string& path, FileFailure& failure) = 0;
  // Opens a regular file for reading and writing, never through a link. A file marked
  // read-only is refused even where the system would let this process write it.
  virtual std::unique_ptr<OpenFile> openToWrite(const std::string& path, FileFailure& failure) = 0;
  // Gives the file at `from` the path `to` in the same folder without ever replacing a
  // file that has that name; a change of letter case alone is a rename also where names
  // ignore case, and fails where the file system keeps a case of its own (the file keeps a
  // name that finds it). False, with `failure` set and nothing else changed, otherwise.
  virtual bool renameNoReplace(const std::string& from, const std::string& to,
                               FileFailure& failure) = 0;

  // Gets the folder's entries (names added, renamed or removed) onto the device.
  virtual bool flushFolder(const std::string& folder, FileFailure& failure) = 0;

  // `folder`, the system's separator and `name`; the separator is added in every case.
  virtual std::string joinPath(std::string_view folder, std::string_view name) const = 0;
  // Whether `c` separates folders in a path on this system.
  virtual bool isSeparator(char c) const = 0;
  // Whether `name` names an entry of a folder itself: not empty, "." or "..", without a
  // separator, a NUL or (on Windows) a drive or stream colon. Only such names are joined
  // to a folder, so that nothing outside it is ever opened or renamed.
  virtual bool isPlainName(std::string_view name) const = 0;

  // A reader of the files of `folder`, or null where the system has no faster way than a
  // path for each file (the loader then opens each by its path).
  virtual std::unique_ptr<FolderReader> readFolder(std::string_view folder) = 0;

  // The folder's regular files whose names end in ".mp3" in any letter case, without
  // sub-folders, links, devices, FIFOs, sockets and hidden files.
  virtual FolderListing listMp3Files(std::string_view folder) = 0;
  // The folder's sub-folders (not hidden ones), sorted by name.
  virtual std::vector<std::string> listSubfolders(std::string_view folder) = 0;
  // The drives a user works in, the first one first.
  virtual std::vector<std::string> listDrives() = 0;
  // The drive (from `drives`) that holds `folder`.
  virtual std::string driveOf(const std::vector<std::string>& drives, std::string_view folder) = 0;
  // An absolute form of `path` without "." and ".." parts; relative paths start at the
  // current folder, and a bare drive stands for that drive's current folder. Links are
  // not resolved.
  virtual std::string normalizeFolder(std::string_view path) = 0;
  // The folder's ancestors from its drive's root down to the folder itself.
  virtual std::vector<std::string> ancestorsOf(std::string_view folder) = 0;
  // The last part of a folder's path as the folder list names it.
  virtual std::string folderName(std::string_view folder) = 0;
  virtual bool isFolder(std::string_view path) = 0;
  virtual std::string currentFolder() = 0;
};

}  // namespace quorvane
