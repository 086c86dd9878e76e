#pragma once

#include <string>

#include "platform/controls.h"
#include "ui/win32/win32_control.h"

namespace quorvane {

// The status bar of the common controls, keeping itself along the bottom edge of its window
// over the full width, whatever place it is given; only its height is taken from the form.
// Panel 1 stretches across it; panel 2 stands at its right end, as wide as its text, and
// shows only when it holds text. Both panels are drawn here, so that a panel in warning
// shows its text in red.
class Win32StatusBar : public Win32Control<StatusBar> {
 public:
  explicit Win32StatusBar(Win32Stage& stage);
  float Left() const override;
  float Top() const override;
  float Width() const override;
  std::string PanelText(int panel) const override;
  void setPanelText(int panel, std::string_view text) override;
  void setPanelWarning(int panel, bool warning) override;
  void setPanelToolTip(int panel, std::string_view text) override;
  bool onDrawItem(const DRAWITEMSTRUCT& item) override;
  // The window's size changed: along its bottom edge again.
  void followWindow() { place(); }

 protected:
  void place() override;

 private:
  void layoutPanels();
  RECT placeInWindow() const;

  std::string text_[2];
  bool warning_[2] = {false, false};
  std::string toolTip_[2];
};

}  // namespace quorvane
