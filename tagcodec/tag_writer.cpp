#include "tagcodec/tag_writer.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <span>
#include <system_error>
#include <thread>
#include <utility>

namespace quorvane {
namespace {

// Flushes in flight at the end of a save.
constexpr std::size_t kFlushers = 16;

using Failure = std::optional<std::string>;  // the description of what went wrong

std::string describe(const FileFailure& failure) {
  return failure.notRegularFile ? "通常のファイルではありません。" : failure.description;
}

// Writes the block as the file's tag, after checking that the file is in the state the
// caller expects; fills in what the file held before and what it holds now. Leaves no
// half-written tag behind on a failure, and says so when that cannot be helped.
std::optional<std::string> writeBlock(const TagBlock& block, FileService& files,
                                      const FileState* expected, SaveRecord& record,
                                      std::int64_t& length, TagBlock& oldTail, bool& replaced) {
  FileFailure failure;
  const std::unique_ptr<OpenFile> file = files.openToWrite(record.loadedPath, failure);
  if (!file) return describe(failure);
  length = file->size();
  const auto kept = static_cast<std::size_t>(std::min<std::int64_t>(length, kTagSize));
  FileEnd end;
  if (kept > 0 && !file->read(length - static_cast<std::int64_t>(kept),
                              std::span<std::uint8_t>(end.tail.data(), kept))) {
    return describe(file->failure());
  }
  end.opened = true;
  end.size = length;
  oldTail = end.tail;
  record.state = fileStateOf(end);
  if (expected && record.state != *expected) {
    return std::string(
        "ファイルが他のプログラムで変更されています。もう一度保存すると上書きします。");
  }
  if (length < static_cast<std::int64_t>(kTagSize)) {
    return std::string("ファイルが 128 バイトより短いため、タグを書き込めません。");
  }
  replaced = hasTagMarker(end.tail.data());
  const std::int64_t offset = replaced ? length - static_cast<std::int64_t>(kTagSize) : length;
  if (!file->write(offset, block)) {
    std::string why = describe(file->failure());
    // Put the old tag back, or cut off what was appended (a full disk may have taken part).
    if (!(replaced ? file->write(offset, end.tail) : file->truncate(length))) {
      record.state = FileState();
      why += "\r\n" + std::string("書きかけのタグを元に戻せませんでした: ") +
             describe(file->failure());
    }
    return why;
  }
  record.newTag = true;
  FileEnd now;
  now.opened = true;
  now.size = replaced ? length : length + static_cast<std::int64_t>(kTagSize);
  now.tail = block;
  record.state = fileStateOf(now);
  if (!file->close()) return describe(file->failure());
  return std::nullopt;
}

// The part of `path` before its last separator, and the name after it.
std::pair<std::string_view, std::string_view> splitPath(std::string_view path,
                                                        const quorvane::FileService& files) {
  for (std::size_t i = path.size(); i-- > 0;) {
    if (files.isSeparator(path[i])) return {path.substr(0, i), path.substr(i + 1)};
  }
  return {std::string_view(), path};
}

// Renames without ever replacing a file that has the new name, and only within the
// file's own folder.
Failure renameFile(const std::string& path, const std::string& newPath,
                   quorvane::FileService& files) {
  const auto [newFolder, newName] = splitPath(newPath, files);
  if (newFolder != splitPath(path, files).first || newName.empty() || newName == "." ||
      newName == ".." || newPath.find('\0') != std::string::npos) {
    return "新しいファイル名が正しくありません。";
  }
  FileFailure failure;
  if (!files.renameNoReplace(path, newPath, failure)) return describe(failure);
  return std::nullopt;
}

std::string folderOf(std::string_view path, const FileService& files) {
  return std::string(splitPath(path, files).first);
}

}  // namespace

Module1::WriteOutcome SaveRecord::outcome() const {
  using Module1::WriteOutcome;
  if (written) return WriteOutcome::Written;
  if (!newTag) return WriteOutcome::NotWritten;
  if (!newPath.empty() && !renamed()) return WriteOutcome::NotRenamed;
  return WriteOutcome::NotOnDevice;
}

void TagWriter::report(const std::string& path, const std::string& description) {
  MessageBoxRequest box;
  box.title = "Quorvane  :書き込みエラー";
  box.text = "ファイル名 :" + path + "\r\n" + "変更を保存できませんでした。" + "\r\n" + description;
  box.buttons = MessageButtons::Ok;
  box.defaultButton = MessageAnswer::Ok;
  box.icon = MessageIcon::Exclamation;
  messages_.show(box);
}

void TagWriter::refuse(const std::string& path, const std::string& newPath,
                       const std::string& why) {
  Pending pending;
  pending.record.loadedPath = pending.record.path = path;
  pending.record.newPath = newPath;
  pending.record.failure = why;
  report(path, why);
  pending_.push_back(std::move(pending));
}

Module1::WriteOutcome TagWriter::write(const std::string& path, const Module1::TagRecord& record,
                                       const std::string& newPath, const FileState* expected) {
  if (record.Genre < 0 || record.Genre > 255) {
    refuse(path, newPath, "ジャンル番号が 0 から 255 の範囲にありません。");
    return pending_.back().record.outcome();
  }
  Pending pending;
  SaveRecord& saved = pending.record;
  saved.loadedPath = saved.path = path;
  saved.newPath = newPath;
  if (auto failure = writeBlock(renderTagBlock(record), files_, expected, saved, pending.length,
                                pending.oldTail, pending.replaced)) {
    saved.failure = *failure;
    // Written but not closed cleanly: what reached the file is taken back as after a
    // failed flush.
    if (saved.newTag) saved.failure += putBack(pending);
    report(path, saved.failure);
  } else if (!newPath.empty()) {
    if (auto failure = renameFile(path, newPath, files_)) {
      saved.failure = *failure;
      report(path, saved.failure);
    } else {
      saved.path = newPath;
    }
  }
  pending_.push_back(std::move(pending));
  return pending_.back().record.failure.empty() ? Module1::WriteOutcome::Written
                                                : pending_.back().record.outcome();
}

bool TagWriter::flushOne(Pending& pending) {
  FileFailure failure;
  std::unique_ptr<OpenFile> file = files_.openToWrite(pending.record.path, failure);
  if (file && file->flush() && file->close()) return true;
  pending.record.failure = file ? describe(file->failure()) : describe(failure);
  return false;
}

// Takes the new tag out of the file again, and the new name when the tag went. Returns
// what the user must know beyond the failure itself: "" when the file is as it was.
std::string TagWriter::putBack(Pending& pending) {
  SaveRecord& saved = pending.record;
  FileFailure failure;
  std::unique_ptr<OpenFile> file = files_.openToWrite(saved.path, failure);
  const bool restored =
      file && (pending.replaced
                   ? file->write(pending.length - static_cast<std::int64_t>(kTagSize),
                                 pending.oldTail)
                   : file->truncate(pending.length));
  if (!restored) {
    return "\r\n" + std::string("元に戻せなかったため、ファイルには書き込んだタグが残っています: ") +
           (file ? describe(file->failure()) : describe(failure));
  }
  file->flush();
  file.reset();
  saved.newTag = false;
  FileEnd before;
  before.opened = true;
  before.size = pending.length;
  before.tail = pending.oldTail;
  saved.state = fileStateOf(before);
  if (saved.path == saved.loadedPath) return {};
  if (!files_.renameNoReplace(saved.path, saved.loadedPath, failure)) {
    return "\r\n" + std::string("タグは元に戻しましたが、ファイル名は ") +
           std::string(splitPath(saved.path, files_).second) + " のままです: " +
           describe(failure);
  }
  saved.path = saved.loadedPath;
  return {};
}

std::vector<SaveRecord> TagWriter::flush() {
  std::vector<Pending> pending = std::move(pending_);
  pending_.clear();
  // Only files that hold a new tag need the device; many flushes in flight let the file
  // system commit them together.
  std::vector<Pending*> toFlush;
  for (Pending& p : pending) {
    if (p.record.newTag) toFlush.push_back(&p);
  }
  std::atomic<std::size_t> next{0};
  const auto flusher = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < toFlush.size();) {
      Pending& p = *toFlush[i];
      // A rename that failed was reported already; the tag still needs the device.
      const std::string earlier = std::exchange(p.record.failure, {});
      p.flushed = flushOne(p);
      if (p.flushed) p.record.failure = earlier;
    }
  };
  {
    std::vector<std::jthread> flushers;
    const std::size_t count = std::min<std::size_t>(kFlushers, toFlush.size());
    try {
      while (flushers.size() + 1 < count) flushers.emplace_back(flusher);
    } catch (const std::system_error&) {
      // Fewer threads: this one flushes along all the same.
    }
    flusher();
  }
  std::vector<std::string> folders;
  for (Pending* p : toFlush) {
    SaveRecord& saved = p->record;
    if (!p->flushed) {
      saved.failure += putBack(*p);
      report(saved.loadedPath, saved.failure);
    } else if (saved.path != saved.loadedPath) {
      const std::string folder = folderOf(saved.path, files_);
      if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
        folders.push_back(folder);
      }
    }
  }
  // The new names, in their folders' entries.
  for (const std::string& folder : folders) {
    FileFailure failure;
    if (files_.flushFolder(folder, failure)) continue;
    for (Pending& p : pending) {
      SaveRecord& saved = p.record;
      if (!p.flushed || saved.path == saved.loadedPath || !saved.failure.empty()) continue;
      if (folderOf(saved.path, files_) != folder) continue;
      saved.failure = describe(failure) + "\r\n" + "ファイルは新しいタグと名前 " +
                      std::string(splitPath(saved.path, files_).second) +
                      " を持っていますが、名前の変更がディスクに届いたかは分かりません。";
      report(saved.loadedPath, saved.failure);
    }
  }
  std::vector<SaveRecord> records;
  records.reserve(pending.size());
  for (Pending& p : pending) {
    p.record.written = p.flushed && p.record.failure.empty();
    records.push_back(std::move(p.record));
  }
  return records;
}

}  // namespace quorvane

namespace Module1 {

WriteOutcome WriteTag(const std::string& path, const TagRecord& record, const std::string& newPath,
                      quorvane::MessageBoxes& messages, quorvane::FileService& files) {
  quorvane::TagWriter writer(files, messages);
  writer.write(path, record, newPath);
  return writer.flush().front().outcome();
}

}  // namespace Module1
