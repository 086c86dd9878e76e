#pragma once

#include <deque>
#include <vector>

#include "platform/message_boxes.h"

namespace quorvane {

// Records every box and answers with the answers a test queued, in order; with none
// queued it answers with the box's default button, as pressing Enter would.
class HeadlessMessageBoxes : public MessageBoxes {
 public:
  MessageAnswer show(const MessageBoxRequest& request) override;

  void queueAnswer(MessageAnswer answer) { answers_.push_back(answer); }
  const std::vector<MessageBoxRequest>& shown() const { return shown_; }
  void clear() { shown_.clear(), answers_.clear(); }

 private:
  std::deque<MessageAnswer> answers_;
  std::vector<MessageBoxRequest> shown_;
};

}  // namespace quorvane
