#pragma once

#include <string>

#include "platform/message_boxes.h"
#include "sheet/sheet_grid.h"

namespace quorvane {

// Writes every data row marked changed into its file, in row order: the tag from the
// row's cells, and a rename when its name cell differs from the name it was loaded under.
// `folder` holds the files. Each failure is reported by the tag writer through
// `messages`; the loop goes on with the next row. Returns the number of rows written
// (attempted, failures included).
int saveChangedRows(const SheetGrid& grid, const std::string& folder, MessageBoxes& messages);

}  // namespace quorvane
