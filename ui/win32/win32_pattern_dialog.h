#pragma once

#include <windows.h>

#include "platform/batch_controls.h"

namespace quorvane {

// The pattern dialog as a modal dialog made in code: a heading, "書式:" and the pattern's
// field, the placeholders under it, the preview as a report list (ファイル名称, 変更前, 変更後;
// a text too long for its field in red, rows that do not fit grey), a line with the count
// or the pattern's error, OK and キャンセル. The preview follows every change of the
// pattern; OK is disabled while the pattern changes nothing or cannot be used. In the
// window's font, at the DPI of the monitor it is on.
//
// Its controls' ids, for those who look at it from outside (the window tests): the
// pattern kPatternId, the preview kPreviewId, the count line kStatusId, the buttons IDOK and
// IDCANCEL.
class Win32PatternDialog : public PatternDialog {
 public:
  static constexpr int kPatternId = 100;
  static constexpr int kPreviewId = 101;
  static constexpr int kStatusId = 102;

  explicit Win32PatternDialog(HWND owner) : owner_(owner) {}
  std::optional<std::string> run(
      const PatternDialogRequest& request,
      const std::function<PatternPreview(const std::string& pattern)>& preview) override;

 private:
  HWND owner_;
};

}  // namespace quorvane
