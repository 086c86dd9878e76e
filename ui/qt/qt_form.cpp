#include "ui/qt/qt_form.h"

#include "ui/qt/qt_look.h"

namespace quorvane {

QtForm::QtForm(ShellOpener& shell, FileService& files)
    : window_(std::make_unique<QtFormWindow>()), shell_(shell), files_(files) {
  window_->setFont(sheetFont());
}

QtForm::~QtForm() {
  // The widgets go first, while the wrappers their signals reach are still alive.
  window_.reset();
}

FormControls QtForm::controls() {
  return FormControls{*window_, screen,   messages,  shell_,     files_,  Drive1,
                      Dir1,     File1,    EditText,  Combo1,     Label1,  StatusBar1,
                      cmdSave,  cmdEnd,   Command1,  clipboard,  menu,    patterns};
}

}  // namespace quorvane
