#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/item_list.h"

namespace Module1 {

// Genre names by genre number 0 to 255. Empty until InitGenreTable; afterwards 0 to 114
// are named and 115 to 255 stay empty.
extern std::array<std::string, 256> GenreTable;

void InitGenreTable();

// The genre list ties an item to genre number g by item data g + 1. Returns the position
// of the first item carrying genre + 1, or -1 when none does.
std::int32_t FindGenreIndex(const quorvane::ItemList& list, std::int32_t genre);

}  // namespace Module1
