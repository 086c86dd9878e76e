#pragma once

#include <string>

#include "platform/controls.h"

namespace quorvane {

// Opens a file with the desktop's opener (xdg-open, or the program named by
// QUORVANE_OPENER), started with an argument vector and never through a shell, so a name
// like "$(touch x).mp3" or "-x.mp3" is opened as itself. Returns at once; the opener runs
// detached and nothing is reported.
class PosixShellOpener : public ShellOpener {
 public:
  void open(const std::string& folder, const std::string& file) override;
};

}  // namespace quorvane
