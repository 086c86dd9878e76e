#pragma once

#include "platform/batch_controls.h"
#include "platform/controls.h"
#include "platform/file_service.h"
#include "platform/message_boxes.h"

namespace quorvane {

// The main window's controls and services, handed to the form by whoever made them
// (the Qt front end, or the headless one for tests and the command-line tool).
struct FormControls {
  FormWindow& window;
  ScreenMetrics& screen;
  MessageBoxes& messages;
  ShellOpener& shell;
  FileService& files;
  DriveList& Drive1;
  FolderList& Dir1;
  FileList& File1;
  TextBox& EditText;
  ComboList& Combo1;
  Label& Label1;
  StatusBar& StatusBar1;
  Button& cmdSave;
  Button& cmdEnd;
  Button& Command1;
  Clipboard& clipboard;
  PopupMenu& menu;          // the sheet's context menu
  PatternDialog& patterns;  // tags from file names, file names from tags
};

}  // namespace quorvane
