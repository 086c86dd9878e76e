#include "os/posix/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <mntent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "os/posix/file_names.h"

namespace quorvane::fs {
namespace {

class Dir {
 public:
  explicit Dir(const std::string& bytesPath) : dir_(::opendir(bytesPath.c_str())) {}
  ~Dir() {
    if (dir_) ::closedir(dir_);
  }
  Dir(const Dir&) = delete;
  Dir& operator=(const Dir&) = delete;
  DIR* get() const { return dir_; }

 private:
  DIR* dir_;
};

// The folder's next entry; null at its end, or with `error` set when reading it failed. errno
// is looked at only right after readdir: a failed fstatat on an earlier entry leaves it set.
const dirent* nextEntry(DIR* dir, int& error) {
  errno = 0;
  const dirent* entry = ::readdir(dir);
  if (!entry) error = errno;
  return entry;
}

enum class Kind { Regular, Folder, Other };

Kind kindOf(DIR* dir, const dirent* entry, bool followLinks) {
  if (entry->d_type == DT_REG) return Kind::Regular;
  if (entry->d_type == DT_DIR) return Kind::Folder;
  if (entry->d_type != DT_UNKNOWN && !(followLinks && entry->d_type == DT_LNK)) return Kind::Other;
  struct stat info {};
  const int flags = followLinks ? 0 : AT_SYMLINK_NOFOLLOW;
  if (::fstatat(::dirfd(dir), entry->d_name, &info, flags) != 0) return Kind::Other;
  if (S_ISREG(info.st_mode)) return Kind::Regular;
  if (S_ISDIR(info.st_mode)) return Kind::Folder;
  return Kind::Other;
}

// The byte of `name` at `depth` plus one, or 0 past its end (a shorter name sorts first).
int keyAt(const std::string* name, std::size_t depth) {
  return depth < name->size() ? static_cast<unsigned char>((*name)[depth]) + 1 : 0;
}

// Sorts by unsigned bytes, as std::sort does, one byte position at a time (a most
// significant digit radix sort): a folder's names often share long beginnings, which a
// comparison sort reads again for every comparison.
void sortFrom(std::string** first, std::string** last, std::string** buffer, std::size_t depth) {
  while (last - first > 32) {
    std::size_t counts[258] = {};
    for (std::string** at = first; at != last; ++at) ++counts[keyAt(*at, depth) + 1];
    for (int key = 1; key < 258; ++key) counts[key] += counts[key - 1];
    for (std::string** at = first; at != last; ++at) buffer[counts[keyAt(*at, depth)]++] = *at;
    std::copy(buffer, buffer + (last - first), first);
    // counts[key] is now where the names with `key` end; those that ended (key 0) are equal.
    for (int key = 1; key < 257; ++key) {
      sortFrom(first + counts[key - 1], first + counts[key], buffer, depth + 1);
    }
    return;
  }
  std::sort(first, last, [depth](const std::string* a, const std::string* b) {
    return std::string_view(*a).substr(std::min(depth, a->size())) <
           std::string_view(*b).substr(std::min(depth, b->size()));
  });
}

// The names sorted and decoded where they stand: a large folder's list is not copied.
std::vector<std::string> toText(std::vector<std::string> names) {
  std::vector<std::string*> order(names.size()), buffer(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) order[i] = &names[i];
  sortFrom(order.data(), order.data() + order.size(), buffer.data(), 0);
  // order[i] is the name that belongs at i: each cycle of the order is moved round once.
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (order[i] == nullptr) continue;
    std::string held = std::move(names[i]);
    for (std::size_t at = i;;) {
      const auto source = static_cast<std::size_t>(order[at] - names.data());
      order[at] = nullptr;
      if (source == i) {
        names[at] = std::move(held);
        break;
      }
      names[at] = std::move(names[source]);
      at = source;
    }
  }
  for (std::string& name : names) {
    if (!isOwnText(name)) name = nameFromBytes(name);
  }
  return names;
}

bool isMountedAt(const std::string& bytesPath) {
  struct stat self {
  }, parent{};
  if (::stat(bytesPath.c_str(), &self) != 0) return false;
  if (::stat((bytesPath + "/..").c_str(), &parent) != 0) return false;
  return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

bool startsWithFolder(std::string_view path, std::string_view folder) {
  if (folder == "/") return !path.empty() && path[0] == '/';
  return path.substr(0, folder.size()) == folder &&
         (path.size() == folder.size() || path[folder.size()] == '/');
}

}  // namespace

bool matchesMp3Pattern(std::string_view name) {
  if (name.size() < 4) return false;
  const std::string_view tail = name.substr(name.size() - 4);
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return tail[0] == '.' && lower(tail[1]) == 'm' && lower(tail[2]) == 'p' && tail[3] == '3';
}

FolderEntries listFolder(std::string_view folder, bool mp3Files, bool subfolders) {
  FolderEntries entries;
  Dir dir(nameToBytes(folder));
  if (!dir.get()) {
    entries.mp3.ok = false;
    entries.mp3.error = errno;
    return entries;
  }
  std::vector<std::string> mp3Names;
  // Room for as many names as the folder's size could hold, so that a large folder's list
  // is not moved while it grows; room that is never written costs no memory.
  struct stat info {};
  if (mp3Files && ::fstat(::dirfd(dir.get()), &info) == 0 && info.st_size > 0) {
    mp3Names.reserve(static_cast<std::size_t>(std::min<off_t>(info.st_size / 16, 1 << 22)));
  }
  int error = 0;
  while (const dirent* entry = nextEntry(dir.get(), error)) {
    const std::string_view name = entry->d_name;
    if (name.empty() || name[0] == '.') continue;
    // Links are left out of the MP3 files: writing through one could change a file outside
    // the folder. A link to a folder is a sub-folder, as the folder list opens it.
    Kind kind = Kind::Other;
    if (mp3Files && matchesMp3Pattern(name)) {
      kind = kindOf(dir.get(), entry, false);
      if (kind == Kind::Regular) {
        mp3Names.emplace_back(name);
        continue;
      }
    }
    if (subfolders && (kind == Kind::Folder || kindOf(dir.get(), entry, true) == Kind::Folder)) {
      entries.subfolders.emplace_back(name);
    }
  }
  if (error != 0) {
    entries.mp3.ok = false;
    entries.mp3.error = error;
  }
  entries.mp3.names = toText(std::move(mp3Names));
  entries.subfolders = toText(std::move(entries.subfolders));
  return entries;
}

Mp3Listing listMp3Files(std::string_view folder) {
  return listFolder(folder, true, false).mp3;
}

std::vector<std::string> listSubfolders(std::string_view folder) {
  return listFolder(folder, false, true).subfolders;
}

std::vector<std::string> listDrives() {
  std::vector<std::string> drives;
  if (FILE* mounts = ::setmntent("/proc/self/mounts", "r")) {
    const char* home = std::getenv("HOME");
    const std::string homeBytes = home ? home : "";
    mntent entry{};
    char buffer[4096];
    while (::getmntent_r(mounts, &entry, buffer, sizeof buffer)) {
      const std::string dir = entry.mnt_dir;
      const bool userMount = dir.rfind("/media/", 0) == 0 || dir.rfind("/mnt/", 0) == 0 ||
                             dir.rfind("/run/media/", 0) == 0 ||
                             (!homeBytes.empty() && dir == homeBytes);
      if (userMount && isMountedAt(dir)) drives.push_back(nameFromBytes(dir));
    }
    ::endmntent(mounts);
  }
  std::sort(drives.begin(), drives.end());
  drives.erase(std::unique(drives.begin(), drives.end()), drives.end());
  drives.insert(drives.begin(), "/");
  return drives;
}

std::string driveOf(const std::vector<std::string>& drives, std::string_view folder) {
  std::string best = "/";
  for (const auto& drive : drives) {
    if (startsWithFolder(folder, drive) && drive.size() > best.size()) best = drive;
  }
  return best;
}

std::string normalizeFolder(std::string_view path) {
  std::string full =
      path.empty() || path[0] != '/' ? joinPath(currentFolder(), path) : std::string(path);
  std::vector<std::string_view> parts;
  std::string_view rest = full;
  while (!rest.empty()) {
    const auto slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (auto part : parts) out.append("/").append(part);
  return out.empty() ? "/" : out;
}

std::vector<std::string> ancestorsOf(std::string_view folder) {
  std::vector<std::string> chain{"/"};
  for (std::size_t pos = 1; pos <= folder.size(); ++pos) {
    if (pos == folder.size() || folder[pos] == '/') chain.emplace_back(folder.substr(0, pos));
  }
  if (chain.size() > 1 && chain.back() == "/") chain.pop_back();
  return chain;
}

std::optional<std::string> nameOnDisk(std::string_view folder, std::string_view name) {
  const std::string bytes = nameToBytes(name);
  Dir dir(nameToBytes(folder));
  if (!dir.get()) return std::nullopt;
  std::optional<std::string> found;
  int error = 0;
  while (const dirent* entry = nextEntry(dir.get(), error)) {
    const std::string_view entryName = entry->d_name;
    if (entryName == bytes) return std::string(name);
    if (!found && equalIgnoringAsciiCase(entryName, bytes)) found = nameFromBytes(entryName);
  }
  return found;
}

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

bool isFolder(std::string_view path) {
  struct stat info {};
  return ::stat(nameToBytes(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string currentFolder() {
  std::string buffer(4096, '\0');
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  return nameFromBytes(buffer);
}

}  // namespace quorvane::fs
