#include "editing/name_patterns.h"

#include "sheet/sheet_columns.h"
#include "tagcodec/utf8.h"

namespace quorvane {
namespace {

bool continuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::string trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') + 1 - first));
}

// Tries parts[i...] against name[pos...]; on success `spans[i]` holds where each part
// begins and ends.
bool matchFrom(const std::vector<NamePattern::Part>& parts, std::size_t i, std::string_view name,
               std::size_t pos, std::vector<std::pair<std::size_t, std::size_t>>& spans) {
  if (i == parts.size()) return pos == name.size();
  const NamePattern::Part& part = parts[i];
  if (part.kind == NamePattern::Part::Kind::Text) {
    if (name.substr(pos, part.text.size()) != part.text) return false;
    spans[i] = {pos, pos + part.text.size()};
    return matchFrom(parts, i + 1, name, pos + part.text.size(), spans);
  }
  if (i + 1 == parts.size()) {
    spans[i] = {pos, name.size()};
    return true;
  }
  // As little as lets the rest fit, never splitting a character.
  for (std::size_t end = pos; end <= name.size(); ++end) {
    if (end < name.size() && continuationByte(name[end])) continue;
    if (matchFrom(parts, i + 1, name, end, spans)) {
      spans[i] = {pos, end};
      return true;
    }
  }
  return false;
}

}  // namespace

const std::vector<std::pair<std::string, int>>& namePlaceholders() {
  static const std::vector<std::pair<std::string, int>> placeholders = {
      {"%title%", colTitle}, {"%artist%", colArtist},   {"%album%", colAlbum},
      {"%year%", colYear},   {"%comment%", colComment}, {"%genre%", colGenre}};
  return placeholders;
}

std::optional<NamePattern> parseNamePattern(std::string_view text, bool forNames,
                                            std::string& error) {
  NamePattern pattern;
  bool anyColumn = false;
  const auto addText = [&](std::string_view piece) {
    if (pattern.parts.empty() || pattern.parts.back().kind != NamePattern::Part::Kind::Text) {
      pattern.parts.push_back({NamePattern::Part::Kind::Text, {}, 0});
    }
    pattern.parts.back().text.append(piece);
  };
  for (std::size_t at = 0; at < text.size();) {
    if (text[at] == '*') {
      if (forNames) {
        error = "ファイル名の書式には * を使えません。";
        return std::nullopt;
      }
      pattern.parts.push_back({NamePattern::Part::Kind::Any, {}, 0});
      ++at;
    } else if (text[at] == '%') {
      const std::size_t close = text.find('%', at + 1);
      if (close == std::string_view::npos) {
        error = "% が閉じていません。";
        return std::nullopt;
      }
      const std::string_view name = text.substr(at, close + 1 - at);
      if (name == "%%") {
        addText("%");  // a percent sign of the name itself
        at = close + 1;
        continue;
      }
      bool known = false;
      for (const auto& [placeholder, col] : namePlaceholders()) {
        if (name == placeholder) {
          pattern.parts.push_back({NamePattern::Part::Kind::Column, {}, col});
          known = anyColumn = true;
        }
      }
      if (!known) {
        error = "不明な項目です: " + std::string(name);
        return std::nullopt;
      }
      at = close + 1;
    } else {
      const std::size_t next = text.find_first_of("*%", at);
      addText(text.substr(at, next == std::string_view::npos ? next : next - at));
      at = next == std::string_view::npos ? text.size() : next;
    }
  }
  if (!anyColumn) {
    error = "書式に項目 (%title% など) がありません。";
    return std::nullopt;
  }
  return pattern;
}

std::optional<std::vector<std::pair<int, std::string>>> matchNamePattern(const NamePattern& pattern,
                                                                        std::string_view name) {
  std::vector<std::pair<std::size_t, std::size_t>> spans(pattern.parts.size());
  if (!matchFrom(pattern.parts, 0, name, 0, spans)) return std::nullopt;
  std::vector<std::pair<int, std::string>> texts;
  for (std::size_t i = 0; i < pattern.parts.size(); ++i) {
    if (pattern.parts[i].kind != NamePattern::Part::Kind::Column) continue;
    const auto [begin, end] = spans[i];
    texts.emplace_back(pattern.parts[i].col, trimmed(name.substr(begin, end - begin)));
  }
  return texts;
}

std::string buildName(const NamePattern& pattern, const std::function<std::string(int col)>& cell) {
  std::string name;
  for (const NamePattern::Part& part : pattern.parts) {
    if (part.kind == NamePattern::Part::Kind::Text) name += part.text;
    if (part.kind == NamePattern::Part::Kind::Column) name += cell(part.col);
  }
  return fileNameSafe(name);
}

std::string fileNameSafe(std::string_view text) {
  static constexpr std::string_view kForbidden = "\\/:*?\"<>|";
  std::string safe;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (kForbidden.find(c) != std::string_view::npos) {
      utf8::append(safe, 0xFF00 + (byte - 0x20));  // the full-width form
    } else if (byte < 0x20) {
      utf8::append(safe, 0x2400 + byte);  // the control character's picture
    } else if (byte == 0x7F) {
      utf8::append(safe, 0x2421);
    } else {
      safe += c;
    }
  }
  return safe;
}

}  // namespace quorvane
