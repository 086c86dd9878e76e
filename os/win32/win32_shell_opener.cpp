#include "os/win32/win32_shell_opener.h"

#include <windows.h>
#include <shellapi.h>

#include "os/win32/wtf8.h"

namespace quorvane {

void Win32ShellOpener::open(const std::string& folder, const std::string& file) {
  ShellExecuteW(nullptr, L"open", wideFromText(file).c_str(), nullptr,
                wideFromText(folder).c_str(), SW_SHOWDEFAULT);
}

}  // namespace quorvane
