// The floor for saving a folder's tags: open each MP3 file, write 128 bytes over its last
// 128 and close it.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bare_tag_write FOLDER\n");
    return 2;
  }
  DIR* dir = ::opendir(argv[1]);
  if (!dir) return 2;
  char block[128];
  std::memset(block, ' ', sizeof block);
  std::memcpy(block, "TAG", 3);
  block[127] = 17;
  long written = 0;
  const std::string folder = argv[1];
  while (const dirent* entry = ::readdir(dir)) {
    const std::size_t len = std::strlen(entry->d_name);
    if (len < 4 || strcasecmp(entry->d_name + len - 4, ".mp3") != 0) continue;
    const std::string path = folder + "/" + entry->d_name;
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size >= 128 &&
        ::pwrite(fd, block, sizeof block, info.st_size - 128) == 128) {
      ++written;
    }
    ::close(fd);
  }
  ::closedir(dir);
  std::printf("%ld\n", written);
  return 0;
}
