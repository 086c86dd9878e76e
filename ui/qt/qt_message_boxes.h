#pragma once

#include <QWidget>

#include "platform/message_boxes.h"

namespace quorvane {

// Modal QMessageBox windows over the main window (or on their own, without it), with
// Japanese button texts in every locale; Y and N press Yes and No, Enter the default button.
class QtMessageBoxes : public MessageBoxes {
 public:
  QtMessageBoxes() = default;
  explicit QtMessageBoxes(QWidget& parent) : parent_(&parent) {}
  MessageAnswer show(const MessageBoxRequest& request) override;

 private:
  QWidget* parent_ = nullptr;
};

}  // namespace quorvane
