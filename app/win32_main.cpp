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
#include "app/window_arguments.h"
#include "os/win32/win32_file_service.h"
#include "os/win32/win32_shell_opener.h"
#include "os/win32/wtf8.h"
#include "tagcodec/code_page.h"
#include "ui/win32/win32_dpi.h"

namespace {

constexpr const char* kUsage =
    "Usage: quorvane.exe [FOLDER | FILE.mp3]\n"
    "       quorvane.exe --help | --version\n"
    "\n"
    "Opens the window on FOLDER's MP3 files, sorted by file name; an MP3 file opens its\n"
    "folder with the file's row current. Without either the folder list starts at the\n"
    "current folder and no sheet is loaded. A drive alone (D:) stands for that drive's\n"
    "current folder.\n"
    "Tag text is read and written in code page 932 unless QUORVANE_CODEPAGE names another\n"
    "that this build converts.\n"
    "\n"
    "Exit status: 0 after the window closed; 2 bad usage, an unknown code page, or a path\n"
    "that is neither a folder nor an MP3 file.\n";

// A program of the window subsystem has no console of its own: it writes where its standard
// handle leads (a file, a pipe, the terminal Wine runs in), else into the console of the
// command prompt that started it. False when the text reached no one: started from
// Explorer, say.
bool say(DWORD standardHandle, std::string_view text) {
  HANDLE out = GetStdHandle(standardHandle);
  if (!out || out == INVALID_HANDLE_VALUE) {
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) {
      return false;
    }
    out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
  }
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(out, &mode)) {
    const std::wstring wide = quorvane::wideFromText(text);
    return WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) !=
           FALSE;
  }
  return WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != FALSE;
}

// TEXT ends with a line break. Shown in a box as well when no console or file takes it.
void sayError(const std::string& text) {
  if (say(STD_ERROR_HANDLE, "quorvane: " + text)) return;
  const std::wstring wide = quorvane::wideFromText(text.substr(0, text.size() - 1));
  MessageBoxW(nullptr, wide.c_str(), L"Quorvane", MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
}

std::vector<std::string> arguments() {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  // Names are UTF-16 and may hold what UTF-8 cannot; WTF-8 keeps every one.
  for (int i = 1; wide && i < count; ++i) {
    args.push_back(quorvane::withTypedBackslash(quorvane::textFromWide(wide[i])));
  }
  if (wide) LocalFree(wide);
  return args;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  // The command line is checked before any window is made.
  const quorvane::WindowArguments args = quorvane::parseWindowArguments(arguments());
  switch (args.action) {
    case quorvane::WindowArguments::Action::Help:
      say(STD_OUTPUT_HANDLE, kUsage);
      return 0;
    case quorvane::WindowArguments::Action::Version:
      say(STD_OUTPUT_HANDLE, "quorvane " QUORVANE_VERSION "\n");
      return 0;
    case quorvane::WindowArguments::Action::UsageError:
      sayError(args.error);
      return 2;
    case quorvane::WindowArguments::Action::Open:
      break;
  }
  std::string error;
  if (!quorvane::initTagCodePage(&error)) {
    sayError(error + "\n");
    return 2;
  }
  quorvane::Win32FileService files;
  const std::string notOpened = args.path + ": not a folder or an MP3 file\n";
  if (!args.path.empty() && !quorvane::pathToOpen(args.path, files)) {
    sayError(notOpened);
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
    // The path went away since it was checked.
    if (!args.path.empty() && !program.window().OpenDroppedPath(args.path)) {
      sayError(notOpened);
      status = 2;
    } else {
      status = program.run();
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return status;
}
