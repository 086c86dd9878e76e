#pragma once

#include <string>

namespace quorvane {

// Whether Qt will find a display to show the window on: an X display named by DISPLAY
// that answers, or a Wayland one, or a platform chosen with QT_QPA_PLATFORM that needs
// none. Returns what is wrong, or "" when there is nothing to say. Checked before Qt
// starts, which otherwise ends the program with an abort and a puzzling message.
std::string displayProblem();

}  // namespace quorvane
