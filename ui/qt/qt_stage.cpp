#include <algorithm>

#include "ui/qt/qt_control.h"

namespace quorvane {

void QtStage::setTabIndex(QWidget* widget, int index) {
  const auto same = [widget](const auto& stop) { return stop.second == widget; };
  stops_.erase(std::remove_if(stops_.begin(), stops_.end(), same), stops_.end());
  stops_.emplace_back(index, widget);
}

void QtStage::applyTabOrder() {
  std::stable_sort(stops_.begin(), stops_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  QWidget* previous = nullptr;
  for (const auto& [index, widget] : stops_) {
    if (!widget) continue;
    if (previous) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

}  // namespace quorvane
