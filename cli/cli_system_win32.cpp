#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "cli/cli_system.h"
#include "os/win32/win32_file_service.h"
#include "os/win32/wtf8.h"

namespace quorvane::cli {
namespace {

bool readAll(HANDLE handle, std::string& out, std::string& why) {
  char buffer[65536];
  while (true) {
    DWORD read = 0;
    if (!ReadFile(handle, buffer, sizeof buffer, &read, nullptr)) {
      // A pipe whose writer has gone has simply ended.
      if (GetLastError() == ERROR_BROKEN_PIPE) return true;
      why = describeWindowsError(GetLastError());
      return false;
    }
    if (read == 0) return true;
    out.append(buffer, read);
  }
}

UINT consoleCodePage = 0;  // 0: no console, or it was left alone

void restoreConsole() {
  if (consoleCodePage != 0 && consoleCodePage != CP_UTF8) SetConsoleOutputCP(consoleCodePage);
}

}  // namespace

FileService& systemFiles() {
  static Win32FileService files;
  return files;
}

std::vector<std::string> arguments(int, char**) {
  // The narrow arguments went through the ANSI code page; the wide ones are the names.
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> texts;
  for (int i = 1; wide && i < count; ++i) texts.push_back(textFromWide(wide[i]));
  if (wide) LocalFree(wide);
  return texts;
}

void prepareOutput() {
  // Byte for byte as on Linux: no CR before each LF; and UTF-8 in a console window, whose
  // code page is the console's own and outlives the program: it is put back at the end.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  consoleCodePage = GetConsoleOutputCP();
  if (consoleCodePage != 0 && consoleCodePage != CP_UTF8) {
    SetConsoleOutputCP(CP_UTF8);
    std::atexit(restoreConsole);
  }
}

void endNow(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  restoreConsole();
  std::_Exit(status);
}

std::string forOutput(std::string_view text) {
  return std::string(text);
}

bool readWholeFile(const std::string& path, std::string& out, std::string& why) {
  const HANDLE file = CreateFileW(wideFromText(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    why = describeWindowsError(GetLastError());
    return false;
  }
  const bool read = readAll(file, out, why);
  CloseHandle(file);
  return read;
}

bool readStandardInput(std::string& out, std::string& why) {
  return readAll(GetStdHandle(STD_INPUT_HANDLE), out, why);
}

std::string folderProblem(const std::string& path, bool& notAFolder) {
  notAFolder = false;
  const DWORD attributes = GetFileAttributesW(wideFromText(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return describeWindowsError(GetLastError());
  notAFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  return notAFolder ? "not a folder" : "";
}

Entry lookUp(const std::string& path) {
  Entry entry;
  const HANDLE handle = CreateFileW(
      wideFromText(path).c_str(), FILE_READ_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    entry.kind = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                     ? Entry::Kind::Absent
                     : Entry::Kind::Unknown;
    entry.problem = describeWindowsError(error);
    return entry;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(handle, &info)) {
    entry.kind = Entry::Kind::Present;
  } else {
    entry.kind = Entry::Kind::Unknown;
    entry.problem = describeWindowsError(GetLastError());
  }
  CloseHandle(handle);
  return entry;
}

bool holdsExactName(const std::string& path) {
  const std::wstring wide = wideFromText(path);
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(wide.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  const std::size_t slash = wide.find_last_of(L"\\/");
  return wide.substr(slash == std::wstring::npos ? 0 : slash + 1) == found.cFileName;
}

std::string writeProblem(const std::string& path, TagBlock& tail) {
  // The writer's own opening makes its checks (a file, not a link, not read-only); opening
  // for writing changes nothing by itself.
  FileFailure failure;
  const std::unique_ptr<OpenFile> file = systemFiles().openToWrite(path, failure);
  if (!file) return failure.notRegularFile ? "not a regular file" : failure.description;
  if (file->size() < static_cast<std::int64_t>(kTagSize)) {
    return "shorter than 128 bytes, too short for a tag";
  }
  if (!file->read(file->size() - static_cast<std::int64_t>(kTagSize), tail)) {
    return file->failure().description;
  }
  return {};
}

std::string folderWriteProblem(const std::string&) {
  // Windows tells only by trying; a rename that is refused is reported when it happens.
  return {};
}

std::string describeTaken() {
  return describeWindowsError(ERROR_ALREADY_EXISTS);
}

std::string describeMissing() {
  return describeWindowsError(ERROR_FILE_NOT_FOUND);
}

}  // namespace quorvane::cli
