#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// File names and paths are bytes on Linux. The program holds them as UTF-8 text; bytes
// that are not UTF-8 become escape characters (utf8.h), so every name survives the trip
// to text and back and a file whose name is not UTF-8 can still be read and renamed.
std::string nameFromBytes(std::string_view bytes);
// Whether `bytes` are their own text: nameFromBytes would return them unchanged.
bool isOwnText(std::string_view bytes);
std::string nameToBytes(std::string_view text);

}  // namespace quorvane
