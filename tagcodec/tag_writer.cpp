#include <optional>
#include <utility>

#include "tagcodec/tag_block.h"
#include "tagcodec/tag_file.h"

namespace Module1 {
namespace {

using quorvane::FileFailure;
using Failure = std::optional<std::string>;  // the description of what went wrong

std::string describe(const FileFailure& failure) {
  return failure.notRegularFile ? "通常のファイルではありません。" : failure.description;
}

Failure writeBlock(const std::string& path, const quorvane::TagBlock& block,
                   quorvane::FileService& files) {
  using namespace quorvane;
  FileFailure failure;
  const std::unique_ptr<OpenFile> file = files.openToWrite(path, failure);
  if (!file) return describe(failure);
  const std::int64_t length = file->size();
  if (length < static_cast<std::int64_t>(kTagSize)) {
    return "ファイルが 128 バイトより短いため、タグを書き込めません。";
  }
  TagBlock old;
  if (!file->read(length - static_cast<std::int64_t>(kTagSize), old)) {
    return describe(file->failure());
  }
  const bool tagged = hasTagMarker(old.data());
  const std::int64_t offset = tagged ? length - static_cast<std::int64_t>(kTagSize) : length;
  if (!file->write(offset, block)) {
    const std::string why = describe(file->failure());
    // Leave no half-written tag behind: put the old one back, or cut off what was appended.
    if (tagged) {
      file->write(offset, old);
    } else {
      file->truncate(length);
    }
    return why;
  }
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
                      quorvane::MessageBoxes& messages, quorvane::FileService& files) {
  if (record.Genre < 0 || record.Genre > 255) {
    reportFailure(path, "ジャンル番号が 0 から 255 の範囲にありません。", messages);
    return WriteOutcome::NotWritten;
  }
  const quorvane::TagBlock block = quorvane::renderTagBlock(record);
  if (Failure failure = writeBlock(path, block, files)) {
    reportFailure(path, *failure, messages);
    return WriteOutcome::NotWritten;
  }
  if (newPath.empty()) return WriteOutcome::Written;
  if (Failure failure = renameFile(path, newPath, files)) {
    reportFailure(path, *failure, messages);
    return WriteOutcome::NotRenamed;
  }
  return WriteOutcome::Written;
}

}  // namespace Module1
