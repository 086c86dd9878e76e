#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/message_boxes.h"
#include "sheet/sheet_grid.h"
#include "sheet/unsaved_row.h"
#include "tagcodec/file_state.h"
#include "tagcodec/tag_file.h"

namespace quorvane {

// Writes every data row marked changed into its file, in row order: the tag from the
// row's cells, and a rename when its name cell differs from the name it was loaded under.
// `folder` holds the files. Each failure is reported by the tag writer through
// `messages`; the loop goes on with the next row. Every written file is on the device when
// it returns. Returns what became of each changed row, in row order.
//
// `loadedState`, when set, gives the state a row's file was loaded in (by the row, or by
// the name it was loaded under), or null when it is not known: a file whose state has
// changed since is not written over.
struct SavedRow {
  int row;
  Module1::WriteOutcome outcome;
};
using LoadedState = std::function<const FileState*(int row, const std::string& loadedName)>;
std::vector<SavedRow> saveChangedRows(const SheetGrid& grid, const std::string& folder,
                                      MessageBoxes& messages, FileService& files,
                                      const LoadedState& loadedState = {});

// The rows of `saved` that did not come through whole, with their cells as they stand.
std::vector<UnsavedRow> unsavedRows(const SheetGrid& grid, const std::vector<SavedRow>& saved);

}  // namespace quorvane
