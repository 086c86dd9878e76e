#include "os/win32/win32_file_service.h"

#include <windows.h>

#include <algorithm>

#include "os/win32/wtf8.h"

namespace quorvane {
namespace {

FileFailure lastFailure() {
  return FileFailure{false, describeWindowsError(GetLastError())};
}

std::wstring lastPart(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool sameNameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The name the file system keeps for `path`, in its own letter case.
std::wstring nameOnDisk(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return {};
  FindClose(search);
  return found.cFileName;
}

class Win32OpenFile : public OpenFile {
 public:
  Win32OpenFile(HANDLE handle, std::int64_t size) : handle_(handle), size_(size) {}
  ~Win32OpenFile() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  std::int64_t size() const override { return size_; }
  bool read(std::int64_t offset, std::span<std::uint8_t> bytes) override {
    OVERLAPPED at = overlappedAt(offset);
    DWORD done = 0;
    if (!ReadFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &done, &at)) {
      return fail();
    }
    if (done != bytes.size()) return fail(ERROR_HANDLE_EOF);
    return true;
  }
  bool write(std::int64_t offset, std::span<const std::uint8_t> bytes) override {
    OVERLAPPED at = overlappedAt(offset);
    DWORD done = 0;
    if (!WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &done, &at)) {
      return fail();
    }
    if (done != bytes.size()) return fail(ERROR_WRITE_FAULT);
    return true;
  }
  bool truncate(std::int64_t length) override {
    LARGE_INTEGER to;
    to.QuadPart = length;
    return (SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) && SetEndOfFile(handle_)) ||
           fail();
  }
  bool flush() override { return FlushFileBuffers(handle_) || fail(); }
  bool close() override {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CloseHandle(handle) || fail();
  }
  FileFailure failure() const override { return FileFailure{false, describeWindowsError(error_)}; }

 private:
  static OVERLAPPED overlappedAt(std::int64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
  }
  bool fail(DWORD error = GetLastError()) {
    error_ = error;
    return false;
  }
  HANDLE handle_;
  std::int64_t size_;
  DWORD error_ = 0;
};

// Opens a file that can hold a tag: a disk file, not a folder, a device or a link.
std::unique_ptr<OpenFile> openFile(const std::string& path, bool writing, FileFailure& failure) {
  const std::wstring wide = wideFromText(path);
  if (wide.find(L'\0') != std::wstring::npos) {  // would name another, shorter path
    failure = FileFailure{false, describeWindowsError(ERROR_INVALID_NAME)};
    return nullptr;
  }
  // Never through a link: the link itself is opened, and refused below.
  const HANDLE handle = CreateFileW(
      wide.c_str(), GENERIC_READ | (writing ? GENERIC_WRITE : 0),
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    failure = lastFailure();
    return nullptr;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  LARGE_INTEGER size{};
  if (!GetFileInformationByHandle(handle, &info) || !GetFileSizeEx(handle, &size)) {
    failure = lastFailure();
    CloseHandle(handle);
    return nullptr;
  }
  const DWORD notAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
  if ((info.dwFileAttributes & notAFile) != 0 || GetFileType(handle) != FILE_TYPE_DISK) {
    failure = FileFailure{true, {}};
    CloseHandle(handle);
    return nullptr;
  }
  // The read-only attribute is the owner's word that the file must not change.
  if (writing && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
    failure = FileFailure{false, describeWindowsError(ERROR_ACCESS_DENIED)};
    CloseHandle(handle);
    return nullptr;
  }
  return std::make_unique<Win32OpenFile>(handle, size.QuadPart);
}

bool endsWithMp3(std::wstring_view name) {
  if (name.size() < 4) return false;
  const std::wstring_view tail = name.substr(name.size() - 4);
  const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c + 32 : c; };
  return tail[0] == L'.' && lower(tail[1]) == L'm' && lower(tail[2]) == L'p' && tail[3] == L'3';
}

enum class Wanted { Mp3Files, Folders };

// The folder's entries of one kind, as text, in the order of their UTF-8 bytes, so that a
// folder lists in the same order here as on Linux.
std::vector<std::string> listFolder(std::string_view folder, Wanted wanted, DWORD* error) {
  std::vector<std::string> names;
  const std::wstring pattern = wideFromText(folder) + (folder.ends_with('\\') ? L"*" : L"\\*");
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry,
                                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    if (error) *error = GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : GetLastError();
    return names;
  }
  do {
    const std::wstring_view name = entry.cFileName;
    const DWORD attributes = entry.dwFileAttributes;
    if (name.empty() || name[0] == L'.' || (attributes & FILE_ATTRIBUTE_HIDDEN) != 0) continue;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) continue;  // links are left out
    const bool folderEntry = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (wanted == Wanted::Folders ? folderEntry
                                  : !folderEntry && (attributes & FILE_ATTRIBUTE_DEVICE) == 0 &&
                                        endsWithMp3(name)) {
      names.push_back(textFromWide(name));
    }
  } while (FindNextFileW(find, &entry));
  if (error) *error = GetLastError() == ERROR_NO_MORE_FILES ? 0 : GetLastError();
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

bool isDriveRoot(std::string_view folder) {
  return folder.size() == 3 && folder[1] == ':' && folder[2] == '\\';
}

}  // namespace

std::string describeWindowsError(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length ? std::wstring(buffer, length) : L"error " + std::to_wstring(code);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  return textFromWide(text);
}

std::unique_ptr<OpenFile> Win32FileService::openToRead(const std::string& path,
                                                       FileFailure& failure) {
  return openFile(path, false, failure);
}

std::unique_ptr<OpenFile> Win32FileService::openToWrite(const std::string& path,
                                                        FileFailure& failure) {
  return openFile(path, true, failure);
}

bool Win32FileService::renameNoReplace(const std::string& from, const std::string& to,
                                       FileFailure& failure) {
  // Without MOVEFILE_REPLACE_EXISTING a name that is taken is never replaced; a change of
  // letter case alone renames the file itself.
  const std::wstring wideFrom = wideFromText(from);
  const std::wstring wideTo = wideFromText(to);
  if (!MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_WRITE_THROUGH)) {
    failure = lastFailure();
    return false;
  }
  if (!sameNameIgnoringCase(wideFrom, wideTo) || nameOnDisk(wideTo) == lastPart(wideTo)) {
    return true;
  }
  // Some file systems (network shares, Wine's) accept a change of case and keep the old
  // name: go through a name of our own, and back to the old one if the second step fails.
  const std::wstring step = wideTo + L".quorvane-rename";
  if (!MoveFileExW(wideFrom.c_str(), step.c_str(), MOVEFILE_WRITE_THROUGH)) {
    failure = lastFailure();
    return false;
  }
  if (MoveFileExW(step.c_str(), wideTo.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  failure = lastFailure();
  MoveFileExW(step.c_str(), wideFrom.c_str(), MOVEFILE_WRITE_THROUGH);
  return false;
}

bool Win32FileService::flushFolder(const std::string& folder, FileFailure& failure) {
  const HANDLE handle =
      CreateFileW(wideFromText(folder).c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  // Folders that cannot be opened or flushed so keep their entries as the file system
  // does (NTFS journals them; renames above were written through).
  if (handle == INVALID_HANDLE_VALUE) return true;
  const bool flushed = FlushFileBuffers(handle);
  const DWORD error = GetLastError();
  CloseHandle(handle);
  if (flushed || error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_FUNCTION) return true;
  failure = FileFailure{false, describeWindowsError(error)};
  return false;
}

std::string Win32FileService::joinPath(std::string_view folder, std::string_view name) const {
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder).append("\\").append(name);
  return path;
}

FolderListing Win32FileService::listMp3Files(std::string_view folder) {
  FolderListing listing;
  DWORD error = 0;
  listing.names = listFolder(folder, Wanted::Mp3Files, &error);
  if (error != 0) {
    listing.ok = false;
    listing.error = describeWindowsError(error);
    listing.names.clear();
  }
  return listing;
}

std::vector<std::string> Win32FileService::listSubfolders(std::string_view folder) {
  return listFolder(folder, Wanted::Folders, nullptr);
}

std::vector<std::string> Win32FileService::listDrives() {
  std::vector<std::string> drives;
  wchar_t buffer[512];
  const DWORD length = GetLogicalDriveStringsW(512, buffer);
  for (const wchar_t* at = buffer; length > 0 && length < 512 && *at; at += wcslen(at) + 1) {
    drives.push_back(textFromWide(at));
  }
  return drives;
}

std::string Win32FileService::driveOf(const std::vector<std::string>& drives,
                                      std::string_view folder) {
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  for (const std::string& drive : drives) {
    if (folder.size() >= 2 && drive.size() >= 2 && upper(drive[0]) == upper(folder[0]) &&
        drive[1] == ':' && folder[1] == ':') {
      return drive;
    }
  }
  return folder.size() >= 2 && folder[1] == ':' ? std::string(folder.substr(0, 2)) + "\\"
                                                 : std::string(folder);
}

std::string Win32FileService::normalizeFolder(std::string_view path) {
  // "C:" alone is that drive's own current folder, as Windows keeps one for each drive.
  const std::wstring wide = wideFromText(path.empty() ? "." : path);
  std::wstring full(MAX_PATH, L'\0');
  DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length + 1);
    length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  full.resize(length);
  std::string folder = textFromWide(full);
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

std::vector<std::string> Win32FileService::ancestorsOf(std::string_view folder) {
  std::vector<std::string> chain;
  std::size_t root = 0;
  if (folder.size() >= 3 && folder[1] == ':') {
    root = 3;  // "C:\"
  } else if (folder.starts_with("\\\\")) {
    // \\server\share is the root of a network path.
    const std::size_t server = folder.find('\\', 2);
    const std::size_t share = server == std::string_view::npos ? server : folder.find('\\', server + 1);
    root = share == std::string_view::npos ? folder.size() : share + 1;
  }
  chain.emplace_back(folder.substr(0, root));
  for (std::size_t pos = root; pos <= folder.size(); ++pos) {
    if ((pos == folder.size() || folder[pos] == '\\') && pos > root) {
      chain.emplace_back(folder.substr(0, pos));
    }
  }
  return chain;
}

std::string Win32FileService::folderName(std::string_view folder) {
  if (isDriveRoot(folder)) return std::string(folder);
  const std::size_t separator = folder.find_last_of("\\/");
  return std::string(separator == std::string_view::npos ? folder : folder.substr(separator + 1));
}

bool Win32FileService::isFolder(std::string_view path) {
  const DWORD attributes = GetFileAttributesW(wideFromText(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string Win32FileService::currentFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
  }
  buffer.resize(length);
  return textFromWide(buffer);
}

}  // namespace quorvane
