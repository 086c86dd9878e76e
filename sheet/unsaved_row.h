#pragma once

#include <string>
#include <vector>

#include "tagcodec/tag_file.h"

namespace quorvane {

// A changed row that Save could not write wholly, as the user left it: its cells by
// column, the name its file was loaded under, and what the writer managed.
struct UnsavedRow {
  std::string loadedName;
  Module1::WriteOutcome outcome;
  std::vector<std::string> cells;
};

}  // namespace quorvane
