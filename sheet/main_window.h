#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/form_controls.h"
#include "sheet/flex_grid.h"

namespace quorvane {

// The one window object: its fields, its controls (as interfaces, so that the same code
// runs on Qt widgets and on in-memory ones) and its event handlers. Handlers are named
// control_event and run one at a time, each to completion.
class MainWindow {
 public:
  // Places the controls as the window is designed and ties the list controls' events
  // to the handlers. The window system raises Form_Load next.
  explicit MainWindow(const FormControls& controls);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  FlexGrid& MSFlexGrid1() { return grid_; }
  const FlexGrid& MSFlexGrid1() const { return grid_; }

  void Form_Load();
  void Form_Resize();
  void Drive1_Change();
  void Dir1_Change();
  void File1_PathChange();

  // Files of the last load that could not become rows: their names hold a tab, CR or LF,
  // which would shift the row's cells.
  const std::vector<std::string>& unlistedNames() const { return unlistedNames_; }

  bool blnChanged = false;       // the sheet holds edits not yet written
  std::int32_t lngPrevRow = 0;   // the cell of the editor opened last; row 0: none
  std::int32_t lngPrevCol = 1;

 private:
  void InitSheet();
  bool SerchMP3File(const std::string& strPath);

  FormControls c_;
  FlexGrid grid_;
  std::vector<std::string> unlistedNames_;
};

}  // namespace quorvane
