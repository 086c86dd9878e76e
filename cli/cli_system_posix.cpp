#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "cli/cli_system.h"
#include "os/posix/file_names.h"
#include "os/posix/file_system.h"
#include "os/posix/posix_file.h"
#include "os/posix/posix_file_service.h"

namespace quorvane::cli {
namespace {

bool readAll(int fd, std::string& out) {
  char buffer[65536];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Standard input may come non-blocking from whoever started us; its flags are shared
      // with them, so wait for data instead of changing them.
      pollfd ready{fd, POLLIN, 0};
      if (::poll(&ready, 1, -1) < 0 && errno != EINTR) return false;
      continue;
    }
    if (n < 0) return false;
    if (n == 0) return true;
    out.append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace

FileService& systemFiles() {
  static PosixFileService files;
  return files;
}

std::vector<std::string> arguments(int argc, char** argv) {
  std::vector<std::string> texts;
  for (int i = 1; i < argc; ++i) texts.push_back(nameFromBytes(argv[i]));
  return texts;
}

void prepareOutput() {}

void endNow(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(status);
}

std::string forOutput(std::string_view text) {
  return nameToBytes(text);
}

bool readWholeFile(const std::string& path, std::string& out, std::string& why) {
  UniqueFd in = openToReadThrough(path);
  if (!in.valid() || !readAll(in.get(), out)) {
    why = describeError(errno);
    return false;
  }
  return true;
}

bool readStandardInput(std::string& out, std::string& why) {
  if (readAll(STDIN_FILENO, out)) return true;
  why = describeError(errno);
  return false;
}

std::string folderProblem(const std::string& path, bool& notAFolder) {
  struct stat info {};
  notAFolder = false;
  if (::stat(nameToBytes(path).c_str(), &info) != 0) return describeError(errno);
  notAFolder = !S_ISDIR(info.st_mode);
  return notAFolder ? "not a folder" : "";
}

Entry lookUp(const std::string& path) {
  Entry entry;
  const std::string bytes = nameToBytes(path);
  struct stat info {};
  if (bytes.find('\0') != std::string::npos) {
    entry.kind = Entry::Kind::Unknown;  // as the writer refuses it
    entry.problem = describeError(EINVAL);
  } else if (::lstat(bytes.c_str(), &info) != 0) {
    entry.kind = errno == ENOENT ? Entry::Kind::Absent : Entry::Kind::Unknown;
    entry.problem = describeError(errno);
  } else {
    entry.kind = Entry::Kind::Present;
  }
  return entry;
}

bool holdsExactName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return fs::nameOnDisk(".", path) == path;
  const std::string name = path.substr(slash + 1);
  return fs::nameOnDisk(slash == 0 ? "/" : path.substr(0, slash), name) == name;
}

std::string writeProblem(const std::string& path, TagBlock& tail) {
  UniqueFd file = openPath(path, O_RDONLY | O_NOFOLLOW);
  struct stat info {};
  if (!file.valid() || ::fstat(file.get(), &info) != 0) return describeError(errno);
  if (S_ISDIR(info.st_mode)) return describeError(EISDIR);
  if (!S_ISREG(info.st_mode)) return "not a regular file";
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return describeError(EACCES);
  if (::faccessat(AT_FDCWD, nameToBytes(path).c_str(), W_OK, AT_EACCESS) != 0) {
    return describeError(errno);
  }
  if (info.st_size < static_cast<off_t>(kTagSize)) {
    return "shorter than 128 bytes, too short for a tag";
  }
  if (!readFully(file.get(), tail.data(), kTagSize, info.st_size - kTagSize)) {
    return describeError(errno);
  }
  return {};
}

std::string folderWriteProblem(const std::string& folder) {
  if (::faccessat(AT_FDCWD, nameToBytes(folder).c_str(), W_OK, AT_EACCESS) != 0) {
    return describeError(errno);
  }
  return {};
}

std::string describeTaken() {
  return describeError(EEXIST);
}

std::string describeMissing() {
  return describeError(ENOENT);
}

}  // namespace quorvane::cli
