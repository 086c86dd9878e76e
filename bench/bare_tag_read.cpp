// The floor for listing a folder's tags: list the folder, then open each MP3 file, read
// its last 128 bytes and close it. Prints how many files held a tag.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bare_tag_read FOLDER\n");
    return 2;
  }
  DIR* dir = ::opendir(argv[1]);
  if (!dir) return 2;
  long tagged = 0;
  const std::string folder = argv[1];
  while (const dirent* entry = ::readdir(dir)) {
    const std::size_t len = std::strlen(entry->d_name);
    if (len < 4 || strcasecmp(entry->d_name + len - 4, ".mp3") != 0) continue;
    const std::string path = folder + "/" + entry->d_name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info {};
    char block[128];
    if (::fstat(fd, &info) == 0 && info.st_size >= 128 &&
        ::pread(fd, block, sizeof block, info.st_size - 128) == 128 &&
        std::memcmp(block, "TAG", 3) == 0) {
      ++tagged;
    }
    ::close(fd);
  }
  ::closedir(dir);
  std::printf("%ld\n", tagged);
  return 0;
}
