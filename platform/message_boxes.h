#pragma once

#include <string>

namespace quorvane {

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Question, Exclamation, Information };
enum class MessageAnswer { Ok, Yes, No };

struct MessageBoxRequest {
  std::string text;   // lines separated by "\r\n", as the program composes them
  std::string title;
  MessageButtons buttons = MessageButtons::Ok;
  MessageAnswer defaultButton = MessageAnswer::Ok;
  MessageIcon icon = MessageIcon::None;

  bool operator==(const MessageBoxRequest&) const = default;
};

// A modal message box: shows the request and returns the button the user pressed.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual MessageAnswer show(const MessageBoxRequest& request) = 0;
};

}  // namespace quorvane
