#include "commands/save_rows.h"

#include "sheet/sheet_columns.h"
#include "tagcodec/tag_file.h"

namespace quorvane {
namespace {

// Why a row's names cannot be saved, or "".
std::string nameProblem(const std::string& loadedName, const std::string& newName,
                        const FileService& files) {
  if (!files.isPlainName(loadedName)) return "ファイル名が正しくありません。";
  if (newName.find_first_of("\t\r\n") != std::string::npos) {
    return "新しいファイル名にタブや改行は使えません。";
  }
  if (!files.isPlainName(newName)) return "新しいファイル名が正しくありません。";
  return {};
}

}  // namespace

std::string nameInFolder(const std::string& path, const FileService& files) {
  std::size_t at = path.size();
  while (at > 0 && !files.isSeparator(path[at - 1])) --at;
  return path.substr(at);
}

std::vector<SavedRow> saveChangedRows(const SheetGrid& grid, const std::string& folder,
                                      MessageBoxes& messages, FileService& files,
                                      const LoadedState& loadedState) {
  std::vector<int> rows;
  TagWriter writer(files, messages);
  const int count = grid.Rows();
  for (int r = 1; r < count; ++r) {
    if (grid.TextMatrix(r, colState) != kStateChanged) continue;
    rows.push_back(r);
    const std::string newName = grid.TextMatrix(r, colFileName);
    const std::string loadedName = grid.TextMatrix(r, colOrigName);
    const std::string path = files.joinPath(folder, loadedName);
    const std::string newPath = loadedName != newName ? files.joinPath(folder, newName) : "";
    if (const std::string why = nameProblem(loadedName, newName, files); !why.empty()) {
      writer.refuse(path, newPath, why);
      continue;
    }
    const Module1::TagRecord record = tagRecordOfRow(grid, r);
    const FileState* expected = loadedState ? loadedState(r, loadedName) : nullptr;
    writer.write(path, record, newPath, expected);
  }
  std::vector<SaveRecord> records = writer.flush();
  std::vector<SavedRow> saved;
  saved.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) saved.push_back({rows[i], std::move(records[i])});
  return saved;
}

}  // namespace quorvane
