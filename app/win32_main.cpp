// quorvane.exe: the window program on Windows. Edits the ID3 version 1 tags of a folder's
// MP3 files as a sheet.
// The system's headers need windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
// clang-format on

#include <string>
#include <string_view>
#include <vector>

#include "app/win32_program.h"
#include "os/win32/win32_file_service.h"
#include "os/win32/win32_shell_opener.h"
#include "os/win32/wtf8.h"
#include "tagcodec/code_page.h"
#include "ui/win32/win32_dpi.h"

namespace {

constexpr const char* kUsage =
    "Usage: quorvane.exe [FOLDER]\n"
    "       quorvane.exe --help | --version\n"
    "\n"
    "Opens the window on FOLDER's MP3 files, sorted by file name; without FOLDER the\n"
    "folder list starts at the current folder and no sheet is loaded. A drive alone (D:)\n"
    "stands for that drive's current folder.\n"
    "Tag text is read and written in code page 932 unless QUORVANE_CODEPAGE names another\n"
    "that this build converts.\n"
    "\n"
    "Exit status: 0 after the window closed; 2 bad usage, an unknown code page, or a FOLDER\n"
    "that is not a folder.\n";

// A program of the window subsystem has no console of its own: it writes where its standard
// handle leads (a file, a pipe, the terminal Wine runs in), else into the console of the
// command prompt that started it.
void say(DWORD standardHandle, std::string_view text) {
  HANDLE out = GetStdHandle(standardHandle);
  if (!out || out == INVALID_HANDLE_VALUE) {
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return;
    out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
  }
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(out, &mode)) {
    const std::wstring wide = quorvane::wideFromText(text);
    WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

void sayError(const std::string& text) {
  say(STD_ERROR_HANDLE, "quorvane: " + text + "\n");
}

std::vector<std::string> arguments() {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  // Names are UTF-16 and may hold what UTF-8 cannot; WTF-8 keeps every one.
  for (int i = 1; wide && i < count; ++i) args.push_back(quorvane::textFromWide(wide[i]));
  if (wide) LocalFree(wide);
  return args;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  // The command line is checked before any window is made.
  const std::vector<std::string> args = arguments();
  const std::string first = args.empty() ? std::string() : args.front();
  if (first == "--help" || first == "-h") {
    say(STD_OUTPUT_HANDLE, kUsage);
    return 0;
  }
  if (first == "--version") {
    say(STD_OUTPUT_HANDLE, "quorvane " QUORVANE_VERSION "\n");
    return 0;
  }
  // "--" before FOLDER lets a folder be named "--help".
  const std::size_t firstOperand = first == "--" ? 1 : 0;
  const bool hasFolder = args.size() > firstOperand;
  if (args.size() > firstOperand + 1) {
    sayError("one FOLDER at most\nsee quorvane --help");
    return 2;
  }
  std::string error;
  if (!quorvane::initTagCodePage(&error)) {
    sayError(error);
    return 2;
  }
  quorvane::Win32FileService files;
  const std::string folder = hasFolder ? args[firstOperand] : std::string();
  if (hasFolder && !files.isFolder(folder)) {
    sayError(folder + ": not a folder");
    return 2;
  }

  // A drive without its medium is reported by the folder list, not by a box of the system.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // The shell's open may hand the file to a COM extension.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  quorvane::enablePerMonitorDpi();
  INITCOMMONCONTROLSEX controls{sizeof(controls),
                                ICC_BAR_CLASSES | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  int status = 0;
  {
    quorvane::Win32ShellOpener shell;
    quorvane::Win32Program program(shell, files);
    program.show(showCommand);
    if (hasFolder && !program.openFolder(folder)) {
      sayError(folder + ": not a folder");
      status = 2;
    } else {
      status = program.run();
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return status;
}
