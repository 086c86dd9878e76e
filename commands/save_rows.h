#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/message_boxes.h"
#include "sheet/sheet_grid.h"
#include "tagcodec/file_state.h"
#include "tagcodec/tag_writer.h"

namespace quorvane {

// One changed row of a save: the row it was (its index when the save began) and what
// became of its file.
struct SavedRow {
  int row;
  SaveRecord record;
};

// The state a row's file was loaded in (by the row, or by the name it was loaded under),
// or null when it is not known: a file whose state has changed since is not written over.
using LoadedState = std::function<const FileState*(int row, const std::string& loadedName)>;

// Writes every data row marked changed into its file, in row order: the tag from the
// row's cells, and a rename when its name cell differs from the name it was loaded under.
// `folder` holds the files; both names must be plain names of it, and a new name must not
// hold a tab or line break (the file would fall out of the sheet), else the row is
// refused and nothing of it written. Each failure is reported through `messages`; the
// loop goes on with the next row. Every written file is on the device when it returns.
std::vector<SavedRow> saveChangedRows(const SheetGrid& grid, const std::string& folder,
                                      MessageBoxes& messages, FileService& files,
                                      const LoadedState& loadedState = {});

// The last part of `path`, the file's name in its folder.
std::string nameInFolder(const std::string& path, const FileService& files);

}  // namespace quorvane
