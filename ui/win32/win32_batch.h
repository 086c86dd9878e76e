#pragma once

#include <windows.h>

#include <functional>

#include "platform/batch_controls.h"

namespace quorvane {

// The system clipboard's Unicode text, held as WTF-8 so that every UTF-16 text survives.
class Win32Clipboard : public Clipboard {
 public:
  explicit Win32Clipboard(HWND owner) : owner_(owner) {}
  std::string text() const override;

 private:
  HWND owner_;
};

// A menu of the sheet's commands, shown with TrackPopupMenu: each item's shortcut after a
// TAB (the system aligns it on the right), disabled items grayed. It opens where placeAt()
// put it for this showing (the mouse of a right click), else where `defaultPlace` says
// (under the current cell, for a key); both in screen coordinates.
class Win32PopupMenu : public PopupMenu {
 public:
  explicit Win32PopupMenu(HWND owner) : owner_(owner) {}
  int show(const std::vector<MenuItem>& items) override;
  void placeAt(POINT screen) { place_ = screen, placed_ = true; }
  void setDefaultPlace(std::function<POINT()> place) { defaultPlace_ = std::move(place); }

 private:
  HWND owner_;
  POINT place_{};
  bool placed_ = false;
  std::function<POINT()> defaultPlace_;
};

}  // namespace quorvane
