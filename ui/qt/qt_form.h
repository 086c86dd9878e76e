#pragma once

#include <memory>

#include "platform/form_controls.h"
#include "sheet/folder_file_list.h"
#include "ui/qt/qt_batch.h"
#include "ui/qt/qt_controls.h"
#include "ui/qt/qt_file_lists.h"
#include "ui/qt/qt_form_window.h"
#include "ui/qt/qt_message_boxes.h"

namespace quorvane {

// Every control of the main window as a Qt widget, each a child of the window (the file
// list has no widget: it is never shown). The lists start at the process's current
// folder. Hands the form its controls; stage.applyTabOrder() chains the Tab order once
// the form has given every control its index.
class QtForm {
 public:
  QtForm(ShellOpener& shell, FileService& files);
  ~QtForm();
  QtForm(const QtForm&) = delete;
  QtForm& operator=(const QtForm&) = delete;

  QtFormWindow& window() { return *window_; }
  FormControls controls();

 private:
  // Declared before the controls: each of them is made as a child of the window.
  std::unique_ptr<QtFormWindow> window_;
  ShellOpener& shell_;
  FileService& files_;

 public:
  QtStage stage;
  QtScreen screen;
  QtMessageBoxes messages{*window_};
  QtDriveList Drive1{stage, *window_, files_};
  QtFolderList Dir1{stage, *window_, files_};
  FolderFileList File1{files_};  // never shown
  QtTextBox EditText{stage, *window_};
  QtComboList Combo1{stage, *window_};
  QtLabel Label1{stage, *window_};
  QtStatusBar StatusBar1{stage, *window_};
  QtButton cmdSave{stage, *window_};
  QtButton cmdEnd{stage, *window_};
  QtButton Command1{stage, *window_};
  QtClipboard clipboard;
  QtPopupMenu menu{*window_};
  QtPatternDialog patterns{*window_};
};

}  // namespace quorvane
