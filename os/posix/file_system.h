#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::fs {

// Paths and names here are text (file_names.h); every call turns them back into
// the exact bytes of the file system.

// True when `name` ends in ".mp3" in any letter case, the way Windows matches "*.MP3".
bool matchesMp3Pattern(std::string_view name);

struct Mp3Listing {
  std::vector<std::string> names;  // in byte order of the names
  bool ok = true;                  // false: the folder could not be listed
  int error = 0;                   // errno when not ok
};

// The folder's regular files whose names match, without sub-folders, symbolic links,
// FIFOs, devices or sockets, and without hidden (dot) files.
Mp3Listing listMp3Files(std::string_view folder);

// The folder's sub-folders (not hidden ones), sorted by name bytes.
std::vector<std::string> listSubfolders(std::string_view folder);

// Both of the above from one read of the folder, as asked for; `mp3` tells whether the
// folder could be read.
struct FolderEntries {
  Mp3Listing mp3;
  std::vector<std::string> subfolders;
};
FolderEntries listFolder(std::string_view folder, bool mp3Files, bool subfolders);

// The roots of the mounted file systems a user works in: "/" first, then mounts under
// /media, /mnt and /run/media, and $HOME when it is a mount of its own.
std::vector<std::string> listDrives();

// The drive (from `drives`) holding `folder`: the longest one that contains it.
std::string driveOf(const std::vector<std::string>& drives, std::string_view folder);

// An absolute form of `path` with ".", ".." and repeated or trailing '/' removed;
// relative paths are taken from the current folder. Symbolic links are not resolved.
std::string normalizeFolder(std::string_view path);

// "/", "/home", "/home/user" for "/home/user".
std::vector<std::string> ancestorsOf(std::string_view folder);

// The folder's entry named `name`: `name` itself when an entry has exactly its bytes, else
// the first entry that equals it ignoring ASCII letter case (the one a file system that
// ignores case finds), else nullopt.
std::optional<std::string> nameOnDisk(std::string_view folder, std::string_view name);

// True when `a` and `b` are equal but for the case of ASCII letters.
bool equalIgnoringAsciiCase(std::string_view a, std::string_view b);

bool isFolder(std::string_view path);
std::string currentFolder();

// Joins a folder and a name with '/', always, as the form's own rules do ("/" + "/" + "a"
// gives "//a", which the file system takes as "/a").
inline std::string joinPath(std::string_view folder, std::string_view name) {
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder).append("/").append(name);
  return path;
}

}  // namespace quorvane::fs
