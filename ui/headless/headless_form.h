#pragma once

#include "platform/form_controls.h"
#include "sheet/folder_file_list.h"
#include "ui/headless/headless_batch.h"
#include "ui/headless/headless_controls.h"
#include "ui/headless/headless_message_boxes.h"

namespace quorvane {

// Every control of the main window, in memory.
struct HeadlessForm {
  FileService& files;
  HeadlessStage stage;
  HeadlessFormWindow window;
  HeadlessScreen screen;
  HeadlessMessageBoxes messages;
  HeadlessShellOpener shell;
  HeadlessDriveList Drive1{stage};
  HeadlessFolderList Dir1{stage, files};
  FolderFileList File1{files};  // never shown
  HeadlessTextBox EditText{stage};
  HeadlessComboList Combo1{stage};
  HeadlessLabel Label1{stage};
  HeadlessStatusBar StatusBar1{stage};
  HeadlessButton cmdSave{stage};
  HeadlessButton cmdEnd{stage};
  HeadlessButton Command1{stage};
  HeadlessClipboard clipboard;
  HeadlessPopupMenu menu;
  HeadlessPatternDialog patterns;

  // The lists start at the process's current folder, as the window's do.
  explicit HeadlessForm(FileService& fileService);

  FormControls controls() {
    return FormControls{window,  screen,  messages,   shell,   files,  Drive1,   Dir1,
                        File1,   EditText, Combo1,    Label1,  StatusBar1, cmdSave, cmdEnd,
                        Command1, clipboard, menu,    patterns};
  }
};

}  // namespace quorvane
