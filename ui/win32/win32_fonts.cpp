#include "ui/win32/win32_fonts.h"

#include <cwchar>

namespace quorvane {
namespace {

constexpr int kPointSize = 9;

// Gothic faces in order of preference; the first is the one the window is designed in.
constexpr const wchar_t* kFaces[] = {
    L"ＭＳ Ｐゴシック", L"MS PGothic",   L"IPAPGothic",   L"Meiryo",
    L"Meiryo UI",       L"Yu Gothic UI", L"MS UI Gothic", L"IPAGothic",
};

int CALLBACK noteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool hasFace(HDC dc, const wchar_t* face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExW(dc, &wanted, noteFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

int CALLBACK takeJapanese(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM face) {
  // "@" faces are the vertical-writing twins of the horizontal ones.
  if (font->lfFaceName[0] == L'@') return 1;
  *reinterpret_cast<std::wstring*>(face) = font->lfFaceName;
  return 0;
}

std::wstring chooseFace() {
  const HDC dc = GetDC(nullptr);
  std::wstring face;
  for (const wchar_t* candidate : kFaces) {
    if (hasFace(dc, candidate)) {
      face = candidate;
      break;
    }
  }
  if (face.empty()) {
    LOGFONTW japanese{};
    japanese.lfCharSet = SHIFTJIS_CHARSET;
    EnumFontFamiliesExW(dc, &japanese, takeJapanese, reinterpret_cast<LPARAM>(&face), 0);
  }
  ReleaseDC(nullptr, dc);
  // With no Japanese face at all the font mapper still picks what it can for the name.
  return face.empty() ? std::wstring(kFaces[0]) : face;
}

}  // namespace

const std::wstring& sheetFontFace() {
  static const std::wstring face = chooseFace();
  return face;
}

HFONT createSheetFont(UINT dpi) {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(kPointSize, static_cast<int>(dpi), 72);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = SHIFTJIS_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  wcsncpy(font.lfFaceName, sheetFontFace().c_str(), LF_FACESIZE - 1);
  return CreateFontIndirectW(&font);
}

}  // namespace quorvane
