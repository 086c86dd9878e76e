#include "ui/headless/headless_controls.h"

#include <algorithm>

namespace quorvane {

void HeadlessComboList::AddItem(std::string_view text) {
  auto at = items_.end();
  if (sorted_) {
    at = std::upper_bound(items_.begin(), items_.end(), text,
                          [](std::string_view t, const Item& item) { return t < item.text; });
  }
  newIndex_ = static_cast<int>(at - items_.begin());
  items_.insert(at, Item{std::string(text), 0});
  if (listIndex_ >= newIndex_) ++listIndex_;
}

std::string HeadlessComboList::List(int index) const {
  if (index < 0 || index >= ListCount()) return {};
  return items_[static_cast<std::size_t>(index)].text;
}

std::int32_t HeadlessComboList::ItemData(int index) const {
  if (index < 0 || index >= ListCount()) return 0;
  return items_[static_cast<std::size_t>(index)].data;
}

void HeadlessComboList::setItemData(int index, std::int32_t data) {
  if (index >= 0 && index < ListCount()) items_[static_cast<std::size_t>(index)].data = data;
}

void HeadlessComboList::setListIndex(int index) {
  if (index >= -1 && index < ListCount()) listIndex_ = index;
}

std::string HeadlessStatusBar::PanelText(int panel) const {
  if (panel < 1 || panel > static_cast<int>(panels_.size())) return {};
  return panels_[static_cast<std::size_t>(panel - 1)];
}

void HeadlessStatusBar::setPanelText(int panel, std::string_view text) {
  if (panel >= 1 && panel <= static_cast<int>(panels_.size())) {
    panels_[static_cast<std::size_t>(panel - 1)] = text;
  }
}

void HeadlessDriveList::pick(std::string_view drive) {
  drive_ = drive;
  if (onChange_) onChange_();
}

bool HeadlessFolderList::setPath(std::string_view path) {
  if (!showPath(path)) return false;
  if (onChange_) onChange_();
  return true;
}

bool HeadlessFolderList::showPath(std::string_view path) {
  const std::string folder = files_.normalizeFolder(path);
  if (!files_.isFolder(folder)) return false;
  path_ = folder;
  return true;
}

}  // namespace quorvane
