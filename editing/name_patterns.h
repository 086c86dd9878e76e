#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvane {

// A pattern such as "%artist% - %title%" or "* %artist% - %title%": text that stands for
// itself, placeholders for the six tag columns (%title%, %artist%, %album%, %year%,
// %comment%, %genre%) and "*" for any text. Read against a file name without its
// extension it gives tag texts; filled from a row's cells it gives a file name.
struct NamePattern {
  struct Part {
    enum class Kind { Text, Column, Any } kind;
    std::string text;  // Text
    int col = 0;       // Column: the sheet column
  };
  std::vector<Part> parts;
};

// The placeholders, each with the sheet column it stands for.
const std::vector<std::pair<std::string, int>>& namePlaceholders();

// Reads `text`; nullopt with `error` (a sentence for the user) when a % is not closed, a
// placeholder is unknown, or the pattern has no placeholder. `forNames`: the pattern makes
// file names, where "*" means nothing.
std::optional<NamePattern> parseNamePattern(std::string_view text, bool forNames,
                                            std::string& error);

// The texts of the pattern's columns in `name`, each without surrounding spaces, in the
// order of the pattern; nullopt when the name does not fit. Each placeholder and "*"
// takes as little as lets the rest fit, the last one the rest of the name.
std::optional<std::vector<std::pair<int, std::string>>> matchNamePattern(const NamePattern& pattern,
                                                                        std::string_view name);

// The name the pattern makes of a row: `cell(col)` gives a column's text.
std::string buildName(const NamePattern& pattern, const std::function<std::string(int col)>& cell);

// `text` with the characters that a file name cannot hold on Windows (\ / : * ? " < > |
// and control characters) replaced by their full-width forms (control characters by their
// pictures, U+2400 on), so that the name means the same on every system.
std::string fileNameSafe(std::string_view text);

}  // namespace quorvane
