#include "sheet/main_window.h"
#include "sheet/sheet_columns.h"
#include "tagcodec/field_bytes.h"
#include "tagcodec/tag_block.h"

namespace quorvane {

void MainWindow::EditText_Change() {
  showByteCount();
}

void MainWindow::showByteCount() {
  const bool tagText = c_.EditText.Visible() && lngPrevRow >= 1 && lngPrevCol >= colTitle &&
                       lngPrevCol <= colComment;
  if (!tagText) {
    // Without a count the panel keeps what the last load had to say.
    c_.StatusBar1.setPanelText(2, loadNotice_);
    c_.StatusBar1.setPanelToolTip(2, loadNoticeDetail_);
    c_.StatusBar1.setPanelWarning(2, !loadNotice_.empty());
    return;
  }
  const std::size_t width = lngPrevCol == colYear ? kYearField.width : kTitleField.width;
  const FieldByteCount count = countFieldBytes(c_.EditText.Text(), width);
  c_.StatusBar1.setPanelText(2, formatByteCount(count));
  c_.StatusBar1.setPanelToolTip(2, "");
  c_.StatusBar1.setPanelWarning(2, count.tooLong());
}

}  // namespace quorvane
