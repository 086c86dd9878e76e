#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "tagcodec/file_names.h"
#include "tagcodec/posix_file.h"
#include "tagcodec/tag_block.h"
#include "tagcodec/tag_file.h"

namespace Module1 {
namespace {

using quorvane::describeError;
using Failure = std::optional<std::string>;  // the description of what went wrong

Failure writeBlock(const std::string& path, const quorvane::TagBlock& block) {
  using namespace quorvane;
  // Never write through a link: it could change a file outside the folder.
  UniqueFd file = openPath(path, O_RDWR | O_NOFOLLOW);
  if (!file.valid()) return describeError(errno);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return describeError(errno);
  if (!S_ISREG(info.st_mode)) return "通常のファイルではありません。";
  // Root may write anywhere; a file its owner marked read-only stays unwritten all the same.
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return describeError(EACCES);
  const off_t length = info.st_size;
  if (length < static_cast<off_t>(kTagSize)) {
    return "ファイルが 128 バイトより短いため、タグを書き込めません。";
  }
  TagBlock old;
  if (!readFully(file.get(), old.data(), old.size(), length - kTagSize)) {
    return describeError(errno);
  }
  const bool tagged = hasTagMarker(old.data());
  const off_t offset = tagged ? length - static_cast<off_t>(kTagSize) : length;
  if (!writeFully(file.get(), block.data(), block.size(), offset)) {
    const int err = errno;
    // Leave no half-written tag behind: put the old one back, or cut off what was appended.
    if (tagged) {
      writeFully(file.get(), old.data(), old.size(), offset);
    } else if (::ftruncate(file.get(), length) != 0) {
      // Nothing more to try; the write's own error is the one to report.
    }
    return describeError(err);
  }
  if (!file.close()) return describeError(errno);
  return std::nullopt;
}

std::string_view folderOf(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

std::string_view nameOf(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool sameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  return ::lstat(a.c_str(), &sa) == 0 && ::lstat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// Renames without ever replacing a file that has the new name, and only within the
// file's own folder.
Failure renameFile(const std::string& path, const std::string& newPath) {
  const std::string_view newName = nameOf(newPath);
  if (folderOf(newPath) != folderOf(path) || newName.empty() || newName == "." || newName == ".." ||
      newPath.find('\0') != std::string::npos) {
    return "新しいファイル名が正しくありません。";
  }
  const std::string from = quorvane::nameToBytes(path);
  const std::string to = quorvane::nameToBytes(newPath);
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return std::nullopt;
  }
  int err = errno;
  if (err == EEXIST) {
    // On a file system that ignores letter case the new name "exists" as the file itself;
    // a change of case alone is still a rename the user asked for.
    if (equalIgnoringAsciiCase(from, to) && sameFile(from, to) &&
        ::rename(from.c_str(), to.c_str()) == 0) {
      return std::nullopt;
    }
    return describeError(EEXIST);
  }
  if (err != EINVAL && err != ENOSYS && err != ENOTSUP) return describeError(err);

  // The file system lacks RENAME_NOREPLACE: a hard link fails on an existing name too.
  if (::link(from.c_str(), to.c_str()) == 0) {
    if (::unlink(from.c_str()) == 0) return std::nullopt;
    err = errno;
    ::unlink(to.c_str());
    return describeError(err);
  }
  err = errno;
  if (err != EPERM && err != ENOTSUP && err != EMLINK) return describeError(err);

  // No hard links either (FAT on a music player): check, then rename.
  struct stat existing {};
  if (::lstat(to.c_str(), &existing) == 0) return describeError(EEXIST);
  if (errno != ENOENT) return describeError(errno);
  if (::rename(from.c_str(), to.c_str()) == 0) return std::nullopt;
  return describeError(errno);
}

void reportFailure(const std::string& path, const std::string& description,
                   quorvane::MessageBoxes& messages) {
  quorvane::MessageBoxRequest box;
  box.title = "Quorvane  :書き込みエラー";
  box.text = "ファイル名 :" + path + "\r\n" + "変更を保存できませんでした。" + "\r\n" + description;
  box.buttons = quorvane::MessageButtons::Ok;
  box.defaultButton = quorvane::MessageAnswer::Ok;
  box.icon = quorvane::MessageIcon::Exclamation;
  messages.show(box);
}

}  // namespace

WriteOutcome WriteTag(const std::string& path, const TagRecord& record, const std::string& newPath,
                      quorvane::MessageBoxes& messages) {
  if (record.Genre < 0 || record.Genre > 255) {
    reportFailure(path, "ジャンル番号が 0 から 255 の範囲にありません。", messages);
    return WriteOutcome::NotWritten;
  }
  const quorvane::TagBlock block = quorvane::renderTagBlock(record);
  if (Failure failure = writeBlock(path, block)) {
    reportFailure(path, *failure, messages);
    return WriteOutcome::NotWritten;
  }
  if (newPath.empty()) return WriteOutcome::Written;
  if (Failure failure = renameFile(path, newPath)) {
    reportFailure(path, *failure, messages);
    return WriteOutcome::NotRenamed;
  }
  return WriteOutcome::Written;
}

}  // namespace Module1
