#include "ui/win32/win32_message_boxes.h"

#include "os/win32/wtf8.h"

namespace quorvane {

MessageAnswer Win32MessageBoxes::show(const MessageBoxRequest& request) {
  UINT type = MB_APPLMODAL;
  if (request.buttons == MessageButtons::YesNo) {
    type |= MB_YESNO;
    if (request.defaultButton == MessageAnswer::No) type |= MB_DEFBUTTON2;
  } else {
    type |= MB_OK;
  }
  if (request.icon == MessageIcon::Question) type |= MB_ICONQUESTION;
  if (request.icon == MessageIcon::Exclamation) type |= MB_ICONEXCLAMATION;
  if (request.icon == MessageIcon::Information) type |= MB_ICONINFORMATION;
  // The program writes its line breaks as "\r\n" already, as MessageBoxW wants them.
  const int answer = MessageBoxW(owner_, wideFromText(request.text).c_str(),
                                 wideFromText(request.title).c_str(), type);
  if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  // A box that could not be shown counts as No: nothing is done unasked.
  return answer == IDYES ? MessageAnswer::Yes : MessageAnswer::No;
}

}  // namespace quorvane
