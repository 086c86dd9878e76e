// quorvane: the window program. Edits the ID3 version 1 tags of a folder's MP3 files as
// a sheet.
#include <QApplication>
#include <QIcon>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/display_check.h"
#include "app/window_arguments.h"
#include "app/window_program.h"
#include "os/posix/file_names.h"
#include "os/posix/posix_file_service.h"
#include "os/posix/shell_opener.h"
#include "tagcodec/code_page.h"
#include "ui/qt/qt_look.h"
#include "ui/qt/qt_message_boxes.h"

namespace {

constexpr const char* kUsage =
    "Usage: quorvane [FOLDER | FILE.mp3]\n"
    "       quorvane --help | --version\n"
    "\n"
    "Opens the window on FOLDER's MP3 files, sorted by file name; an MP3 file opens its\n"
    "folder with the file's row current. Without either the folder list starts at the\n"
    "current folder and no sheet is loaded.\n"
    "Tag text is read and written in code page 932 unless QUORVANE_CODEPAGE names another\n"
    "iconv encoding.\n"
    "\n"
    "Exit status: 0 after the window closed; 1 no display to show the window on; 2 bad\n"
    "usage, an unknown code page, or a path that is neither a folder nor an MP3 file.\n";

// Started from a desktop entry or a file manager, stderr leads to no one who reads it: the
// error is shown in a box as well. TEXT ends with a line break.
bool errorsGoUnread() {
  return ::isatty(STDERR_FILENO) == 0;
}

void showError(const std::string& text) {
  quorvane::MessageBoxRequest box;
  box.text = text.substr(0, text.size() - 1);
  box.title = "Quorvane";
  box.icon = quorvane::MessageIcon::Exclamation;
  quorvane::QtMessageBoxes().show(box);
}

// Before Qt has started: it is started for the box when a display can show one.
int reportError(char* program, const std::string& text, int status) {
  std::fprintf(stderr, "quorvane: %s", text.c_str());
  if (errorsGoUnread() && quorvane::displayProblem().empty()) {
    int qtArgc = 1;
    QApplication app(qtArgc, &program);
    // As the window's: Qt adds a differing application name to the box's title.
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    showError(text);
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const auto started = std::chrono::steady_clock::now();
  // The command line is checked before any window system is reached, so a mistake is
  // reported even without a display.
  const quorvane::WindowArguments args =
      quorvane::parseWindowArguments(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
  switch (args.action) {
    case quorvane::WindowArguments::Action::Help:
      std::fputs(kUsage, stdout);
      return 0;
    case quorvane::WindowArguments::Action::Version:
      std::printf("quorvane %s\n", QUORVANE_VERSION);
      return 0;
    case quorvane::WindowArguments::Action::UsageError:
      return reportError(argv[0], args.error, 2);
    case quorvane::WindowArguments::Action::Open:
      break;
  }
  std::string error;
  if (!quorvane::initTagCodePage(&error)) return reportError(argv[0], error + "\n", 2);
  quorvane::PosixFileService files;
  const std::string path = quorvane::nameFromBytes(args.path);
  const std::string notOpened = args.path + ": not a folder or an MP3 file\n";
  std::optional<quorvane::PathToOpen> open;
  if (!args.path.empty()) {
    open = quorvane::pathToOpen(path, files);
    if (!open) return reportError(argv[0], notOpened, 2);
  }

  if (const std::string problem = quorvane::displayProblem(); !problem.empty()) {
    std::fprintf(stderr, "quorvane: %s\n", problem.c_str());
    return 1;
  }
  // A large folder takes about as long to list as Qt takes to start: both at once.
  if (open) files.listAhead(files.normalizeFolder(open->folder));

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
  // The window is drawn while the folder is still being listed, so that its rows need only
  // their own drawing once read. Input waits for them.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  const bool opened = args.path.empty() || program.window().OpenDroppedPath(path);
  // Whatever the opening did not take would be stale by the next listing.
  files.dropListingAhead();
  if (!opened) {
    // The path went away since it was checked.
    std::fprintf(stderr, "quorvane: %s", notOpened.c_str());
    if (errorsGoUnread()) showError(notOpened);
    return 2;
  }
  return QApplication::exec();
}
