#include "ui/headless/headless_message_boxes.h"

namespace quorvane {

MessageAnswer HeadlessMessageBoxes::show(const MessageBoxRequest& request) {
  shown_.push_back(request);
  if (answers_.empty()) return request.defaultButton;
  const MessageAnswer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

}  // namespace quorvane
