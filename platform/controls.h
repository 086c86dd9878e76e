#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "platform/item_list.h"

namespace quorvane {

// What the form does with every child control: place it in pixels of the window's client
// area, show or hide it, raise it, focus it.
class Control {
 public:
  virtual ~Control() = default;
  virtual float Left() const = 0;
  virtual void setLeft(float left) = 0;
  virtual float Top() const = 0;
  virtual void setTop(float top) = 0;
  virtual float Width() const = 0;
  virtual void setWidth(float width) = 0;
  virtual float Height() const = 0;
  virtual void setHeight(float height) = 0;
  virtual bool Visible() const = 0;
  // Hiding the control that has the keyboard focus leaves the focus with it: it still
  // gets the keys until the user or the form puts the focus elsewhere.
  virtual void setVisible(bool visible) = 0;
  virtual void ZOrder() = 0;  // bring to the front
  // Gives the control the keyboard focus, a hidden one too (it gets the keys unseen).
  virtual void SetFocus() = 0;
  virtual void setToolTipText(std::string_view text) = 0;
  virtual void setTabIndex(int index) = 0;
};

// A key press as the form sees it: a Windows virtual-key code (Enter 13, Up 38, Down 40,
// ...) that the handler may set to 0 to consume the key, and a shift state (1 Shift,
// 2 Ctrl, 4 Alt).
using KeyDownHandler = std::function<void(std::int16_t& keyCode, std::int16_t shift)>;

inline constexpr std::int16_t kKeyReturn = 13;
inline constexpr std::int16_t kKeyUp = 38;
inline constexpr std::int16_t kKeyDown = 40;
inline constexpr std::int16_t kKeyV = 'V';
inline constexpr std::int16_t kKeyY = 'Y';
inline constexpr std::int16_t kKeyZ = 'Z';
inline constexpr std::int16_t kKeyApps = 93;  // the Menu key
inline constexpr std::int16_t kKeyF10 = 121;
inline constexpr std::int16_t kShiftMask = 1;
inline constexpr std::int16_t kCtrlMask = 2;
inline constexpr std::int16_t kAltMask = 4;

class TextBox : public Control {
 public:
  virtual std::string Text() const = 0;
  virtual void setText(std::string_view text) = 0;
  // Every key press goes to the handler first; a key it leaves non-zero reaches the box.
  virtual void setKeyDownHandler(KeyDownHandler handler) = 0;
  // Raised whenever the text changes, by typing or by setText.
  virtual void setChangeHandler(std::function<void()> handler) = 0;
};

// A drop-down list the user can only choose from. Positions count from 0; ListIndex -1
// is no selection.
class ComboList : public Control, public ItemList {
 public:
  virtual void AddItem(std::string_view text) = 0;
  virtual int NewIndex() const = 0;               // where the item added last was placed
  virtual std::string List(int index) const = 0;  // empty text for -1 or out of range
  virtual void setItemData(int index, std::int32_t data) = 0;
  virtual int ListIndex() const = 0;
  virtual void setListIndex(int index) = 0;
  // As for TextBox: the handler sees every key first and may consume it.
  virtual void setKeyDownHandler(KeyDownHandler handler) = 0;
};

class Label : public Control {
 public:
  virtual std::string Caption() const = 0;
  virtual void setCaption(std::string_view caption) = 0;
};

class Button : public Control {
 public:
  virtual std::string Caption() const = 0;
  virtual void setCaption(std::string_view caption) = 0;
  virtual void setClickHandler(std::function<void()> handler) = 0;
};

// A status bar along the window's bottom edge; panels count from 1. Panel 1 stretches
// across the bar; panel 2 stands at its right end and is empty unless set.
class StatusBar : public Control {
 public:
  virtual std::string PanelText(int panel) const = 0;
  virtual void setPanelText(int panel, std::string_view text) = 0;
  // A panel in warning shows its text in red.
  virtual void setPanelWarning(int panel, bool warning) = 0;
  // The panel's tooltip; empty for none.
  virtual void setPanelToolTip(int panel, std::string_view text) = 0;
};

// Paths below are text (see platform/file_service.h), folders without a trailing separator
// except a drive's root.

// The mounted file systems a user works in; Drive() is the current one's root.
class DriveList : public Control {
 public:
  virtual std::string Drive() const = 0;
  // Shows `drive` as the current one again, without the change event.
  virtual void showDrive(std::string_view drive) = 0;
  // Raised when the user picks another drive.
  virtual void setChangeHandler(std::function<void()> handler) = 0;
};

// The current folder with its ancestors and sub-folders.
class FolderList : public Control {
 public:
  virtual std::string Path() const = 0;
  // Sets the current folder and raises the change event. False, with nothing changed
  // and no event, when `path` is not a folder.
  virtual bool setPath(std::string_view path) = 0;
  // Shows `path` as the current folder again, without the change event; false, with
  // nothing changed, when it is not a folder.
  virtual bool showPath(std::string_view path) = 0;
  virtual void setChangeHandler(std::function<void()> handler) = 0;
};

// The hidden list of the current folder's MP3 files: regular files whose names end in
// ".mp3" in any letter case, in byte order of their names.
class FileList : public Control {
 public:
  virtual std::string Path() const = 0;
  // Reads `path` and raises the path-change event.
  virtual void setPath(std::string_view path) = 0;
  // Reads the folder again; raises nothing.
  virtual void Refresh() = 0;
  virtual int ListCount() const = 0;
  virtual std::string List(int index) const = 0;
  // Every name at once, as List gives them one by one; valid until the folder is read again.
  virtual std::span<const std::string> names() const = 0;
  // False when the folder could not be listed at the last read (the list is then empty);
  // readError() then gives the system's reason.
  virtual bool readOk() const = 0;
  virtual std::string readError() const = 0;
  virtual void setPathChangeHandler(std::function<void()> handler) = 0;
};

// The main window itself.
class FormWindow {
 public:
  virtual ~FormWindow() = default;
  virtual std::string Caption() const = 0;
  virtual void setCaption(std::string_view caption) = 0;
  virtual float ScaleWidth() const = 0;  // client area, pixels
  virtual float ScaleHeight() const = 0;
  // Closes the window and ends the program; no further event is handled.
  virtual void endProgram() = 0;
  // Shows the user that the program is busy (a wait cursor) while a long handler runs.
  virtual void setBusy(bool busy) = 0;
};

// Hands a file to the desktop's opener for its type and returns at once, without
// reporting anything. The file name is resolved against `folder`.
class ShellOpener {
 public:
  virtual ~ShellOpener() = default;
  virtual void open(const std::string& folder, const std::string& file) = 0;
};

class ScreenMetrics {
 public:
  virtual ~ScreenMetrics() = default;
  virtual int TwipsPerPixelX() const = 0;
  virtual int TwipsPerPixelY() const = 0;
};

}  // namespace quorvane
