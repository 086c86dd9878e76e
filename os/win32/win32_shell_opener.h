#pragma once

#include "platform/controls.h"

namespace quorvane {

// Opens a file with the program Windows associates with it (the shell's "open"), never
// through a command line, and returns at once; nothing is reported.
class Win32ShellOpener : public ShellOpener {
 public:
  void open(const std::string& folder, const std::string& file) override;
};

}  // namespace quorvane
