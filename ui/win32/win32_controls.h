#pragma once

#include <functional>
#include <string>

#include "platform/controls.h"
#include "ui/win32/win32_control.h"

namespace quorvane {

// Each class makes its native control as a child of the stage's window.

// The in-cell text editor: an EDIT control, whose own text is the text box's text. Every
// key press goes to the key-down handler first.
class Win32TextBox : public Win32Control<TextBox> {
 public:
  explicit Win32TextBox(Win32Stage& stage);
  std::string Text() const override;
  void setText(std::string_view text) override;
  void setKeyDownHandler(KeyDownHandler handler) override { onKeyDown_ = std::move(handler); }
  void setChangeHandler(std::function<void()> handler) override { onChange_ = std::move(handler); }
  void onCommand(WORD code) override;

 protected:
  bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  KeyDownHandler onKeyDown_;
  std::function<void()> onChange_;
};

// A drop-down list the user can only choose from (CBS_DROPDOWNLIST); each item carries its
// item data. Every key press goes to the key-down handler first, except while the list is
// dropped down, when the keys are the list's own. It turns with the wheel only while it has
// the focus.
class Win32ComboList : public Win32DropDown<ComboList> {
 public:
  explicit Win32ComboList(Win32Stage& stage);
  void AddItem(std::string_view text) override;
  int NewIndex() const override { return newIndex_; }
  std::string List(int index) const override;
  int ListCount() const override;
  std::int32_t ItemData(int index) const override;
  void setItemData(int index, std::int32_t data) override;
  int ListIndex() const override;
  void setListIndex(int index) override;
  void setKeyDownHandler(KeyDownHandler handler) override { onKeyDown_ = std::move(handler); }

 protected:
  bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  KeyDownHandler onKeyDown_;
  int newIndex_ = -1;
};

class Win32Label : public Win32Control<Label> {
 public:
  explicit Win32Label(Win32Stage& stage);
  std::string Caption() const override;
  void setCaption(std::string_view caption) override;
};

// A push button that a mouse click presses without taking the keyboard focus, so that the
// editor over the sheet keeps it (Save stores that editor's text); Tab still reaches it,
// and Space presses it then. Enter never presses it.
class Win32Button : public Win32Control<Button> {
 public:
  explicit Win32Button(Win32Stage& stage);
  std::string Caption() const override;
  void setCaption(std::string_view caption) override;
  void setClickHandler(std::function<void()> handler) override { onClick_ = std::move(handler); }
  void onCommand(WORD code) override;

 protected:
  bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  bool pointerInside(LPARAM lParam) const;
  std::function<void()> onClick_;
  bool pressing_ = false;
};

// The text of a window, as the program holds text.
std::string windowText(HWND hwnd);

// Whether a wheel message should be kept from a list that turns only while it has the focus.
bool wheelWithoutFocus(HWND hwnd, UINT message);
// Whether the message is a context menu asked for by a key (the Menu key, Shift+F10).
bool contextMenuFromKeyboard(UINT message, LPARAM lParam);

}  // namespace quorvane
