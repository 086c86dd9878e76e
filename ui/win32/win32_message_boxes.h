#pragma once

#include <windows.h>

#include "platform/message_boxes.h"

namespace quorvane {

// MessageBoxW, modal to the window: the title, the text with its line breaks, Yes and No or
// OK, the default button and a question or exclamation icon.
class Win32MessageBoxes : public MessageBoxes {
 public:
  explicit Win32MessageBoxes(HWND owner) : owner_(owner) {}
  MessageAnswer show(const MessageBoxRequest& request) override;

 private:
  HWND owner_;
};

}  // namespace quorvane
