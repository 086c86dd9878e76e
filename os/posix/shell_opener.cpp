#include "os/posix/shell_opener.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "os/posix/file_names.h"
#include "os/posix/file_system.h"

namespace quorvane {

void PosixShellOpener::open(const std::string& folder, const std::string& file) {
  const char* custom = std::getenv("QUORVANE_OPENER");
  const std::string opener = custom && *custom ? custom : "xdg-open";
  // The full path starts with '/', so the opener never takes the name for an option.
  const std::string path = nameToBytes(fs::joinPath(folder, file));
  const std::string dir = nameToBytes(folder);
  char* const argv[] = {const_cast<char*>(opener.c_str()), const_cast<char*>(path.c_str()),
                        nullptr};

  // Fork twice so the opener is nobody's child here and leaves no zombie behind.
  const pid_t child = ::fork();
  if (child == 0) {
    if (::fork() == 0) {
      ::setsid();
      const int null = ::open("/dev/null", O_RDWR);
      if (null >= 0) ::dup2(null, STDIN_FILENO);
      if (::chdir(dir.c_str()) != 0) {
        // The full path still names the file.
      }
      ::execvp(argv[0], argv);
      ::_exit(127);
    }
    ::_exit(0);
  }
  if (child > 0) ::waitpid(child, nullptr, 0);
}

}  // namespace quorvane
