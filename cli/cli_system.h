#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_service.h"
#include "tagcodec/tag_block.h"

// What quorvane-tag needs of the system it runs on beyond the file service: its arguments,
// its input and output, and a close look at files for --dry-run. One implementation for
// Linux (cli_system_posix.cpp) and one for Windows (cli_system_win32.cpp).
namespace quorvane::cli {

// The files and folders of this system.
FileService& systemFiles();

// The program's arguments after its name, as text: on Linux from their bytes (file
// names need not be UTF-8), on Windows from UTF-16.
std::vector<std::string> arguments(int argc, char** argv);

// Standard output takes bytes as they are (no line-end translation), and a console shows
// UTF-8 until the program ends.
void prepareOutput();

// Ends the process at once, its output written and the console left as it was found.
[[noreturn]] void endNow(int status);

// Text (a name, a path) as standard error and standard output should carry it: the
// bytes it came from on Linux, WTF-8 on Windows.
std::string forOutput(std::string_view text);

// Reads all of the file at `path` (text), or all of standard input; false, with the
// system's reason in `why`, when it cannot.
bool readWholeFile(const std::string& path, std::string& out, std::string& why);
bool readStandardInput(std::string& out, std::string& why);

// Why `path` cannot serve as the folder, or "" when it can. `notAFolder` tells that it is
// there but is no folder.
std::string folderProblem(const std::string& path, bool& notAFolder);

// A folder entry as a rename or a write would find it.
struct Entry {
  enum class Kind { Present, Absent, Unknown } kind = Kind::Absent;
  std::string problem;  // why it could not be looked at (Unknown)
};
Entry lookUp(const std::string& path);
// Whether the folder of `path` holds an entry named exactly as its last part, not only one
// that a file system which ignores letter case finds under that name.
bool holdsExactName(const std::string& path);

// The writer's checks on the file at `path`, in its order, changing nothing: "" when Save
// would write it (and `tail` holds its last 128 bytes), else why it would not.
std::string writeProblem(const std::string& path, TagBlock& tail);
// Why a rename into `folder` would fail whatever the names; "" when it would not.
std::string folderWriteProblem(const std::string& folder);
// The system's words for a name that is taken and for one that is not there.
std::string describeTaken();
std::string describeMissing();

}  // namespace quorvane::cli
