#include "os/posix/posix_file_service.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "os/posix/file_names.h"
#include "os/posix/file_system.h"
#include "os/posix/posix_file.h"

namespace quorvane {
namespace {

FileFailure systemFailure(int err) {
  return FileFailure{false, describeError(err)};
}

// Reads files relative to the folder's descriptor.
class PosixFolderReader : public FolderReader {
 public:
  explicit PosixFolderReader(UniqueFd folder) : folder_(std::move(folder)) {}

  bool readEnd(std::string_view name, std::int64_t& size, std::span<std::uint8_t> bytes,
               FileFailure& failure) override {
    // Most names are their own bytes (no escape, which starts with 0xF4): copied into a
    // buffer of our own, they need no allocation.
    char buffer[256];
    std::string converted;
    const char* bytesName = buffer;
    if (name.size() < sizeof buffer &&
        name.find_first_of(std::string_view("\xF4\0", 2)) == std::string_view::npos) {
      std::memcpy(buffer, name.data(), name.size());
      buffer[name.size()] = '\0';
    } else {
      converted = nameToBytes(name);
      if (converted.find('\0') != std::string::npos) {
        failure = systemFailure(EINVAL);
        return false;
      }
      bytesName = converted.c_str();
    }
    UniqueFd fd(::openat(folder_.get(), bytesName, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0) {
      failure = systemFailure(errno);
      return false;
    }
    if (!S_ISREG(info.st_mode)) {
      failure = FileFailure{true, {}};
      return false;
    }
    size = info.st_size;
    const auto length = static_cast<std::size_t>(
        std::min<std::int64_t>(size, static_cast<std::int64_t>(bytes.size())));
    if (length > 0 &&
        !readFully(fd.get(), bytes.data(), length, size - static_cast<off_t>(length))) {
      failure = systemFailure(errno);
      return false;
    }
    return true;
  }

 private:
  UniqueFd folder_;
};

class PosixOpenFile : public OpenFile {
 public:
  PosixOpenFile(UniqueFd fd, std::int64_t size) : fd_(std::move(fd)), size_(size) {}
  std::int64_t size() const override { return size_; }
  bool read(std::int64_t offset, std::span<std::uint8_t> bytes) override {
    return check(readFully(fd_.get(), bytes.data(), bytes.size(), offset));
  }
  bool write(std::int64_t offset, std::span<const std::uint8_t> bytes) override {
    return check(writeFully(fd_.get(), bytes.data(), bytes.size(), offset));
  }
  bool truncate(std::int64_t length) override { return check(::ftruncate(fd_.get(), length) == 0); }
  bool flush() override { return check(::fdatasync(fd_.get()) == 0); }
  bool close() override { return check(fd_.close()); }
  FileFailure failure() const override { return systemFailure(error_); }

 private:
  bool check(bool ok) {
    if (!ok) error_ = errno;
    return ok;
  }
  UniqueFd fd_;
  std::int64_t size_;
  int error_ = 0;
};

// Opens and checks that the file is a regular one, so that nothing blocks on a FIFO and
// no tag goes into a device.
std::unique_ptr<PosixOpenFile> openRegular(const std::string& path, int flags, bool writing,
                                           FileFailure& failure) {
  UniqueFd fd = openPath(path, flags);
  if (!fd.valid()) {
    failure = systemFailure(errno);
    return nullptr;
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) {
    failure = systemFailure(errno);
    return nullptr;
  }
  if (!S_ISREG(info.st_mode)) {
    failure = FileFailure{true, {}};
    return nullptr;
  }
  // Root may write anywhere; a file its owner marked read-only stays unwritten all the same.
  if (writing && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    failure = systemFailure(EACCES);
    return nullptr;
  }
  return std::make_unique<PosixOpenFile>(std::move(fd), info.st_size);
}

bool sameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  return ::lstat(a.c_str(), &sa) == 0 && ::lstat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// Renames byte path `from` to `to`, never replacing a file named `to`. 0, or the errno.
int renameWithoutReplacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  int err = errno;
  if (err != EINVAL && err != ENOSYS && err != ENOTSUP) return err;

  // The file system lacks RENAME_NOREPLACE: a hard link fails on an existing name too.
  if (::link(from.c_str(), to.c_str()) == 0) {
    if (::unlink(from.c_str()) == 0) return 0;
    err = errno;
    ::unlink(to.c_str());
    return err;
  }
  err = errno;
  if (err != EPERM && err != ENOTSUP && err != EMLINK) return err;

  // No hard links either (FAT on a music player): check, then rename.
  struct stat existing {};
  if (::lstat(to.c_str(), &existing) == 0) return EEXIST;
  if (errno != ENOENT) return errno;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// The byte path's folder and the name in it.
std::pair<std::string, std::string> splitBytePath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Moves the file at `from` to a name of our own beside `to`, set in `step`. 0, or the errno.
int moveAside(const std::string& from, const std::string& to, std::string& step) {
  // The new name with a suffix tells whose file it is should we be stopped halfway; a name
  // too long for that falls back to a short one.
  const std::string shortBase = splitBytePath(to).first + "/quorvane";
  int err = 0;
  for (const std::string& base : {to, shortBase}) {
    for (int attempt = 0; attempt < 10; ++attempt) {
      step = base + ".quorvane-rename" + (attempt == 0 ? "" : "-" + std::to_string(attempt));
      err = renameWithoutReplacing(from, step);
      if (err != EEXIST) break;
    }
    if (err != ENAMETOOLONG) return err;
  }
  return err;
}

constexpr const char* kCaseKept = "ファイル システムが名前の大文字と小文字を変えませんでした";

// A rename where `to` may name the file itself: a file system that ignores letter case finds
// it under its new name, and a hard link is the same file under another. The file goes
// through a name of our own first; if `to` is still taken then, another file holds it.
bool renameThroughStep(const std::string& from, const std::string& to, FileFailure& failure) {
  std::string step;
  if (const int err = moveAside(from, to, step); err != 0) {
    failure = systemFailure(err);
    return false;
  }
  // With the file out of the way, a name that is still taken is another file's.
  if (const int err = renameWithoutReplacing(step, to); err != 0) {
    failure = systemFailure(err);
    if (renameWithoutReplacing(step, from) != 0) {
      failure.description += " (今の名前: " + nameFromBytes(splitBytePath(step).second) + ")";
    }
    return false;
  }
  // Some file systems keep names in a letter case of their own: the rename is done only if
  // the folder shows the name the user asked for. (A folder that cannot be read shows none.)
  const auto [folder, name] = splitBytePath(to);
  const std::optional<std::string> onDisk =
      fs::nameOnDisk(nameFromBytes(folder), nameFromBytes(name));
  if (!onDisk || *onDisk == nameFromBytes(name)) return true;
  failure = FileFailure{false, std::string(kCaseKept) + " (ディスク上の名前: " + *onDisk + ")。"};
  return false;
}

}  // namespace

std::unique_ptr<OpenFile> PosixFileService::openToRead(const std::string& path,
                                                       FileFailure& failure) {
  return openRegular(path, O_RDONLY, false, failure);
}

std::unique_ptr<OpenFile> PosixFileService::openToWrite(const std::string& path,
                                                        FileFailure& failure) {
  // Never write through a link: it could change a file outside the folder.
  return openRegular(path, O_RDWR | O_NOFOLLOW, true, failure);
}

bool PosixFileService::renameNoReplace(const std::string& fromText, const std::string& toText,
                                       FileFailure& failure) {
  const std::string from = nameToBytes(fromText);
  const std::string to = nameToBytes(toText);
  if (from.find('\0') != std::string::npos || to.find('\0') != std::string::npos) {
    failure = systemFailure(EINVAL);  // would name another, shorter path
    return false;
  }
  // A FUSE file system may give two names of one file two inode numbers: the names decide.
  if (fs::equalIgnoringAsciiCase(from, to) || sameFile(from, to)) {
    return renameThroughStep(from, to, failure);
  }
  if (const int err = renameWithoutReplacing(from, to); err != 0) {
    failure = systemFailure(err);
    return false;
  }
  return true;
}

bool PosixFileService::flushFolder(const std::string& folder, FileFailure& failure) {
  UniqueFd fd = openPath(folder, O_RDONLY | O_DIRECTORY);
  if (!fd.valid()) {
    failure = systemFailure(errno);
    return false;
  }
  // A file system that cannot flush a folder (EINVAL) keeps its entries as it can.
  if (::fsync(fd.get()) != 0 && errno != EINVAL) {
    failure = systemFailure(errno);
    return false;
  }
  return true;
}

std::unique_ptr<FolderReader> PosixFileService::readFolder(std::string_view folder) {
  UniqueFd fd = openPath(std::string(folder), O_RDONLY | O_DIRECTORY);
  // A folder that cannot be opened leaves each file to fail by its path, with its reason.
  if (!fd.valid()) return nullptr;
  return std::make_unique<PosixFolderReader>(std::move(fd));
}

std::string PosixFileService::joinPath(std::string_view folder, std::string_view name) const {
  return fs::joinPath(folder, name);
}

struct PosixFileService::Ahead {
  ~Ahead() {
    if (reading.joinable()) reading.join();
  }
  std::string folder;
  fs::FolderEntries entries;
  std::thread reading;
  bool mp3Taken = false;
  bool subfoldersTaken = false;
};

PosixFileService::PosixFileService() = default;
PosixFileService::~PosixFileService() = default;

void PosixFileService::listAhead(std::string folder) {
  auto ahead = std::make_unique<Ahead>();
  ahead->folder = std::move(folder);
  Ahead* const filled = ahead.get();
  try {
    ahead->reading =
        std::thread([filled] { filled->entries = fs::listFolder(filled->folder, true, true); });
  } catch (const std::system_error&) {
    return;  // no thread to spare: the folder is listed when it is asked for
  }
  const std::lock_guard lock(aheadLock_);
  ahead_ = std::move(ahead);  // one started before is joined as it goes
}

void PosixFileService::dropListingAhead() {
  std::unique_ptr<Ahead> dropped;
  const std::lock_guard lock(aheadLock_);
  dropped = std::move(ahead_);
}

bool PosixFileService::takeAhead(std::string_view folder, fs::Mp3Listing* mp3,
                                 std::vector<std::string>* subfolders) {
  const std::lock_guard lock(aheadLock_);
  if (!ahead_ || ahead_->folder != folder) return false;
  bool& taken = mp3 ? ahead_->mp3Taken : ahead_->subfoldersTaken;
  if (taken) return false;
  taken = true;
  if (ahead_->reading.joinable()) ahead_->reading.join();
  if (mp3) {
    *mp3 = std::move(ahead_->entries.mp3);
  } else {
    *subfolders = std::move(ahead_->entries.subfolders);
  }
  if (ahead_->mp3Taken && ahead_->subfoldersTaken) ahead_.reset();
  return true;
}

FolderListing PosixFileService::listMp3Files(std::string_view folder) {
  fs::Mp3Listing found;
  if (!takeAhead(folder, &found, nullptr)) found = fs::listMp3Files(folder);
  FolderListing listing;
  listing.names = std::move(found.names);
  listing.ok = found.ok;
  if (!found.ok) listing.error = describeError(found.error);
  return listing;
}

std::vector<std::string> PosixFileService::listSubfolders(std::string_view folder) {
  std::vector<std::string> names;
  if (!takeAhead(folder, nullptr, &names)) names = fs::listSubfolders(folder);
  return names;
}

std::vector<std::string> PosixFileService::listDrives() {
  return fs::listDrives();
}

std::string PosixFileService::driveOf(const std::vector<std::string>& drives,
                                      std::string_view folder) {
  return fs::driveOf(drives, folder);
}

std::string PosixFileService::normalizeFolder(std::string_view path) {
  return fs::normalizeFolder(path);
}

std::vector<std::string> PosixFileService::ancestorsOf(std::string_view folder) {
  return fs::ancestorsOf(folder);
}

std::string PosixFileService::folderName(std::string_view folder) {
  if (folder == "/") return std::string(folder);
  return std::string(folder.substr(folder.rfind('/') + 1));
}

bool PosixFileService::isFolder(std::string_view path) {
  return fs::isFolder(path);
}

std::string PosixFileService::currentFolder() {
  return fs::currentFolder();
}

}  // namespace quorvane
