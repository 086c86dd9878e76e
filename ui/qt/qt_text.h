#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace quorvane {

// The program's text is UTF-8; escape characters for undecodable bytes (U+10FE00 + byte)
// are ordinary code points, so they survive the trip through QString unchanged.
inline QString toQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string fromQString(const QString& text) {
  return text.toStdString();
}

}  // namespace quorvane
