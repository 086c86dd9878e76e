#include "cli/save_preview.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <optional>
#include <span>

#include "cli/cli_system.h"
#include "sheet/sheet_columns.h"
#include "tagcodec/genre_table.h"
#include "tagcodec/tag_block.h"
#include "tagcodec/text_fields.h"
#include "tagcodec/utf8.h"

namespace quorvane {
namespace {

// A folder entry as Save would find it.
struct FileView {
  std::string problem;  // why the writer would not write it; "" when it would
  TagBlock tail{};      // its last 128 bytes
};

// The folder as the rows before the current one will have left it: the names that Save
// will have written or renamed are held here, every other name is read from disk.
class PlannedFolder {
 public:
  explicit PlannedFolder(const std::string& folder) : folder_(folder) {}

  // The file named `name`; nullopt when there is none.
  std::optional<FileView> find(const std::string& name) const {
    if (const auto it = planned_.find(name); it != planned_.end()) return it->second;
    const std::string path = cli::systemFiles().joinPath(folder_, name);
    const cli::Entry entry = cli::lookUp(path);
    if (entry.kind == cli::Entry::Kind::Absent) return std::nullopt;
    FileView view;
    view.problem = entry.kind == cli::Entry::Kind::Unknown ? entry.problem
                                                           : cli::writeProblem(path, view.tail);
    return view;
  }

  void set(const std::string& name, std::optional<FileView> view) {
    planned_[name] = std::move(view);
  }

  // Why renaming `from` to `to` would fail; "" when it would not.
  std::string renameProblem(const std::string& from, const std::string& to) const {
    cli::Entry target;
    if (const auto it = planned_.find(to); it != planned_.end()) {
      target.kind = it->second ? cli::Entry::Kind::Present : cli::Entry::Kind::Absent;
    } else {
      target = cli::lookUp(cli::systemFiles().joinPath(folder_, to));
    }
    if (target.kind == cli::Entry::Kind::Present) {
      // On a file system that ignores letter case the new name "exists" as the file itself
      // while no entry has exactly that name; the writer moves the file aside to tell. (Inode
      // numbers cannot tell: FUSE may give each name of one file a number of its own.)
      const bool itself = !planned_.contains(to) && equalIgnoringAsciiCase(from, to) &&
                          !cli::holdsExactName(cli::systemFiles().joinPath(folder_, to));
      if (!itself) return cli::describeTaken();
    } else if (target.kind == cli::Entry::Kind::Unknown) {
      return target.problem;
    }
    return cli::folderWriteProblem(folder_);
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
    const std::string file = cli::forOutput(loaded);
    const Module1::TagRecord record = tagRecordOf(row);
    std::optional<FileView> view = planned.find(loaded);
    const std::string problem = !view              ? cli::describeMissing()
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
      if (const std::string why = planned.renameProblem(loaded, newName); !why.empty()) {
        preview.lines.push_back(file + ": cannot be renamed to " + cli::forOutput(newName) + ": " +
                                why);
        ++preview.failures;
      } else {
        preview.lines.push_back(file + ": renamed to " + cli::forOutput(newName));
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
