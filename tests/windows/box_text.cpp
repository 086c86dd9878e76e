// Prints, in UTF-8, the title and the controls' texts of every open message box whose title
// starts with "Quorvane", one line each and a blank line after each box. The window test
// reads the boxes with it: Wine's message boxes copy nothing on Ctrl+C, as Windows' do.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void printLine(const std::wstring& text) {
  std::string bytes;
  if (!text.empty()) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    bytes.resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
  }
  bytes += '\n';
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

// WM_GETTEXT, which another process's controls answer (GetWindowText would not ask them).
std::wstring textOf(HWND window) {
  wchar_t buffer[4096] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG,
                      2000, &copied);
  return std::wstring(buffer, copied);
}

BOOL CALLBACK printControl(HWND control, LPARAM) {
  printLine(textOf(control));
  return TRUE;
}

BOOL CALLBACK printBox(HWND window, LPARAM found) {
  wchar_t kind[16] = {};
  GetClassNameW(window, kind, 16);
  const std::wstring title = textOf(window);
  if (!IsWindowVisible(window) || std::wstring(kind) != L"#32770" ||
      title.rfind(L"Quorvane", 0) != 0) {
    return TRUE;
  }
  printLine(title);
  EnumChildWindows(window, printControl, 0);
  printLine(L"");
  ++*reinterpret_cast<int*>(found);
  return TRUE;
}

}  // namespace

int main() {
  int found = 0;
  EnumWindows(printBox, reinterpret_cast<LPARAM>(&found));
  return found > 0 ? 0 : 1;
}
