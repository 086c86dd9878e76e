#pragma once

// A file system in memory behind the FileService interface, with the faults the world
// brings injected on demand: files that cannot be read, a folder that vanishes (a stick
// pulled), names that fold case (FAT, exFAT, SMB), failing writes, flushes, renames and
// put-backs, another program's lock, a full disk. Its plain behaviour is held to the real
// file service's by file_service_contract_test.cpp, so that what passes here means
// something on a disk.

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_service.h"

namespace quorvane::testing {

class FaultyFiles : public FileService {
 public:
  // What a fault can hit.
  enum class Op { OpenRead, Read, OpenWrite, Write, Truncate, Flush, Close, Rename, FlushFolder, List };

  struct Node {
    std::vector<std::uint8_t> bytes;
    bool readOnly = false;
    std::uint64_t id = 0;
  };

  // ---- the world ----

  void addFolder(const std::string& path) {
    std::lock_guard lock(mutex_);
    addFolderLocked(path);
  }
  void addFile(const std::string& path, std::vector<std::uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    const auto [folder, name] = split(path);
    addFolderLocked(folder);
    auto node = std::make_shared<Node>();
    node->bytes = std::move(bytes);
    node->id = ++lastId_;
    folders_[folder].push_back({name, node});
  }
  // The file at `path` now, or null; the node stays the same file through renames.
  std::shared_ptr<Node> node(const std::string& path) {
    std::lock_guard lock(mutex_);
    return findLocked(path);
  }
  // Every file of `folder`: its name as kept, and its node.
  std::vector<std::pair<std::string, std::shared_ptr<Node>>> files(const std::string& folder) {
    std::lock_guard lock(mutex_);
    std::vector<std::pair<std::string, std::shared_ptr<Node>>> out;
    if (const auto f = folders_.find(folder); f != folders_.end()) {
      for (const Entry& e : f->second) {
        if (e.node) out.emplace_back(e.name, e.node);
      }
    }
    return out;
  }
  // The folder and all in it are gone until restored, as a pulled stick or a dropped share.
  void vanish(const std::string& folder) {
    std::lock_guard lock(mutex_);
    for (auto it = folders_.begin(); it != folders_.end();) {
      if (under(it->first, folder)) {
        stash_.insert(*it);
        it = folders_.erase(it);
      } else {
        ++it;
      }
    }
  }
  void restore() {
    std::lock_guard lock(mutex_);
    for (auto& kept : stash_) folders_.insert(kept);
    stash_.clear();
  }
  bool vanished() const {
    std::lock_guard lock(mutex_);
    return !stash_.empty();
  }

  // Names that differ only in the letter case of A-Z name the same file, as on FAT.
  bool foldCase = false;
  // Bytes the files may take in all; a write that would go beyond writes what fits and
  // fails, as a full disk does.
  std::size_t capacity = SIZE_MAX;

  // The next `times` calls of `op` on `path` ("" for any path) fail with errno `error`
  // (-1 times: every call from now on). A failing write or append first writes
  // `partial` bytes.
  void fail(Op op, const std::string& path, int error, int times = 1, std::size_t partial = 0) {
    std::lock_guard lock(mutex_);
    faults_.push_back({op, path, error, times, partial});
  }
  void clearFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
  }
  // How many calls of `op` ran (failed or not), for tests that check what was attempted.
  int calls(Op op) const {
    std::lock_guard lock(mutex_);
    const auto it = calls_.find(op);
    return it == calls_.end() ? 0 : it->second;
  }

  // ---- FileService ----

  std::unique_ptr<OpenFile> openToRead(const std::string& path, FileFailure& failure) override {
    return open(path, false, failure);
  }
  std::unique_ptr<OpenFile> openToWrite(const std::string& path, FileFailure& failure) override {
    return open(path, true, failure);
  }
  bool renameNoReplace(const std::string& from, const std::string& to,
                       FileFailure& failure) override {
    std::lock_guard lock(mutex_);
    const auto [fromFolder, fromName] = split(from);
    const auto [toFolder, toName] = split(to);
    if (int error = faultLocked(Op::Rename, from)) return failed(failure, error);
    Entry* source = entryLocked(from);
    if (!source) return failed(failure, ENOENT);
    if (fromFolder != toFolder || !isPlainName(toName)) return failed(failure, EINVAL);
    Entry* target = entryLocked(to);
    if (target && target != source) return failed(failure, EEXIST);
    if (target == source && fromName == toName) return failed(failure, EEXIST);
    source->name = toName;  // also a change of letter case alone, where names fold
    return true;
  }
  bool flushFolder(const std::string& folder, FileFailure& failure) override {
    std::lock_guard lock(mutex_);
    if (int error = faultLocked(Op::FlushFolder, folder)) return failed(failure, error);
    if (!folders_.count(folder)) return failed(failure, ENOENT);
    return true;
  }
  std::string joinPath(std::string_view folder, std::string_view name) const override {
    return std::string(folder).append("/").append(name);
  }
  bool isSeparator(char c) const override { return c == '/'; }
  bool isPlainName(std::string_view name) const override {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
  }
  // Every file by its path, where the faults are.
  std::unique_ptr<FolderReader> readFolder(std::string_view) override { return nullptr; }
  FolderListing listMp3Files(std::string_view folder) override {
    std::lock_guard lock(mutex_);
    FolderListing listing;
    const std::string path(folder);
    if (int error = faultLocked(Op::List, path)) {
      listing.ok = false;
      listing.error = std::strerror(error);
      return listing;
    }
    const auto f = folders_.find(path);
    if (f == folders_.end()) {
      listing.ok = false;
      listing.error = std::strerror(ENOENT);
      return listing;
    }
    for (const Entry& e : f->second) {
      if (e.node && e.name[0] != '.' && isMp3(e.name)) listing.names.push_back(e.name);
    }
    std::sort(listing.names.begin(), listing.names.end());
    return listing;
  }
  std::vector<std::string> listSubfolders(std::string_view folder) override {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    if (const auto f = folders_.find(std::string(folder)); f != folders_.end()) {
      for (const Entry& e : f->second) {
        if (!e.node && e.name[0] != '.') names.push_back(e.name);
      }
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  std::vector<std::string> listDrives() override { return drives; }
  std::string driveOf(const std::vector<std::string>& list, std::string_view folder) override {
    std::string best = "/";
    for (const std::string& drive : list) {
      if (under(std::string(folder), drive) && drive.size() > best.size()) best = drive;
    }
    return best;
  }
  std::string normalizeFolder(std::string_view path) override {
    std::vector<std::string> parts;
    std::string rest(path);
    if (rest.empty() || rest[0] != '/') rest = "/" + rest;
    std::size_t at = 0;
    while (at < rest.size()) {
      const std::size_t slash = std::min(rest.find('/', at), rest.size());
      const std::string part = rest.substr(at, slash - at);
      at = slash + 1;
      if (part.empty() || part == ".") continue;
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else {
        parts.push_back(part);
      }
    }
    std::string out;
    for (const std::string& part : parts) out += "/" + part;
    return out.empty() ? "/" : out;
  }
  std::vector<std::string> ancestorsOf(std::string_view folder) override {
    std::vector<std::string> chain{"/"};
    for (std::size_t at = 1; at <= folder.size(); ++at) {
      if (at == folder.size() || folder[at] == '/') chain.emplace_back(folder.substr(0, at));
    }
    if (chain.size() > 1 && chain.back() == "/") chain.pop_back();
    return chain;
  }
  std::string folderName(std::string_view folder) override {
    return folder == "/" ? std::string(folder) : std::string(folder.substr(folder.rfind('/') + 1));
  }
  bool isFolder(std::string_view path) override {
    std::lock_guard lock(mutex_);
    return folders_.count(std::string(path)) > 0;
  }
  std::string currentFolder() override { return "/"; }

  std::vector<std::string> drives{"/"};

 private:
  struct Entry {
    std::string name;
    std::shared_ptr<Node> node;  // null for a sub-folder
  };
  struct Fault {
    Op op;
    std::string path;
    int error;
    int times;
    std::size_t partial;
  };

  class File : public OpenFile {
   public:
    File(FaultyFiles& owner, std::shared_ptr<Node> node, std::string path)
        : owner_(owner), node_(std::move(node)), path_(std::move(path)), size_(node_->bytes.size()) {}
    std::int64_t size() const override { return static_cast<std::int64_t>(size_); }
    bool read(std::int64_t offset, std::span<std::uint8_t> bytes) override {
      std::lock_guard lock(owner_.mutex_);
      if (int error = owner_.faultLocked(Op::Read, path_)) return fail(error);
      const auto at = static_cast<std::size_t>(offset);
      if (offset < 0 || at + bytes.size() > node_->bytes.size()) return fail(EIO);
      std::copy_n(node_->bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.size(),
                  bytes.begin());
      return true;
    }
    bool write(std::int64_t offset, std::span<const std::uint8_t> bytes) override {
      std::lock_guard lock(owner_.mutex_);
      const auto at = static_cast<std::size_t>(offset);
      std::size_t room = bytes.size();
      int error = owner_.faultLocked(Op::Write, path_);
      if (error) room = std::min(room, owner_.lastPartial_);
      const std::size_t end = at + bytes.size();
      if (end > node_->bytes.size()) {
        const std::size_t used = owner_.usedLocked();
        const std::size_t free = owner_.capacity > used ? owner_.capacity - used : 0;
        const std::size_t growth = end - node_->bytes.size();
        if (growth > free) {
          room = std::min(room, node_->bytes.size() + free - std::min(at, node_->bytes.size()));
          error = ENOSPC;
        }
      }
      if (at + room > node_->bytes.size()) node_->bytes.resize(at + room);
      std::copy_n(bytes.begin(), room, node_->bytes.begin() + static_cast<std::ptrdiff_t>(at));
      return error ? fail(error) : true;
    }
    bool truncate(std::int64_t length) override {
      std::lock_guard lock(owner_.mutex_);
      if (int error = owner_.faultLocked(Op::Truncate, path_)) return fail(error);
      node_->bytes.resize(static_cast<std::size_t>(length));
      return true;
    }
    bool flush() override {
      std::lock_guard lock(owner_.mutex_);
      if (int error = owner_.faultLocked(Op::Flush, path_)) return fail(error);
      return true;
    }
    bool close() override {
      std::lock_guard lock(owner_.mutex_);
      if (int error = owner_.faultLocked(Op::Close, path_)) return fail(error);
      return true;
    }
    FileFailure failure() const override { return FileFailure{false, std::strerror(error_)}; }

   private:
    bool fail(int error) {
      error_ = error;
      return false;
    }
    FaultyFiles& owner_;
    std::shared_ptr<Node> node_;
    std::string path_;
    std::size_t size_;
    int error_ = 0;
  };

  static bool isMp3(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return tail == ".mp3";
  }
  static bool under(const std::string& path, const std::string& folder) {
    if (folder == "/") return !path.empty() && path[0] == '/';
    return path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
  }
  static std::pair<std::string, std::string> split(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {"/", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
  }
  bool sameName(const std::string& a, const std::string& b) const {
    if (!foldCase) return a == b;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
  }
  void addFolderLocked(const std::string& path) {
    if (folders_.count(path)) return;
    folders_[path];
    if (path == "/") return;
    const auto [parent, name] = split(path);
    addFolderLocked(parent);
    folders_[parent].push_back({name, nullptr});
  }
  Entry* entryLocked(const std::string& path) {
    const auto [folder, name] = split(path);
    const auto f = folders_.find(folder);
    if (f == folders_.end()) return nullptr;
    for (Entry& e : f->second) {
      if (sameName(e.name, name)) return &e;
    }
    return nullptr;
  }
  std::shared_ptr<Node> findLocked(const std::string& path) {
    Entry* e = entryLocked(path);
    return e ? e->node : nullptr;
  }
  std::size_t usedLocked() const {
    std::size_t used = 0;
    for (const auto& [path, entries] : folders_) {
      for (const Entry& e : entries) used += e.node ? e.node->bytes.size() : 0;
    }
    return used;
  }
  // The errno of a fault that hits this call, or 0.
  int faultLocked(Op op, const std::string& path) {
    ++calls_[op];
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
      if (it->op != op || !(it->path.empty() || sameName(it->path, path))) continue;
      const int error = it->error;
      lastPartial_ = it->partial;
      if (it->times > 0 && --it->times == 0) faults_.erase(it);
      return error;
    }
    return 0;
  }
  static bool failed(FileFailure& failure, int error) {
    failure = FileFailure{false, std::strerror(error)};
    return false;
  }
  std::unique_ptr<OpenFile> open(const std::string& path, bool writing, FileFailure& failure) {
    std::lock_guard lock(mutex_);
    if (int error = faultLocked(writing ? Op::OpenWrite : Op::OpenRead, path)) {
      failed(failure, error);
      return nullptr;
    }
    if (folders_.count(path)) {
      // As the system does: a folder opens for reading only, and is then no file.
      if (writing) {
        failed(failure, EISDIR);
      } else {
        failure = FileFailure{true, {}};
      }
      return nullptr;
    }
    std::shared_ptr<Node> found = findLocked(path);
    if (!found) {
      failed(failure, ENOENT);
      return nullptr;
    }
    if (writing && found->readOnly) {
      failed(failure, EACCES);
      return nullptr;
    }
    return std::make_unique<File>(*this, std::move(found), path);
  }

  mutable std::mutex mutex_;
  std::map<std::string, std::vector<Entry>> folders_;  // by folder path
  std::map<std::string, std::vector<Entry>> stash_;    // vanished folders
  std::vector<Fault> faults_;
  std::map<Op, int> calls_;
  std::size_t lastPartial_ = 0;
  std::uint64_t lastId_ = 0;
};

}  // namespace quorvane::testing
