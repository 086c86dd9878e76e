#include "app/window_arguments.h"

namespace quorvane {
namespace {

WindowArguments usageError(const std::string& what) {
  return {WindowArguments::Action::UsageError, "", what + "\nsee quorvane --help\n"};
}

}  // namespace

WindowArguments parseWindowArguments(const std::vector<std::string>& args) {
  WindowArguments parsed;
  bool options = true;
  int paths = 0;
  for (const std::string& arg : args) {
    if (options && arg == "--") {
      options = false;
    } else if (options && (arg == "--help" || arg == "-h")) {
      return {WindowArguments::Action::Help, "", ""};
    } else if (options && arg == "--version") {
      return {WindowArguments::Action::Version, "", ""};
    } else if (options && arg.size() > 1 && arg.front() == '-') {
      return usageError("unknown option: " + arg);
    } else if (++paths > 1) {
      return usageError("one FOLDER at most");
    } else {
      parsed.path = arg;
    }
  }
  return parsed;
}

std::string withTypedBackslash(std::string arg) {
  if (!arg.empty() && arg.back() == '"') arg.back() = '\\';
  return arg;
}

}  // namespace quorvane
