// quorvane-tag: the sheet of a folder as text, run by the window's own code on
// in-memory controls.
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_system.h"
#include "cli/row_warnings.h"
#include "cli/save_preview.h"
#include "cli/sheet_encoding.h"
#include "cli/sheet_text.h"
#include "commands/save_rows.h"
#include "sheet/main_window.h"
#include "sheet/sheet_columns.h"
#include "tagcodec/code_page.h"
#include "tagcodec/file_ends.h"
#include "tagcodec/file_state.h"
#include "ui/headless/headless_form.h"

namespace {

// The files and folders of this system, for the sheet and for Save.
quorvane::FileService& fileService = quorvane::cli::systemFiles();

constexpr const char* kUsage =
    "Usage: quorvane-tag list [--bom] [--csv] FOLDER\n"
    "       quorvane-tag apply [--dry-run] [--force] [--csv | --tsv] [--encoding NAME]\n"
    "                          FOLDER [FILE]\n"
    "       quorvane-tag --help | --version\n"
    "\n"
    "list FOLDER  Prints the sheet of FOLDER's MP3 files (names ending in .mp3 in any\n"
    "             letter case), sorted by file name: one line per file, eleven cells\n"
    "             separated by one TAB, in UTF-8:\n"
    "               name, title, artist, album, year, comment, genre name,\n"
    "               name as loaded, state (1), genre number (0-255), fingerprint\n"
    "             The fingerprint stands for the file as it was listed (its length and\n"
    "             the bytes of its tag); its form is for quorvane-tag alone.\n"
    "             Title, artist and album are shown without surrounding spaces; year\n"
    "             and comment as stored. Tag text is read in code page 932 unless\n"
    "             QUORVANE_CODEPAGE names another iconv encoding; bytes that do not\n"
    "             decode are kept as the characters U+10FE00 + byte. A TAB, CR or LF in\n"
    "             tag text is shown as a space (and written back so from a row marked\n"
    "             2); a file whose name holds one, and a file that cannot be read, is\n"
    "             left out and named on stderr. A cell that begins with a double quote\n"
    "             is written as spreadsheet programs write it: between double quotes,\n"
    "             its own quotes doubled (\"a\" b becomes \"\"\"a\"\" b\").\n"
    "  --bom      Starts the output with a UTF-8 byte-order mark, which spreadsheet\n"
    "             programs want in order to read UTF-8 text (and to open a CSV file\n"
    "             as UTF-8 when it is double-clicked).\n"
    "  --csv      Separates the cells by commas, lines by CR LF (RFC 4180): a cell\n"
    "             holding a comma, a double quote, CR or LF is written between double\n"
    "             quotes, its own quotes doubled.\n"
    "\n"
    "apply FOLDER [FILE]\n"
    "             Reads rows in the form that list prints from FILE (or standard\n"
    "             input) and saves them as the window's Save does: every row whose\n"
    "             state (cell 9) is 2 is written into the file named by cell 8 (the\n"
    "             name as loaded): title, artist, album, year and comment from cells\n"
    "             2-6, genre from cell 10; the file is renamed to cell 1 when that\n"
    "             differs. Rows with state 1 are left alone; cell 7 is not read.\n"
    "             Every line is checked first (ten cells, or eleven with the\n"
    "             fingerprint, state 1 or 2, genre 0-255, plain file names of\n"
    "             FOLDER: no '/', and on Windows no '\\' or ':' either);\n"
    "             any bad line is reported and nothing is written. The input is\n"
    "             UTF-8, or UTF-16 when it starts with a UTF-16 byte-order mark\n"
    "             (spreadsheet programs' \"Unicode text\"); a byte-order mark and CRLF\n"
    "             line ends are accepted. Cells are separated by TAB, or by commas\n"
    "             (CSV) when the first row splits into 10 or 11 cells at commas and\n"
    "             not at TABs.\n"
    "             A cell that begins with a double quote is read as spreadsheet\n"
    "             programs write one: to the quote that is followed by the separator\n"
    "             or the line's end, over TABs, commas and line breaks, its doubled\n"
    "             quotes read as one; any other cell as it stands. A TAB, CR or LF\n"
    "             read so into a tag cell becomes a space, with a warning; in a file\n"
    "             name (cells 1 and 8) it is an error. A quote that is never closed\n"
    "             is an error naming the line where its cell begins (unless its line,\n"
    "             read as it stands, is a whole row). Messages name the line where\n"
    "             the row begins.\n"
    "             A text longer than its field in the code page (30 bytes; the year 4)\n"
    "             is cut as Save cuts it, and each cut is reported on stderr:\n"
    "               line 3, cell 2 (title): 34 bytes in CP932, cut to 30\n"
    "             A tag cell that differs from the file's text only as a spreadsheet\n"
    "             program changes what it reads as a number or a formula (leading\n"
    "             zeros gone, trailing spaces cut, a number written otherwise, a\n"
    "             formula's result) is reported too:\n"
    "               line 3, cell 5 (year): \"1\", the file has \"0001\": the\n"
    "               spreadsheet may have read it as a number\n"
    "             Only rows marked 2 are reported; the rows are still written as they\n"
    "             stand, and the exit status does not change.\n"
    "             A row with a fingerprint whose file has changed since it was listed\n"
    "             (another program retagged or replaced it) is not written, and is\n"
    "             reported with its line; the other rows are.\n"
    "  --force    Writes such rows all the same.\n"
    "  --csv, --tsv\n"
    "             Reads the cells as separated by commas, or by TAB, whatever the\n"
    "             first row looks like.\n"
    "  --encoding NAME\n"
    "             Reads the input in the iconv encoding NAME (iconv --list shows the\n"
    "             names), for example CP932, the plain text and CSV of Japanese\n"
    "             spreadsheet programs; the names of Shift_JIS read as CP932. Input\n"
    "             that does not decode is one error naming its first bad line.\n"
    "  --dry-run  Checks every line and prints what Save would do, writing nothing:\n"
    "               a.mp3: title \"Old\" -> \"New\"\n"
    "               a.mp3: genre 12 (Other) -> 17 (Rock)\n"
    "               a.mp3: renamed to b.mp3\n"
    "               b.mp3: no change\n"
    "               c.mp3: tag added (the file has none): title \"New\", ...\n"
    "               d.mp3: cannot be written: Permission denied\n"
    "               z.mp3: title \"Peer\", artist \"\" (its zero-byte padding becomes\n"
    "               spaces)\n"
    "             one line for each tag field whose text would change (texts as the\n"
    "             code page reads them, with the trailing spaces that stand before a\n"
    "             zero byte, without the spaces that pad a field), each rename, and\n"
    "             each file that could not be written or renamed; the fields of a\n"
    "             file whose text stays while its zero-byte padding becomes spaces\n"
    "             share one line. The exit status is the one apply would give.\n"
    "\n"
    "Exit status: 0 success; 1 some file could not be written or renamed, or had\n"
    "changed since it was listed (the others were written), or could not be read by\n"
    "list (the others were listed), or the output could not be written; 2 bad usage,\n"
    "bad input, or a folder or FILE that cannot be read.\n";

// Two short lines: what is wrong, and where the whole usage is.
int usageError(const std::string& message) {
  std::fprintf(stderr, "quorvane-tag: %s\nsee quorvane-tag --help\n", message.c_str());
  return 2;
}

// "quorvane-tag: PATH: WHAT: WHY", the path as the user gave it.
int fileError(const std::string& path, std::string_view what, const std::string& why) {
  std::fprintf(stderr, "quorvane-tag: %s: %.*s: %s\n", quorvane::cli::forOutput(path).c_str(),
               static_cast<int>(what.size()), what.data(), why.c_str());
  return 2;
}

// Reports why `path` (as given) cannot be used as the folder; true when it can.
bool checkFolder(const std::string& path) {
  bool notAFolder = false;
  const std::string problem = quorvane::cli::folderProblem(path, notAFolder);
  if (problem.empty()) return true;
  if (notAFolder) {
    std::fprintf(stderr, "quorvane-tag: %s: not a folder\n", quorvane::cli::forOutput(path).c_str());
  } else {
    fileError(path, "cannot open the folder", problem);
  }
  return false;
}

// Writes `out` to standard output; false with errno set when it could not.
bool writeOut(std::string_view out) {
  return std::fwrite(out.data(), 1, out.size(), stdout) == out.size();
}

// The sheet's rows, each with an eleventh cell: the state its file was listed in. Cells are
// separated by TAB, or by commas with CR LF line ends as RFC 4180 has them.
bool printRows(const quorvane::MainWindow& window, bool commas) {
  const quorvane::FlexGrid& grid = window.MSFlexGrid1();
  const char separator = commas ? ',' : '\t';
  // Written out in pieces small enough that the same few pages of memory carry them all:
  // fresh memory is slow to come by on some systems.
  constexpr std::size_t kPiece = std::size_t{128} << 10;
  std::string out;
  out.reserve(kPiece);
  for (int r = 1; r < grid.Rows(); ++r) {
    quorvane::appendRow(out, grid.rowCells(r), quorvane::kSheetCols, separator);
    const quorvane::FileState* state = window.loadedStateOfRow(r);
    out += separator;
    (state ? *state : quorvane::FileState()).appendText(out);
    out += commas ? "\r\n" : "\n";
    if (out.size() > kPiece - 4096) {
      if (!writeOut(out)) return false;
      out.clear();
    }
  }
  return writeOut(out) && std::fflush(stdout) == 0;
}

int list(const std::string& folderArgument, bool byteOrderMark, bool commas) {
  if (!checkFolder(folderArgument)) return 2;
  const std::string& folder = folderArgument;
  quorvane::HeadlessForm form(fileService);
  quorvane::MainWindow window(form.controls());
  window.Form_Load();
  window.Form_Resize();
  // Open the folder as the folder list does: its change event loads and sorts the sheet.
  form.Dir1.setPath(folder);
  if (!form.File1.readOk()) {
    return fileError(folderArgument, "cannot list the folder", form.File1.readError());
  }
  for (const auto& name : window.unlistedNames()) {
    std::fprintf(stderr, "quorvane-tag: left out (its name holds a tab or line break): %s\n",
                 quorvane::cli::forOutput(name).c_str());
  }
  // A file that could not be read has no row: an empty one would pass for an untagged file.
  for (const auto& unread : window.unreadFiles()) {
    std::fprintf(stderr, "quorvane-tag: left out (cannot be read): %s: %s\n",
                 quorvane::cli::forOutput(unread.name).c_str(),
                 unread.failure.notRegularFile ? "not a regular file"
                                               : unread.failure.description.c_str());
  }
  if ((byteOrderMark && !writeOut("\xEF\xBB\xBF")) || !printRows(window, commas)) {
    fileError("standard output", "cannot write", std::strerror(errno));
    return 1;
  }
  // The sheet of a large folder takes a while to take apart, and nothing is left to do:
  // the process ends here, its output written.
  quorvane::cli::endNow(window.unreadFiles().empty() ? 0 : 1);
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
                 quorvane::cli::forOutput(text).c_str());
    ++failures;
    return box.defaultButton;
  }
  int failures = 0;
};

// The rows marked changed are `changedRows` (indexes into `rows`), their files as read now
// `ends`. Those whose file is no longer in the state it was listed in are not written: each
// is reported with its line and left out of `rows` (marked unchanged). Returns how many.
int leaveOutChangedFiles(std::vector<quorvane::SheetRow>& rows,
                         const std::vector<std::size_t>& changedRows,
                         const std::vector<quorvane::FileEnd>& ends, bool dryRun) {
  int changed = 0;
  for (std::size_t k = 0; k < changedRows.size(); ++k) {
    quorvane::SheetRow& row = rows[changedRows[k]];
    if (!row.listedState) continue;
    if (quorvane::fileStateOf(ends[k]) == *row.listedState) continue;
    const std::string name = quorvane::cli::forOutput(row.cells[quorvane::colOrigName]);
    if (dryRun) {
      std::printf("%s: changed since it was listed: not written (--force writes it)\n",
                  name.c_str());
    } else {
      std::fprintf(stderr,
                   "quorvane-tag: line %zu: %s has changed since it was listed; not written "
                   "(--force writes it anyway)\n",
                   row.line, name.c_str());
    }
    row.cells[quorvane::colState] = quorvane::kStateLoaded;
    ++changed;
  }
  return changed;
}

int apply(const std::string& folderArgument, const std::string* fileArgument,
          const std::string& encoding, quorvane::SheetFormat format, bool dryRun, bool force) {
  if (!checkFolder(folderArgument)) return 2;
  const std::string folder = fileService.normalizeFolder(folderArgument);
  std::string input, why;
  if (fileArgument) {
    if (!quorvane::cli::readWholeFile(*fileArgument, input, why)) {
      return fileError(*fileArgument, "cannot read", why);
    }
  } else if (!quorvane::cli::readStandardInput(input, why)) {
    return fileError("standard input", "cannot read", why);
  }
  quorvane::SheetText sheet = quorvane::parseSheetText(
      input, encoding, [](std::string_view name) { return fileService.isPlainName(name); }, format);
  if (!sheet.errors.empty()) {
    for (const auto& error : sheet.errors) {
      std::fprintf(stderr, "quorvane-tag: %s\n", error.c_str());
    }
    std::fprintf(stderr, "quorvane-tag: nothing was written\n");
    return 2;
  }
  // The files of the rows marked changed, read once and many at a time, for the warnings and
  // for the check that none has changed since it was listed.
  std::vector<std::size_t> changedRows;
  std::vector<std::string> changedNames;
  for (std::size_t i = 0; i < sheet.rows.size(); ++i) {
    if (sheet.rows[i].cells[quorvane::colState] != quorvane::kStateChanged) continue;
    changedRows.push_back(i);
    changedNames.push_back(sheet.rows[i].cells[quorvane::colOrigName]);
  }
  std::vector<quorvane::FileEnd> ends;
  quorvane::readFileEnds(folder, changedNames, fileService, ends, [](std::size_t, std::size_t) {});
  // What Save will write otherwise than the cells say (cut, spaced), and what a spreadsheet
  // program may have changed on its own: warnings, since the rows are written all the same.
  for (std::size_t k = 0; k < changedRows.size(); ++k) {
    const quorvane::FileEnd& end = ends[k];
    for (const std::string& warning :
         quorvane::rowWarnings(sheet.rows[changedRows[k]], end.hasTag() ? &end.tail : nullptr)) {
      std::fprintf(stderr, "quorvane-tag: %s\n", warning.c_str());
    }
  }
  const int changedFiles =
      force ? 0 : leaveOutChangedFiles(sheet.rows, changedRows, ends, dryRun);
  if (dryRun) {
    const quorvane::SavePreview preview = quorvane::previewSave(sheet.rows, folder);
    std::string out;
    for (const std::string& line : preview.lines) out.append(line).append("\n");
    if (!writeOut(out) || std::fflush(stdout) != 0) {
      fileError("standard output", "cannot write", std::strerror(errno));
      return 1;
    }
    return preview.failures + changedFiles > 0 ? 1 : 0;
  }
  quorvane::FlexGrid grid;
  grid.setCols(quorvane::kSheetCols);
  grid.setRedraw(false);
  for (const quorvane::SheetRow& row : sheet.rows) {
    std::vector<std::string_view> cells(row.cells.begin(), row.cells.end());
    grid.AddItemCells(cells);
  }
  StderrMessages messages;
  // A file changed between the check above and its write is still not written over.
  std::map<std::string, quorvane::FileState> listed;
  for (const quorvane::SheetRow& row : sheet.rows) {
    if (row.listedState && !force) listed[row.cells[quorvane::colOrigName]] = *row.listedState;
  }
  quorvane::saveChangedRows(grid, folder, messages, fileService,
                            [&listed](int, const std::string& name) -> const quorvane::FileState* {
                              const auto found = listed.find(name);
                              return found == listed.end() ? nullptr : &found->second;
                            });
  return messages.failures + changedFiles > 0 ? 1 : 0;
}

// The options and operands after the command. "--" ends the options, so that a folder
// or file whose name starts with "--" can still be named.
struct Arguments {
  std::vector<std::string> operands;
  bool byteOrderMark = false;
  quorvane::SheetFormat format = quorvane::SheetFormat::Detect;  // --csv, --tsv
  std::string encoding;  // "" when not given
  bool dryRun = false;
  bool force = false;
  bool help = false;
};

// `texts` are the arguments after the program's name, the command first. Returns the
// usage error, or "" when the arguments are well-formed.
std::string parseArguments(const std::vector<std::string>& texts, Arguments& args) {
  const std::string_view command = texts.front();
  bool options = true;
  for (std::size_t i = 1; i < texts.size(); ++i) {
    const std::string_view arg = texts[i];
    if (!options || arg.size() < 2 || arg.substr(0, 2) != "--") {
      args.operands.push_back(texts[i]);
    } else if (arg == "--") {
      options = false;
    } else if (arg == "--help") {
      args.help = true;
    } else if (command == "list" && arg == "--bom") {
      args.byteOrderMark = true;
    } else if (arg == "--csv" || (command == "apply" && arg == "--tsv")) {
      const auto format =
          arg == "--csv" ? quorvane::SheetFormat::Commas : quorvane::SheetFormat::Tabs;
      if (args.format != quorvane::SheetFormat::Detect && args.format != format) {
        return "--csv and --tsv cannot be given together";
      }
      args.format = format;
    } else if (command == "apply" && arg == "--dry-run") {
      args.dryRun = true;
    } else if (command == "apply" && arg == "--force") {
      args.force = true;
    } else if (command == "apply" && (arg == "--encoding" || arg.starts_with("--encoding="))) {
      if (arg == "--encoding" && ++i == texts.size()) return "--encoding needs an encoding name";
      args.encoding = arg == "--encoding" ? texts[i] : std::string(arg.substr(arg.find('=') + 1));
      if (args.encoding.empty()) return "--encoding needs an encoding name";
    } else {
      return std::string(command) + ": unknown option: " + quorvane::cli::forOutput(arg);
    }
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  quorvane::cli::prepareOutput();
  const std::vector<std::string> texts = quorvane::cli::arguments(argc, argv);
  const std::string command = texts.empty() ? "" : texts.front();
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "--version") {
    std::printf("quorvane-tag %s\n", QUORVANE_VERSION);
    return 0;
  }
  if (command.empty()) return usageError("no command given");
  if (command != "list" && command != "apply") {
    return usageError("unknown command: " + quorvane::cli::forOutput(command));
  }
  Arguments args;
  if (const std::string error = parseArguments(texts, args); !error.empty()) {
    return usageError(error);
  }
  if (args.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  const std::size_t operands = args.operands.size();
  if (command == "list" && operands != 1) return usageError("list takes one FOLDER");
  if (command == "apply" && operands != 1 && operands != 2) {
    return usageError("apply takes a FOLDER and an optional FILE");
  }
  std::string error;
  if (!quorvane::initTagCodePage(&error)) {
    std::fprintf(stderr, "quorvane-tag: %s\n", error.c_str());
    return 2;
  }
  if (command == "list") {
    return list(args.operands[0], args.byteOrderMark, args.format == quorvane::SheetFormat::Commas);
  }
  if (!args.encoding.empty() && !quorvane::knownEncoding(args.encoding)) {
    std::fprintf(stderr, "quorvane-tag: unknown encoding: %s (iconv --list shows the names)\n",
                 args.encoding.c_str());
    return 2;
  }
  return apply(args.operands[0], operands == 2 ? &args.operands[1] : nullptr, args.encoding,
               args.format, args.dryRun, args.force);
}
