#include "sheet/sheet_history.h"

namespace quorvane {

void SheetHistory::record(SheetChange change) {
  changes_.resize(done_);
  changes_.push_back(std::move(change));
  done_ = changes_.size();
}

const SheetChange* SheetHistory::undo() {
  if (done_ == 0) return nullptr;
  return &changes_[--done_];
}

const SheetChange* SheetHistory::redo() {
  if (done_ == changes_.size()) return nullptr;
  return &changes_[done_++];
}

void SheetHistory::clear() {
  changes_.clear();
  done_ = 0;
}

}  // namespace quorvane
