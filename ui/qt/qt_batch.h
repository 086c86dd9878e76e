#pragma once

#include <QPoint>
#include <functional>

#include "platform/batch_controls.h"

class QWidget;

namespace quorvane {

// The system clipboard's text.
class QtClipboard : public Clipboard {
 public:
  std::string text() const override;
};

// A QMenu of the sheet's commands. It opens where placeAt() put it for this showing (the
// mouse of a right click), else where `defaultPlace` says (the current cell, for a key).
class QtPopupMenu : public PopupMenu {
 public:
  explicit QtPopupMenu(QWidget& parent) : parent_(parent) {}
  int show(const std::vector<MenuItem>& items) override;
  void placeAt(QPoint global) { place_ = global, placed_ = true; }
  void setDefaultPlace(std::function<QPoint()> place) { defaultPlace_ = std::move(place); }

 private:
  QWidget& parent_;
  QPoint place_;
  bool placed_ = false;
  std::function<QPoint()> defaultPlace_;
};

// The pattern dialog as a modal QDialog: the pattern, the placeholders that may be used,
// the preview table, OK and キャンセル.
class QtPatternDialog : public PatternDialog {
 public:
  explicit QtPatternDialog(QWidget& parent) : parent_(parent) {}
  std::optional<std::string> run(
      const PatternDialogRequest& request,
      const std::function<PatternPreview(const std::string& pattern)>& preview) override;

 private:
  QWidget& parent_;
};

}  // namespace quorvane
