#include "os/posix/posix_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "os/posix/file_names.h"

namespace quorvane {

UniqueFd::~UniqueFd() {
  if (fd_ >= 0) ::close(fd_);
}

bool UniqueFd::close() {
  if (fd_ < 0) return true;
  const int fd = fd_;
  fd_ = -1;
  return ::close(fd) == 0;
}

namespace {

UniqueFd openBytes(const std::string& path, int flags) {
  const std::string bytes = nameToBytes(path);
  if (bytes.find('\0') != std::string::npos) {  // would name another, shorter path
    errno = EINVAL;
    return UniqueFd();
  }
  return UniqueFd(::open(bytes.c_str(), flags | O_CLOEXEC | O_NOCTTY));
}

}  // namespace

UniqueFd openPath(const std::string& path, int flags) {
  return openBytes(path, flags | O_NONBLOCK);
}

UniqueFd openToReadThrough(const std::string& path) {
  // Without O_NONBLOCK: a FIFO opened before its writer would read as empty, and a pipe
  // whose writer is slow would fail with EAGAIN.
  return openBytes(path, O_RDONLY);
}

bool readFully(int fd, void* buffer, std::size_t size, off_t offset) {
  auto* at = static_cast<char*>(buffer);
  while (size > 0) {
    const ssize_t n = ::pread(fd, at, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      errno = EIO;
      return false;
    }
    at += n, size -= static_cast<std::size_t>(n), offset += n;
  }
  return true;
}

bool writeFully(int fd, const void* buffer, std::size_t size, off_t offset) {
  const auto* at = static_cast<const char*>(buffer);
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, at, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      errno = EIO;
      return false;
    }
    at += n, size -= static_cast<std::size_t>(n), offset += n;
  }
  return true;
}

std::string describeError(int err) {
  char buffer[256];
  // GNU strerror_r returns the message, which may or may not live in the buffer.
  return ::strerror_r(err, buffer, sizeof buffer);
}

}  // namespace quorvane
