#include "commands/save_rows.h"

#include <charconv>

#include "sheet/sheet_columns.h"
#include "tagcodec/tag_file.h"
#include "tagcodec/tag_writer.h"

namespace quorvane {
namespace {

// The genre cell's decimal text; anything else gives -1, which the writer refuses and
// reports rather than writing a wrong genre.
std::int16_t genreNumber(const std::string& text) {
  int value = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0 || value > 255) {
    return -1;
  }
  return static_cast<std::int16_t>(value);
}

}  // namespace

std::vector<SavedRow> saveChangedRows(const SheetGrid& grid, const std::string& folder,
                                      MessageBoxes& messages, FileService& files,
                                      const LoadedState& loadedState) {
  std::vector<SavedRow> saved;
  TagWriter writer(files, messages);
  std::vector<std::size_t> written;  // the rows of `saved` that the writer holds
  const int rows = grid.Rows();
  for (int r = 1; r < rows; ++r) {
    if (grid.TextMatrix(r, colState) != kStateChanged) continue;
    const std::string newName = grid.TextMatrix(r, colFileName);
    const std::string loadedName = grid.TextMatrix(r, colOrigName);
    Module1::TagRecord record;
    record.Title = grid.TextMatrix(r, colTitle);
    record.Artist = grid.TextMatrix(r, colArtist);
    record.Album = grid.TextMatrix(r, colAlbum);
    record.Year = grid.TextMatrix(r, colYear);
    record.Comment = grid.TextMatrix(r, colComment);
    record.Genre = genreNumber(grid.TextMatrix(r, colGenreNo));
    const std::string path = files.joinPath(folder, loadedName);
    const std::string newPath = loadedName != newName ? files.joinPath(folder, newName) : "";
    const FileState* expected = loadedState ? loadedState(r, loadedName) : nullptr;
    saved.push_back({r, writer.write(path, record, newPath, expected)});
    if (saved.back().outcome != Module1::WriteOutcome::NotWritten)
      written.push_back(saved.size() - 1);
  }
  const std::vector<Module1::WriteOutcome> flushed = writer.flush();
  for (std::size_t i = 0; i < written.size() && i < flushed.size(); ++i) {
    saved[written[i]].outcome = flushed[i];
  }
  return saved;
}

std::vector<UnsavedRow> unsavedRows(const SheetGrid& grid, const std::vector<SavedRow>& saved) {
  std::vector<UnsavedRow> unsaved;
  for (const SavedRow& row : saved) {
    if (row.outcome == Module1::WriteOutcome::Written) continue;
    UnsavedRow kept{grid.TextMatrix(row.row, colOrigName), row.outcome, {}};
    for (int c = 0; c < kSheetCols; ++c) kept.cells.push_back(grid.TextMatrix(row.row, c));
    unsaved.push_back(std::move(kept));
  }
  return unsaved;
}

}  // namespace quorvane
