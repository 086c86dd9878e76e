#pragma once

#include <windows.h>

#include <string>

namespace quorvane {

// The face of the window's font: "ＭＳ Ｐゴシック" where the system has it, else another
// Japanese Gothic face ("MS PGothic", IPAPGothic, Meiryo ...), else the first face with
// the Japanese character set. Chosen once.
const std::wstring& sheetFontFace();

// The window's font, 9 points at `dpi`, Japanese character set. The caller deletes it.
HFONT createSheetFont(UINT dpi);

}  // namespace quorvane
