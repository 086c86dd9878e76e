// quorvane-tag: the sheet of a folder as text, run by the window's own code on
// in-memory controls.
#include <clocale>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/headless/headless_form.h"
#include "platform/posix/file_system.h"
#include "sheet/main_window.h"
#include "sheet/sheet_columns.h"
#include "tagcodec/code_page.h"
#include "tagcodec/file_names.h"

namespace {

constexpr const char* kUsage =
    "Usage: quorvane-tag list FOLDER\n"
    "       quorvane-tag --help\n"
    "\n"
    "list FOLDER  Prints the sheet of FOLDER's MP3 files (names ending in .mp3 in any\n"
    "             letter case), sorted by file name: one line per file, ten cells\n"
    "             separated by one TAB, in UTF-8:\n"
    "               name, title, artist, album, year, comment, genre name,\n"
    "               name as loaded, state (1), genre number (0-255)\n"
    "             Title, artist and album are shown without surrounding spaces; year\n"
    "             and comment as stored. Tag text is read in code page 932 unless\n"
    "             QUORVANE_CODEPAGE names another iconv encoding; bytes that do not\n"
    "             decode are kept as the characters U+10FE00 + byte. A TAB, CR or LF in\n"
    "             tag text is shown as a space; a file whose name holds one is left out\n"
    "             and named on stderr.\n"
    "\n"
    "Exit status: 0 success, 2 bad usage or a folder that cannot be read.\n";

int usageError(const char* message) {
  std::fprintf(stderr, "quorvane-tag: %s\n%s", message, kUsage);
  return 2;
}

void printRows(const quorvane::FlexGrid& grid) {
  std::string out;
  out.reserve(1 << 20);
  for (int r = 1; r < grid.Rows(); ++r) {
    for (int c = 0; c < quorvane::kSheetCols; ++c) {
      if (c > 0) out += '\t';
      out += grid.textAt(r, c);
    }
    out += '\n';
    if (out.size() > (1 << 20) - 4096) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
}

int list(const char* folderArgument) {
  const std::string folder = quorvane::nameFromBytes(folderArgument);
  if (!quorvane::fs::isFolder(folder)) {
    std::fprintf(stderr, "quorvane-tag: %s: not a folder\n", folderArgument);
    return 2;
  }
  quorvane::HeadlessForm form;
  quorvane::MainWindow window(form.controls());
  window.Form_Load();
  window.Form_Resize();
  // Open the folder as the folder list does: its change event loads and sorts the sheet.
  form.Dir1.setPath(folder);
  if (!form.File1.readOk()) {
    std::fprintf(stderr, "quorvane-tag: %s: cannot list the folder\n", folderArgument);
    return 2;
  }
  for (const auto& name : window.unlistedNames()) {
    std::fprintf(stderr, "quorvane-tag: left out (its name holds a tab or line break): %s\n",
                 quorvane::nameToBytes(name).c_str());
  }
  printRows(window.MSFlexGrid1());
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  const std::string_view command = argc > 1 ? argv[1] : "";
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::string error;
  if (!quorvane::initTagCodePage(&error)) {
    std::fprintf(stderr, "quorvane-tag: %s\n", error.c_str());
    return 2;
  }
  if (command == "list") {
    if (argc != 3) return usageError("list takes one FOLDER");
    return list(argv[2]);
  }
  if (command.empty()) return usageError("no command given");
  return usageError(("unknown command: " + std::string(command)).c_str());
}
