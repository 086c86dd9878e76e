// quorvane: the window program. Edits the ID3 version 1 tags of a folder's MP3 files as
// a sheet.
#include <QApplication>
#include <QIcon>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/display_check.h"
#include "app/window_program.h"
#include "os/posix/file_names.h"
#include "os/posix/posix_file_service.h"
#include "os/posix/shell_opener.h"
#include "tagcodec/code_page.h"
#include "ui/qt/qt_look.h"

namespace {

constexpr const char* kUsage =
    "Usage: quorvane [FOLDER]\n"
    "       quorvane --help | --version\n"
    "\n"
    "Opens the window on FOLDER's MP3 files, sorted by file name; without FOLDER the\n"
    "folder list starts at the current folder and no sheet is loaded.\n"
    "Tag text is read and written in code page 932 unless QUORVANE_CODEPAGE names another\n"
    "iconv encoding.\n"
    "\n"
    "Exit status: 0 after the window closed; 1 no display to show the window on; 2 bad\n"
    "usage, an unknown code page, or a FOLDER that is not a folder.\n";

}  // namespace

int main(int argc, char** argv) {
  const auto started = std::chrono::steady_clock::now();
  // The command line is checked before any window system is reached, so a mistake is
  // reported even without a display.
  const std::string_view first = argc > 1 ? argv[1] : "";
  if (first == "--help" || first == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (first == "--version") {
    std::printf("quorvane %s\n", QUORVANE_VERSION);
    return 0;
  }
  // "--" before FOLDER lets a folder be named "--help".
  const int firstOperand = first == "--" ? 2 : 1;
  const char* folderArgument = argc > firstOperand ? argv[firstOperand] : nullptr;
  if (argc > firstOperand + 1) {
    std::fprintf(stderr, "quorvane: one FOLDER at most\nsee quorvane --help\n");
    return 2;
  }
  std::string error;
  if (!quorvane::initTagCodePage(&error)) {
    std::fprintf(stderr, "quorvane: %s\n", error.c_str());
    return 2;
  }
  quorvane::PosixFileService files;
  const std::string folder = folderArgument ? quorvane::nameFromBytes(folderArgument) : "";
  if (folderArgument && !files.isFolder(folder)) {
    std::fprintf(stderr, "quorvane: %s: not a folder\n", folderArgument);
    return 2;
  }

  if (const std::string problem = quorvane::displayProblem(); !problem.empty()) {
    std::fprintf(stderr, "quorvane: %s\n", problem.c_str());
    return 1;
  }

  // Qt sees no argument of ours, so that a folder named like a Qt option ("-reverse") is
  // still a folder; Qt takes its settings from the environment (QT_QPA_PLATFORM, ...).
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  quorvane::applyLook();
  QIcon icon;
  icon.addFile(QStringLiteral(":/icons/quorvane-16.png"), QSize(16, 16));
  icon.addFile(QStringLiteral(":/icons/quorvane-32.png"), QSize(32, 32));
  QApplication::setWindowIcon(icon);
  QApplication::setApplicationName(QStringLiteral("Quorvane"));
  QApplication::setDesktopFileName(QStringLiteral("quorvane"));

  quorvane::PosixShellOpener shell;
  quorvane::WindowProgram program(shell, files);
  // For the benchmarks: how long a folder takes to show, from start to its rows on screen.
  if (std::getenv("QUORVANE_EXIT_AFTER_FIRST_ROWS")) {
    program.gridView().setFirstRowsPaintedHandler([started] {
      const std::chrono::duration<double, std::milli> took =
          std::chrono::steady_clock::now() - started;
      std::printf("first rows painted after %.1f ms\n", took.count());
      std::fflush(stdout);
      std::_Exit(0);
    });
  }
  program.show();
  if (folderArgument && !program.openFolder(folder)) {
    std::fprintf(stderr, "quorvane: %s: not a folder\n", folderArgument);
    return 2;
  }
  return QApplication::exec();
}
