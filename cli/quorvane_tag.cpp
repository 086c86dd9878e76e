// quorvane-tag: the sheet of a folder as text, run by the window's own code on
// in-memory controls.
#include <clocale>
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/sheet_text.h"
#include "commands/save_rows.h"
#include "os/posix/file_names.h"
#include "os/posix/posix_file_service.h"
#include "sheet/main_window.h"
#include "sheet/sheet_columns.h"
#include "tagcodec/code_page.h"
#include "ui/headless/headless_form.h"

namespace {

// The files and folders of this system, for the sheet and for Save.
quorvane::PosixFileService fileService;

constexpr const char* kUsage =
    "Usage: quorvane-tag list [--bom] FOLDER\n"
    "       quorvane-tag apply FOLDER [FILE]\n"
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
    "             and named on stderr. With --bom the output starts with a UTF-8\n"
    "             byte-order mark, which spreadsheet programs want in order to read\n"
    "             UTF-8 text.\n"
    "\n"
    "apply FOLDER [FILE]\n"
    "             Reads rows in the form that list prints from FILE (or standard\n"
    "             input) and saves them as the window's Save does: every row whose\n"
    "             state (cell 9) is 2 is written into the file named by cell 8 (the\n"
    "             name as loaded): title, artist, album, year and comment from cells\n"
    "             2-6, genre from cell 10; the file is renamed to cell 1 when that\n"
    "             differs. Rows with state 1 are left alone; cell 7 is not read.\n"
    "             Every line is checked first (ten cells, state 1 or 2, genre 0-255,\n"
    "             UTF-8); any bad line is reported and nothing is written. A UTF-8\n"
    "             byte-order mark and CRLF line ends are accepted.\n"
    "\n"
    "Exit status: 0 success; 1 some file could not be written or renamed (the others\n"
    "were); 2 bad usage, bad input, or a folder that cannot be read.\n";

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

int list(const char* folderArgument, bool byteOrderMark) {
  const std::string folder = quorvane::nameFromBytes(folderArgument);
  if (!fileService.isFolder(folder)) {
    std::fprintf(stderr, "quorvane-tag: %s: not a folder\n", folderArgument);
    return 2;
  }
  quorvane::HeadlessForm form(fileService);
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
  if (byteOrderMark) std::fputs("\xEF\xBB\xBF", stdout);
  printRows(window.MSFlexGrid1());
  return std::fflush(stdout) == 0 ? 0 : 1;
}

// Save reports a file it cannot write in a message box; here that is a few lines on stderr.
class StderrMessages : public quorvane::MessageBoxes {
 public:
  quorvane::MessageAnswer show(const quorvane::MessageBoxRequest& box) override {
    std::string text;
    for (char c : box.text) {
      if (c != '\r') text += c;  // the box's CR LF line breaks become plain LF
    }
    std::fprintf(stderr, "quorvane-tag: %s\n%s\n", box.title.c_str(),
                 quorvane::nameToBytes(text).c_str());
    ++failures;
    return box.defaultButton;
  }
  int failures = 0;
};

bool readAll(std::FILE* in, std::string& out) {
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) out.append(buffer, n);
  return !std::ferror(in);
}

int apply(const char* folderArgument, const char* fileArgument) {
  const std::string folder = fileService.normalizeFolder(quorvane::nameFromBytes(folderArgument));
  if (!fileService.isFolder(folder)) {
    std::fprintf(stderr, "quorvane-tag: %s: not a folder\n", folderArgument);
    return 2;
  }
  std::string input;
  if (fileArgument) {
    std::FILE* in = std::fopen(fileArgument, "rb");
    if (!in || !readAll(in, input)) {
      std::fprintf(stderr, "quorvane-tag: %s: cannot read\n", fileArgument);
      if (in) std::fclose(in);
      return 2;
    }
    std::fclose(in);
  } else if (!readAll(stdin, input)) {
    std::fprintf(stderr, "quorvane-tag: cannot read standard input\n");
    return 2;
  }
  const quorvane::SheetText sheet = quorvane::parseSheetText(input);
  if (!sheet.errors.empty()) {
    for (const auto& error : sheet.errors)
      std::fprintf(stderr, "quorvane-tag: %s\n", error.c_str());
    std::fprintf(stderr, "quorvane-tag: nothing was written\n");
    return 2;
  }
  quorvane::FlexGrid grid;
  grid.setCols(quorvane::kSheetCols);
  grid.setRedraw(false);
  for (const auto& row : sheet.rows) grid.AddItem(row);
  StderrMessages messages;
  quorvane::saveChangedRows(grid, folder, messages, fileService);
  return messages.failures > 0 ? 1 : 0;
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
    const bool bom = argc == 4 && std::string_view(argv[2]) == "--bom";
    if (argc != 3 && !bom) return usageError("list takes [--bom] and one FOLDER");
    return list(argv[bom ? 3 : 2], bom);
  }
  if (command == "apply") {
    if (argc != 3 && argc != 4) return usageError("apply takes FOLDER and an optional FILE");
    return apply(argv[2], argc == 4 ? argv[3] : nullptr);
  }
  if (command.empty()) return usageError("no command given");
  return usageError(("unknown command: " + std::string(command)).c_str());
}
