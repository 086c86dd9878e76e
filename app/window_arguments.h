#pragma once

#include <string>
#include <vector>

namespace quorvane {

// What the window program's command line asks for, the same on Linux and Windows.
struct WindowArguments {
  enum class Action { Open, Help, Version, UsageError };
  Action action = Action::Open;
  std::string path;   // the FOLDER or MP3 file to open; empty for none
  std::string error;  // with UsageError: what is wrong (its lines end with "\n")
};

// Reads the arguments after the program's name. --help (-h) and --version act at once; any
// other argument that starts with a dash is an unknown option; "--" ends the options, so
// that a folder may be named "--help". One path at most.
WindowArguments parseWindowArguments(const std::vector<std::string>& args);

// Windows reads a backslash before a double quote as a quote inside the argument, so
// `"D:\"` arrives as `D:"`. No Windows name holds a double quote: a trailing one is put back
// as the backslash it was typed as.
std::string withTypedBackslash(std::string arg);

}  // namespace quorvane
