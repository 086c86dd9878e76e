#include "tagcodec/tag_writer.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <span>
#include <system_error>
#include <thread>
#include <utility>
#include <variant>

namespace quorvane {
namespace {

// Flushes in flight at the end of a save.
constexpr std::size_t kFlushers = 16;

using Failure = std::optional<std::string>;  // the description of what went wrong

std::string describe(const FileFailure& failure) {
  return failure.notRegularFile ? "通常のファイルではありません。" : failure.description;
}

struct BlockWritten {
  std::int64_t length;  // the file's length before the write
  TagBlock oldTail;     // its last 128 bytes before the write
  bool replaced;        // the block took the place of a tag
};

// Writes the block as the file's tag, after checking that the file is in the state the
// caller expects. Leaves no half-written tag behind on a failure.
std::variant<BlockWritten, std::string> writeBlock(const std::string& path, const TagBlock& block,
                                                   FileService& files, const FileState* expected) {
  FileFailure failure;
  const std::unique_ptr<OpenFile> file = files.openToWrite(path, failure);
  if (!file) return describe(failure);
  const std::int64_t length = file->size();
  const auto kept = static_cast<std::size_t>(std::min<std::int64_t>(length, kTagSize));
  FileEnd end;
  if (kept > 0 && !file->read(length - static_cast<std::int64_t>(kept),
                              std::span<std::uint8_t>(end.tail.data(), kept))) {
    return describe(file->failure());
  }
  end.opened = true;
  end.size = length;
  if (expected && fileStateOf(end) != *expected) {
    return std::string(
        "ファイルが他のプログラムで変更されています。もう一度保存すると上書きします。");
  }
  if (length < static_cast<std::int64_t>(kTagSize)) {
    return std::string("ファイルが 128 バイトより短いため、タグを書き込めません。");
  }
  const bool tagged = hasTagMarker(end.tail.data());
  const std::int64_t offset = tagged ? length - static_cast<std::int64_t>(kTagSize) : length;
  if (!file->write(offset, block)) {
    const std::string why = describe(file->failure());
    // Put the old tag back, or cut off what was appended (a full disk may have taken part).
    if (tagged) {
      file->write(offset, end.tail);
    } else {
      file->truncate(length);
    }
    return why;
  }
  if (!file->close()) return describe(file->failure());
  return BlockWritten{length, end.tail, tagged};
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

void TagWriter::report(const std::string& path, const std::string& description) {
  MessageBoxRequest box;
  box.title = "Quorvane  :書き込みエラー";
  box.text = "ファイル名 :" + path + "\r\n" + "変更を保存できませんでした。" + "\r\n" + description;
  box.buttons = MessageButtons::Ok;
  box.defaultButton = MessageAnswer::Ok;
  box.icon = MessageIcon::Exclamation;
  messages_.show(box);
}

Module1::WriteOutcome TagWriter::write(const std::string& path, const Module1::TagRecord& record,
                                       const std::string& newPath, const FileState* expected) {
  using Module1::WriteOutcome;
  if (record.Genre < 0 || record.Genre > 255) {
    report(path, "ジャンル番号が 0 から 255 の範囲にありません。");
    return WriteOutcome::NotWritten;
  }
  auto result = writeBlock(path, renderTagBlock(record), files_, expected);
  if (auto* failure = std::get_if<std::string>(&result)) {
    report(path, *failure);
    return WriteOutcome::NotWritten;
  }
  const auto& block = std::get<BlockWritten>(result);
  Written written{path, {}, block.length, block.oldTail, block.replaced, WriteOutcome::Written, {}};
  if (!newPath.empty()) {
    if (auto failure = renameFile(path, newPath, files_)) {
      report(path, *failure);
      written.outcome = WriteOutcome::NotRenamed;
    } else {
      written.path = newPath;
      written.loadedPath = path;
    }
  }
  written_.push_back(std::move(written));
  return written_.back().outcome;
}

bool TagWriter::flushOne(Written& written) {
  FileFailure failure;
  std::unique_ptr<OpenFile> file = files_.openToWrite(written.path, failure);
  if (file && file->flush() && file->close()) return true;
  written.failure = file ? file->failure().description : failure.description;
  return false;
}

void TagWriter::putBack(const Written& written) {
  FileFailure failure;
  if (std::unique_ptr<OpenFile> file = files_.openToWrite(written.path, failure)) {
    if (written.replaced) {
      file->write(written.length - static_cast<std::int64_t>(kTagSize), written.oldTail);
    } else {
      file->truncate(written.length);
    }
    file->flush();
  }
  if (!written.loadedPath.empty())
    files_.renameNoReplace(written.path, written.loadedPath, failure);
}

std::vector<Module1::WriteOutcome> TagWriter::flush() {
  std::vector<Written> pending = std::move(written_);
  written_.clear();
  // Many flushes in flight let the file system commit them together.
  std::atomic<std::size_t> next{0};
  std::vector<char> flushed(pending.size(), 0);
  const auto flusher = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < pending.size();)
      flushed[i] = flushOne(pending[i]);
  };
  {
    std::vector<std::jthread> flushers;
    const std::size_t count = std::min<std::size_t>(kFlushers, pending.size());
    try {
      while (flushers.size() + 1 < count) flushers.emplace_back(flusher);
    } catch (const std::system_error&) {
      // Fewer threads: this one flushes along all the same.
    }
    flusher();
  }
  std::vector<std::string> folders;
  for (std::size_t i = 0; i < pending.size(); ++i) {
    Written& written = pending[i];
    if (!flushed[i]) {
      putBack(written);
      report(written.loadedPath.empty() ? written.path : written.loadedPath, written.failure);
      written.outcome = Module1::WriteOutcome::NotWritten;
    } else if (!written.loadedPath.empty()) {
      const std::string folder = folderOf(written.path, files_);
      if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
        folders.push_back(folder);
      }
    }
  }
  // The new names, in their folders' entries.
  for (const std::string& folder : folders) {
    FileFailure failure;
    if (files_.flushFolder(folder, failure)) continue;
    for (Written& written : pending) {
      if (written.loadedPath.empty() || folderOf(written.path, files_) != folder) continue;
      if (written.outcome != Module1::WriteOutcome::Written) continue;
      report(written.loadedPath, failure.description);
      written.outcome = Module1::WriteOutcome::NotRenamed;
    }
  }
  std::vector<Module1::WriteOutcome> outcomes;
  for (const Written& written : pending) outcomes.push_back(written.outcome);
  return outcomes;
}

}  // namespace quorvane

namespace Module1 {

WriteOutcome WriteTag(const std::string& path, const TagRecord& record, const std::string& newPath,
                      quorvane::MessageBoxes& messages, quorvane::FileService& files) {
  quorvane::TagWriter writer(files, messages);
  const WriteOutcome outcome = writer.write(path, record, newPath);
  if (outcome == WriteOutcome::NotWritten) return outcome;
  const std::vector<WriteOutcome> flushed = writer.flush();
  return flushed.empty() ? outcome : flushed.front();
}

}  // namespace Module1
