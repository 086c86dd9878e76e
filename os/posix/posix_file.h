#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace quorvane {

// An open file descriptor, closed when it goes out of scope (close errors ignored:
// callers that care call close() themselves).
class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd();
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      close();
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now; returns false with errno set when close reports an error.
  bool close();

 private:
  int fd_;
};

// Opens a path given as text (see file_names.h) without blocking on FIFOs or devices and
// without becoming a controlling terminal. Returns an invalid UniqueFd with errno set.
UniqueFd openPath(const std::string& path, int flags);
// Opens a path for reading through to its end, whatever it is: opening a FIFO waits for its
// writer and reads wait for data. For input the user names, never for a folder's files.
UniqueFd openToReadThrough(const std::string& path);

// pread/pwrite until all `size` bytes are done; false with errno set otherwise (a read
// that meets the end of the file sets EIO).
bool readFully(int fd, void* buffer, std::size_t size, off_t offset);
bool writeFully(int fd, const void* buffer, std::size_t size, off_t offset);

// The system's description of errno `err`, in the user's language where it has one.
std::string describeError(int err);

}  // namespace quorvane
