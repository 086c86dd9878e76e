#include "cli/save_preview.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <optional>
#include <span>

#include "os/posix/file_system.h"
#include "sheet/sheet_columns.h"
#include "os/posix/file_names.h"
#include "tagcodec/genre_table.h"
#include "os/posix/posix_file.h"
#include "tagcodec/tag_block.h"
#include "tagcodec/text_fields.h"
#include "tagcodec/utf8.h"

namespace quorvane {
namespace {

// A folder entry as Save would find it.
struct FileView {
  std::string problem;  // why the writer would not write it; "" when it would
  TagBlock tail{};      // its last 128 bytes
  dev_t device = 0;
  ino_t inode = 0;
};

// What lstat says about a name: whether the folder has an entry so named.
struct Entry {
  int error = 0;  // 0: there is one; ENOENT: there is none; else the lookup failed
  dev_t device = 0;
  ino_t inode = 0;
};

Entry lookUp(const std::string& path) {
  Entry entry;
  const std::string bytes = nameToBytes(path);
  struct stat info {};
  if (bytes.find('\0') != std::string::npos) {
    entry.error = EINVAL;  // as openPath refuses it
  } else if (::lstat(bytes.c_str(), &info) != 0) {
    entry.error = errno;
  } else {
    entry.device = info.st_dev;
    entry.inode = info.st_ino;
  }
  return entry;
}

// The writer's checks, in its order, on a file opened for reading only.
FileView readFile(const std::string& path, const Entry& entry) {
  FileView view;
  view.device = entry.device;
  view.inode = entry.inode;
  UniqueFd file = openPath(path, O_RDONLY | O_NOFOLLOW);
  struct stat info {};
  if (!file.valid() || ::fstat(file.get(), &info) != 0) {
    view.problem = describeError(errno);
  } else if (S_ISDIR(info.st_mode)) {
    view.problem = describeError(EISDIR);
  } else if (!S_ISREG(info.st_mode)) {
    view.problem = "not a regular file";
  } else if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    view.problem = describeError(EACCES);
  } else if (::faccessat(AT_FDCWD, nameToBytes(path).c_str(), W_OK, AT_EACCESS) != 0) {
    view.problem = describeError(errno);
  } else if (info.st_size < static_cast<off_t>(kTagSize)) {
    view.problem = "shorter than 128 bytes, too short for a tag";
  } else if (!readFully(file.get(), view.tail.data(), kTagSize, info.st_size - kTagSize)) {
    view.problem = describeError(errno);
  }
  return view;
}

// The folder as the rows before the current one will have left it: the names that Save
// will have written or renamed are held here, every other name is read from disk.
class PlannedFolder {
 public:
  explicit PlannedFolder(const std::string& folder) : folder_(folder) {}

  // The file named `name`; nullopt when there is none.
  std::optional<FileView> find(const std::string& name) const {
    if (const auto it = planned_.find(name); it != planned_.end()) return it->second;
    const std::string path = fs::joinPath(folder_, name);
    const Entry entry = lookUp(path);
    if (entry.error == ENOENT) return std::nullopt;
    if (entry.error != 0) return FileView{describeError(entry.error), {}, 0, 0};
    return readFile(path, entry);
  }

  void set(const std::string& name, std::optional<FileView> view) {
    planned_[name] = std::move(view);
  }

  // Why renaming `from` (the file `file`) to `to` would fail; "" when it would not.
  std::string renameProblem(const std::string& from, const std::string& to,
                            const FileView& file) const {
    Entry target;
    if (const auto it = planned_.find(to); it != planned_.end()) {
      target.error = it->second ? 0 : ENOENT;
      if (it->second) {
        target.device = it->second->device;
        target.inode = it->second->inode;
      }
    } else {
      target = lookUp(fs::joinPath(folder_, to));
    }
    if (target.error == 0) {
      // On a file system that ignores letter case the new name "exists" as the file itself.
      const bool sameFile = target.device == file.device && target.inode == file.inode;
      if (!sameFile || !equalIgnoringAsciiCase(nameToBytes(from), nameToBytes(to))) {
        return describeError(EEXIST);
      }
    } else if (target.error != ENOENT) {
      return describeError(target.error);
    }
    if (::faccessat(AT_FDCWD, nameToBytes(folder_).c_str(), W_OK, AT_EACCESS) != 0) {
      return describeError(errno);
    }
    return {};
  }

 private:
  static bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
  }

  std::string folder_;
  std::map<std::string, std::optional<FileView>> planned_;
};

struct NamedField {
  const char* name;
  FieldSpan span;
};

constexpr NamedField kTextFields[] = {{"title", kTitleField},
                                      {"artist", kArtistField},
                                      {"album", kAlbumField},
                                      {"year", kYearField},
                                      {"comment", kCommentField}};

std::span<const std::uint8_t> bytesOf(const TagBlock& block, FieldSpan field) {
  return std::span<const std::uint8_t>(block).subspan(field.offset, field.width);
}

void appendHexByte(std::string& out, unsigned value) {
  char hex[5];
  std::snprintf(hex, sizeof hex, "\\x%02X", value & 0xFFu);
  out += hex;
}

// A field's text as the tag code page reads it, quoted so that what it holds shows.
std::string shown(std::span<const std::uint8_t> field) {
  std::string text = Module1::BytesToText(field);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  std::string out = "\"";
  for (std::size_t pos = 0; pos < text.size();) {
    char32_t cp = 0;
    const std::size_t len = utf8::decodeOne(text, pos, cp);
    if (len == 0) {
      appendHexByte(out, static_cast<unsigned char>(text[pos++]));
      continue;
    }
    if (cp == '"' || cp == '\\') {
      out += '\\';
      out += static_cast<char>(cp);
    } else if (cp < 0x20 || cp == 0x7F) {
      appendHexByte(out, cp);
    } else if (utf8::isEscape(cp)) {
      appendHexByte(out, cp - utf8::kEscapeBase);  // the byte that did not decode
    } else {
      out.append(text, pos, len);
    }
    pos += len;
  }
  return out + "\"";
}

// Why a field whose text reads the same still changes.
std::string sameTextNote(std::span<const std::uint8_t> old) {
  const auto zero = std::find(old.begin(), old.end(), std::uint8_t{0});
  if (zero == old.end()) return " (the same text in other bytes)";
  return std::all_of(zero, old.end(), [](std::uint8_t b) { return b == 0; })
             ? " (its zero-byte padding becomes spaces)"
             : " (the bytes from its first zero byte on become spaces)";
}

std::string shownGenre(std::uint8_t genre) {
  const std::string& name = Module1::GenreTable[genre];
  return std::to_string(genre) + (name.empty() ? "" : " (" + name + ")");
}

// The lines for one file's tag: what changes from `old` to `block`.
void describeTag(const std::string& file, const TagBlock& old, const TagBlock& block,
                 std::vector<std::string>& lines) {
  if (!hasTagMarker(old.data())) {
    std::string line = file + ": tag added (the file has none):";
    for (const NamedField& field : kTextFields) {
      line += std::string(" ") + field.name + " " + shown(bytesOf(block, field.span)) + ",";
    }
    lines.push_back(line + " genre " + shownGenre(block[kGenreOffset]));
    return;
  }
  for (const NamedField& field : kTextFields) {
    const auto before = bytesOf(old, field.span), after = bytesOf(block, field.span);
    if (std::equal(before.begin(), before.end(), after.begin())) continue;
    const std::string from = shown(before), to = shown(after);
    lines.push_back(file + ": " + field.name + " " + from + " -> " + to +
                    (from == to ? sameTextNote(before) : ""));
  }
  if (old[kGenreOffset] != block[kGenreOffset]) {
    lines.push_back(file + ": genre " + shownGenre(old[kGenreOffset]) + " -> " +
                    shownGenre(block[kGenreOffset]));
  }
}

}  // namespace

SavePreview previewSave(const std::vector<SheetRow>& rows, const std::string& folder) {
  if (Module1::GenreTable[0].empty()) Module1::InitGenreTable();
  SavePreview preview;
  PlannedFolder planned(folder);
  for (const SheetRow& row : rows) {
    if (row.cells[colState] != kStateChanged) continue;
    const std::string& loaded = row.cells[colOrigName];
    const std::string& newName = row.cells[colFileName];
    const std::string file = nameToBytes(loaded);
    const Module1::TagRecord record = tagRecordOf(row);
    std::optional<FileView> view = planned.find(loaded);
    const std::string problem = !view              ? describeError(ENOENT)
                                : record.Genre < 0 ? "the genre number is not 0 to 255"
                                                   : view->problem;
    if (!problem.empty()) {
      preview.lines.push_back(file + ": cannot be written: " + problem);
      ++preview.failures;
      continue;
    }
    const TagBlock block = renderTagBlock(record);
    const std::size_t linesBefore = preview.lines.size();
    describeTag(file, view->tail, block, preview.lines);
    view->tail = block;
    planned.set(loaded, view);
    if (newName != loaded) {
      if (const std::string why = planned.renameProblem(loaded, newName, *view); !why.empty()) {
        preview.lines.push_back(file + ": cannot be renamed to " + nameToBytes(newName) + ": " +
                                why);
        ++preview.failures;
      } else {
        preview.lines.push_back(file + ": renamed to " + nameToBytes(newName));
        planned.set(loaded, std::nullopt);
        planned.set(newName, view);
      }
    } else if (preview.lines.size() == linesBefore) {
      preview.lines.push_back(file + ": no change");
    }
  }
  return preview;
}

}  // namespace quorvane
