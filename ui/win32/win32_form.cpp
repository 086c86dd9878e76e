#include "ui/win32/win32_form.h"

#include <windowsx.h>

namespace quorvane {

Win32Form::Win32Form(ShellOpener& shell, FileService& files) : shell_(shell), files_(files) {
  window_.setLayoutHandler([this] { StatusBar1.followWindow(); });
  Dir1.setShownHandler([this](const std::string& folder) { Drive1.followFolder(folder); });
}

FormControls Win32Form::controls() {
  return FormControls{window_, screen, messages, shell_,    files_, Drive1,
                      Dir1,    File1,  EditText, Combo1,    Label1, StatusBar1,
                      cmdSave, cmdEnd, Command1, clipboard, menu,   patterns};
}

bool Win32Form::preTranslate(MSG& message) {
  Win32Stage& stage = window_.stage();
  if ((message.message == WM_MOUSEWHEEL || message.message == WM_MOUSEHWHEEL) &&
      stage.isOurs(message.hwnd) && !GetCapture()) {
    // The sheet scrolls under the mouse while the editor keeps the focus; a list turns only
    // when it has the focus itself.
    const POINT at{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
    const HWND under = WindowFromPoint(at);
    if (stage.isOurs(under)) message.hwnd = under;
    return false;
  }
  return stage.handleTab(message);
}

}  // namespace quorvane
