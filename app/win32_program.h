#pragma once

#include <windows.h>

#include <string>

#include "sheet/main_window.h"
#include "ui/win32/win32_form.h"
#include "ui/win32/win32_grid_view.h"

namespace quorvane {

// The Windows window program put together: the native controls, the form over them and the
// grid view over the form's grid, with the window's and the view's events tied to the
// form's handlers, Ctrl+S, Ctrl+Q, F5 and Ctrl+T wherever the focus is, the sheet's context
// menu, and the message loop.
class Win32Program {
 public:
  Win32Program(ShellOpener& shell, FileService& files);
  ~Win32Program();
  Win32Program(const Win32Program&) = delete;
  Win32Program& operator=(const Win32Program&) = delete;

  // Form_Load, then the first show at the designed client size (which raises Form_Resize).
  void show(int showCommand);
  // Opens FOLDER in the folder list, as a double click on it would: the sheet loads and
  // sorts. False, with nothing changed, when it is not a folder.
  bool openFolder(const std::string& folder);
  // Handles messages until the program ends; returns the exit status.
  int run();
  // One message taken from the queue, as run() handles it: the keys of the accelerator
  // table and Tab first, then translated and dispatched.
  void handleMessage(MSG& message);

  Win32Form& form() { return form_; }
  MainWindow& window() { return window_; }
  Win32GridView& gridView() { return gridView_; }

 private:
  void setIcons();

  Win32Form form_;
  MainWindow window_;
  Win32GridView gridView_;
  HACCEL accelerators_ = nullptr;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
};

}  // namespace quorvane
