#include "app/display_check.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace quorvane {
namespace {

// Whether a local X server listens on its socket, the file one or its abstract twin, as
// the system's table of sockets shows. Not by connecting: an X server started to serve one
// program (Xvnc -terminate, say) ends when its first client leaves again.
bool localDisplayListens(const std::string& number, int& error) {
  const std::string path = "/tmp/.X11-unix/X" + number;
  std::FILE* table = std::fopen("/proc/net/unix", "r");
  if (!table) {
    error = errno;
    return true;  // no way to tell: Qt will say
  }
  char line[512];
  bool found = false;
  while (!found && std::fgets(line, sizeof line, table)) {
    std::string_view entry(line);
    while (!entry.empty() && (entry.back() == '\n' || entry.back() == ' ')) entry.remove_suffix(1);
    const std::size_t space = entry.rfind(' ');
    if (space == std::string_view::npos) continue;
    std::string_view name = entry.substr(space + 1);
    if (!name.empty() && name.front() == '@') name.remove_prefix(1);
    found = name == path;
  }
  std::fclose(table);
  error = ENOENT;
  return found;
}

bool remoteDisplayAnswers(const std::string& host, const std::string& number, int& error) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(6000 + std::atoi(number.c_str()));
  if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) {
    error = EHOSTUNREACH;
    return false;
  }
  bool answered = false;
  for (addrinfo* at = found; at && !answered; at = at->ai_next) {
    const int fd = ::socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC, at->ai_protocol);
    if (fd < 0) continue;
    answered = ::connect(fd, at->ai_addr, at->ai_addrlen) == 0;
    error = errno;
    ::close(fd);
  }
  ::freeaddrinfo(found);
  return answered;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

std::string displayProblem() {
  const std::string platform = environment("QT_QPA_PLATFORM");
  const std::string display = environment("DISPLAY");
  const bool wayland = !environment("WAYLAND_DISPLAY").empty();
  // Another platform (offscreen, vnc, wayland) is Qt's business.
  if (!platform.empty() && platform.rfind("xcb", 0) != 0) return {};
  if (display.empty()) {
    if (wayland && platform.empty()) return {};
    return "no display to show the window on: DISPLAY is not set";
  }
  // [host]:number[.screen]
  const std::size_t colon = display.rfind(':');
  if (colon == std::string::npos) return "DISPLAY=" + display + " does not name a display";
  const std::string host = display.substr(0, colon);
  std::string number = display.substr(colon + 1);
  number = number.substr(0, number.find('.'));
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
    return "DISPLAY=" + display + " does not name a display";
  }
  int error = 0;
  const bool local = host.empty() || host == "unix";
  if (local ? localDisplayListens(number, error) : remoteDisplayAnswers(host, number, error)) {
    return {};
  }
  return "the display DISPLAY=" + display + " does not answer (" + std::strerror(error) + ")";
}

}  // namespace quorvane
