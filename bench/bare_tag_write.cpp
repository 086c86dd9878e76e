// The floor for saving a folder's tags: open each MP3 file, write 128 bytes over its last
// 128 and close it. With --syncfs, one syncfs of the folder's file system follows; with
// --fdatasync N, each file is opened again and flushed, on N threads (the same work as a
// durable save, without its checks).
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 3 && std::string_view(argv[2]) == "--syncfs") &&
      !(argc == 4 && std::string_view(argv[2]) == "--fdatasync")) {
    std::fprintf(stderr, "usage: bare_tag_write FOLDER [--syncfs | --fdatasync THREADS]\n");
    return 2;
  }
  DIR* dir = ::opendir(argv[1]);
  if (!dir) return 2;
  char block[128];
  std::memset(block, ' ', sizeof block);
  std::memcpy(block, "TAG", 3);
  block[127] = 17;
  const std::string folder = argv[1];
  std::vector<std::string> written;
  while (const dirent* entry = ::readdir(dir)) {
    const std::size_t len = std::strlen(entry->d_name);
    if (len < 4 || strcasecmp(entry->d_name + len - 4, ".mp3") != 0) continue;
    const std::string path = folder + "/" + entry->d_name;
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size >= 128 &&
        ::pwrite(fd, block, sizeof block, info.st_size - 128) == 128) {
      written.push_back(path);
    }
    ::close(fd);
  }
  ::closedir(dir);
  if (argc == 3) {
    const int fd = ::open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::syncfs(fd) != 0) return 1;
    ::close(fd);
  } else if (argc == 4) {
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> flushers;
    for (int t = 0; t < std::atoi(argv[3]); ++t) {
      flushers.emplace_back([&] {
        for (std::size_t i; (i = next++) < written.size();) {
          const int fd = ::open(written[i].c_str(), O_RDWR | O_CLOEXEC);
          if (fd >= 0) ::fdatasync(fd), ::close(fd);
        }
      });
    }
    for (std::thread& flusher : flushers) flusher.join();
  }
  std::printf("%zu\n", written.size());
  return 0;
}
