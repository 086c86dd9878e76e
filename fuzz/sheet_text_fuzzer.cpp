// Any input to `quorvane-tag apply`, separated by TAB or by commas (an input that starts
// with byte 1 is read as comma-separated, with byte 2 as tab-separated, any other as apply
// reads it): the row checks never crash and let through only well-formed rows, the rows
// written back as `list` writes cells, in the same form, read back the same, and
// saving those rows into an empty folder writes nothing anywhere (every row names a file
// that does not exist, so each changed row is a reported failure).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "cli/sheet_text.h"
#include "commands/save_rows.h"
#include "fuzz/fuzz_checks.h"
#include "os/posix/file_names.h"
#include "sheet/flex_grid.h"
#include "sheet/sheet_columns.h"
#include "ui/headless/headless_message_boxes.h"

namespace {

using namespace quorvane::fuzz;
namespace fs = std::filesystem;

// The folder saved into, and beside it a tagged file that no row may reach.
const fs::path& emptyFolder() {
  static const fs::path folder = [] {
    fs::path path = runFolder() / "empty";
    fs::create_directory(path);
    return path;
  }();
  return folder;
}

const std::string kCanaryContents = std::string(200, 'a') + "TAG" + std::string(125, ' ');

const fs::path& canaryFile() {
  static const fs::path path = [] {
    fs::path file = runFolder() / "canary.mp3";
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    check(fd >= 0 && ::write(fd, kCanaryContents.data(), kCanaryContents.size()) ==
                         static_cast<ssize_t>(kCanaryContents.size()),
          "cannot write the canary file");
    ::close(fd);
    return file;
  }();
  return path;
}

std::string contentsOf(const fs::path& file) {
  std::string contents;
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return contents;
  char buffer[1024];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
    contents.append(buffer, static_cast<size_t>(n));
  ::close(fd);
  return contents;
}

bool isGenreNumber(std::string_view text) {
  if (text.empty() || text.size() > 3) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value <= 255;
}

void checkAcceptedRows(const quorvane::SheetText& sheet) {
  std::set<std::string_view> loadedNames;
  std::size_t lastLine = 0;
  for (const quorvane::SheetRow& row : sheet.rows) {
    const auto& cells = row.cells;
    check(cells.size() == quorvane::kSheetCols, "an accepted row does not have 10 cells");
    for (const std::string& cell : cells) {
      check(isWtf8(cell), "an accepted cell is not UTF-8 (or WTF-8)");
      check(cell.find_first_of("\t\r\n") == cell.npos,
            "an accepted cell holds a TAB or line break");
    }
    for (const int column : row.spacedColumns) {
      check(column >= quorvane::colTitle && column <= quorvane::colComment,
            "a cell other than a tag cell was spaced");
    }
    check(row.line > lastLine, "rows are not in the order of their lines");
    lastLine = row.line;
    const std::string_view state = cells[quorvane::colState];
    check(state == quorvane::kStateLoaded || state == quorvane::kStateChanged,
          "an accepted row has a state other than 1 or 2");
    check(isGenreNumber(cells[quorvane::colGenreNo]), "an accepted row's genre is not 0-255");
    const std::string_view loaded = cells[quorvane::colOrigName];
    check(!loaded.empty() && loaded != "." && loaded != ".." && loaded.find('/') == loaded.npos,
          "an accepted row's loaded name is not a plain file name");
    const std::string onDisk = quorvane::nameToBytes(loaded);
    check(onDisk != "." && onDisk != ".." && onDisk.find('/') == onDisk.npos &&
              onDisk.find('\0') == onDisk.npos,
          "an accepted row's loaded name is a path on disk");
    check(loadedNames.insert(loaded).second, "two accepted rows load the same file");
  }
}

void checkSaveWritesNothing(const quorvane::SheetText& sheet) {
  quorvane::FlexGrid grid;
  grid.setCols(quorvane::kSheetCols);
  grid.setRedraw(false);
  for (const auto& row : sheet.rows) grid.AddItem(row.joined());
  check(grid.Rows() == static_cast<int>(sheet.rows.size()) + 1, "the grid lost or gained rows");
  int changed = 0;
  for (int r = 1; r < grid.Rows(); ++r) {
    const auto& cells = sheet.rows[static_cast<std::size_t>(r - 1)].cells;
    for (int c = 0; c < quorvane::kSheetCols; ++c) {
      check(grid.TextMatrix(r, c) == cells[static_cast<std::size_t>(c)],
            "a cell differs from the row it came from");
    }
    changed += grid.TextMatrix(r, quorvane::colState) == quorvane::kStateChanged;
  }

  quorvane::HeadlessMessageBoxes boxes;
  const auto written =
      quorvane::saveChangedRows(grid, emptyFolder().string(), boxes, systemFiles());
  check(written.size() == static_cast<std::size_t>(changed), "Save did not try every changed row");
  check(boxes.shown().size() == static_cast<std::size_t>(changed),
        "a changed row naming a missing file was not reported");
  check(fs::is_empty(emptyFolder()), "Save created something in the folder");
  std::size_t entries = 0;
  for (const auto& entry : fs::directory_iterator(runFolder())) {
    (void)entry;
    ++entries;
  }
  check(entries == 2, "Save created something beside the folder");
  check(contentsOf(canaryFile()) == kCanaryContents, "Save changed a file outside the folder");
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  cp932();
  (void)emptyFolder();
  (void)canaryFile();
  return 0;
}

// The accepted rows, written as `list` writes them in the form they were read in, read
// back as the same cells.
void checkRowsReadBack(const quorvane::SheetText& sheet) {
  const char separator = sheet.commaSeparated ? ',' : '\t';
  std::string text;
  for (const quorvane::SheetRow& row : sheet.rows) {
    for (std::size_t c = 0; c < row.cells.size(); ++c) {
      if (c > 0) text += separator;
      quorvane::appendCell(text, row.cells[c], separator);
    }
    text += sheet.commaSeparated ? "\r\n" : "\n";
  }
  const quorvane::SheetText again = quorvane::parseSheetText(
      text, {}, {},
      sheet.commaSeparated ? quorvane::SheetFormat::Commas : quorvane::SheetFormat::Tabs);
  check(again.errors.empty(), "rows written as list writes them were refused");
  check(again.rows.size() == sheet.rows.size(), "rows written back read back as other rows");
  for (std::size_t r = 0; r < again.rows.size(); ++r) {
    check(again.rows[r].cells == sheet.rows[r].cells, "a cell written back read back otherwise");
    check(again.rows[r].line == r + 1, "a row written back on one line reads from another");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quorvane::SheetFormat format = quorvane::SheetFormat::Detect;
  if (size > 0 && (data[0] == 1 || data[0] == 2)) {
    format = data[0] == 1 ? quorvane::SheetFormat::Commas : quorvane::SheetFormat::Tabs;
    ++data;
    --size;
  }
  const quorvane::SheetText sheet = quorvane::parseSheetText(asText(data, size), {}, {}, format);
  check(format == quorvane::SheetFormat::Detect ||
            sheet.commaSeparated == (format == quorvane::SheetFormat::Commas),
        "the form asked for was not the form read");
  checkAcceptedRows(sheet);
  checkRowsReadBack(sheet);
  checkSaveWritesNothing(sheet);
  return 0;
}
