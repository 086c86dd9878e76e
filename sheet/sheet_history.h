#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane {

// One change the user made to the sheet (a commit, a paste, a pattern fill): every cell it
// wrote with its text before and after, every row whose mark it touched, and blnChanged
// before and after. Rows are named by their row data, which a sort does not change.
struct SheetChange {
  struct Cell {
    std::int64_t row;
    int col;
    std::string before, after;
  };
  struct Row {
    std::int64_t row;
    bool changedBefore, changedAfter;  // marked "2"
    std::uint32_t editedBefore, editedAfter;  // the columns the user stored into
  };
  std::vector<Cell> cells;
  std::vector<Row> rows;
  bool sheetChangedBefore = false, sheetChangedAfter = false;  // blnChanged
};

// The changes since the sheet was loaded, for undo and redo. Recording a change drops
// the ones that were undone. Unlimited: a change costs its cells' texts.
class SheetHistory {
 public:
  void record(SheetChange change);
  // The change to take back, or null; the next redo() gives it again.
  const SheetChange* undo();
  const SheetChange* redo();
  bool canUndo() const { return done_ > 0; }
  bool canRedo() const { return done_ < changes_.size(); }
  void clear();

 private:
  std::vector<SheetChange> changes_;
  std::size_t done_ = 0;  // changes_[0, done_) are in effect
};

}  // namespace quorvane
