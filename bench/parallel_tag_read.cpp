// The floor for listing a folder's tags with several requests in flight: list the folder,
// then open each MP3 file, read its last 128 bytes and close it, spread over THREADS
// threads (8 unless given). Prints how many files held a tag.
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
#include <thread>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: parallel_tag_read FOLDER [THREADS]\n");
    return 2;
  }
  const int threads = argc == 3 ? std::atoi(argv[2]) : 8;
  DIR* dir = ::opendir(argv[1]);
  if (!dir || threads < 1) return 2;
  const std::string folder = argv[1];
  std::vector<std::string> paths;
  while (const dirent* entry = ::readdir(dir)) {
    const std::size_t len = std::strlen(entry->d_name);
    if (len < 4 || strcasecmp(entry->d_name + len - 4, ".mp3") != 0) continue;
    paths.push_back(folder + "/" + entry->d_name);
  }
  ::closedir(dir);

  std::atomic<std::size_t> next{0};
  std::atomic<long> tagged{0};
  const auto reader = [&] {
    long found = 0;
    for (std::size_t i; (i = next.fetch_add(1)) < paths.size();) {
      const int fd = ::open(paths[i].c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;
      struct stat info {};
      char block[128];
      if (::fstat(fd, &info) == 0 && info.st_size >= 128 &&
          ::pread(fd, block, sizeof block, info.st_size - 128) == 128 &&
          std::memcmp(block, "TAG", 3) == 0) {
        ++found;
      }
      ::close(fd);
    }
    tagged += found;
  };
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) pool.emplace_back(reader);
  for (std::thread& thread : pool) thread.join();
  std::printf("%ld\n", tagged.load());
  return 0;
}
