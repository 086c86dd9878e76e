#pragma once

#include <windows.h>

#include "platform/form_controls.h"
#include "sheet/folder_file_list.h"
#include "ui/win32/win32_batch.h"
#include "ui/win32/win32_controls.h"
#include "ui/win32/win32_file_lists.h"
#include "ui/win32/win32_form_window.h"
#include "ui/win32/win32_message_boxes.h"
#include "ui/win32/win32_pattern_dialog.h"
#include "ui/win32/win32_status_bar.h"

namespace quorvane {

// Every control of the main window as a native child window (the file list has none: it
// is never shown). The lists start at the process's current folder, and the drive list
// follows the drive of the folder the folder list shows. Hands the form its controls.
class Win32Form {
 public:
  Win32Form(ShellOpener& shell, FileService& files);
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  Win32FormWindow& window() { return window_; }
  FormControls controls();
  // For each message before it is dispatched: a wheel goes to the window under the mouse
  // rather than to the one with the focus, and Tab moves through the Tab order. True when
  // the message was handled here.
  bool preTranslate(MSG& message);

 private:
  // Declared first: every control is made as a child of the window.
  Win32FormWindow window_;
  ShellOpener& shell_;
  FileService& files_;

 public:
  Win32Screen screen;
  Win32MessageBoxes messages{window_.hwnd()};
  Win32DriveList Drive1{window_.stage(), files_};
  Win32FolderList Dir1{window_.stage(), files_};
  FolderFileList File1{files_};  // never shown
  Win32TextBox EditText{window_.stage()};
  Win32ComboList Combo1{window_.stage()};
  Win32Label Label1{window_.stage()};
  Win32StatusBar StatusBar1{window_.stage()};
  Win32Button cmdSave{window_.stage()};
  Win32Button cmdEnd{window_.stage()};
  Win32Button Command1{window_.stage()};
  Win32Clipboard clipboard{window_.hwnd()};
  Win32PopupMenu menu{window_.hwnd()};
  Win32PatternDialog patterns{window_.hwnd()};
};

}  // namespace quorvane
