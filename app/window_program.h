#pragma once

#include <string>

#include "sheet/main_window.h"
#include "ui/qt/grid_view.h"
#include "ui/qt/qt_form.h"

namespace quorvane {

// The window program put together: the Qt controls, the form over them and the grid view
// over the form's grid, with the window's and the view's events tied to the form's
// handlers. main() and the window tests run the same wiring.
class WindowProgram {
 public:
  WindowProgram(ShellOpener& shell, FileService& files);

  // Form_Load, the designed client size, then the first show (which raises Form_Resize).
  void show();
  // Opens FOLDER in the folder list, as a double click on it would: the sheet loads and
  // sorts. False, with nothing changed, when it is not a folder.
  bool openFolder(const std::string& folder);

  QtForm& form() { return form_; }
  MainWindow& window() { return window_; }
  GridView& gridView() { return gridView_; }

 private:
  QtForm form_;
  MainWindow window_;
  GridView gridView_;
};

}  // namespace quorvane
