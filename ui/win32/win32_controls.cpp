#include "ui/win32/win32_controls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "os/win32/wtf8.h"
#include "ui/win32/key_down.h"

namespace quorvane {
namespace {


}  // namespace

std::string windowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return textFromWide(text);
}

bool wheelWithoutFocus(HWND hwnd, UINT message) {
  return (message == WM_MOUSEWHEEL || message == WM_MOUSEHWHEEL) && GetFocus() != hwnd;
}

bool contextMenuFromKeyboard(UINT message, LPARAM lParam) {
  return message == WM_CONTEXTMENU && GET_X_LPARAM(lParam) == -1 && GET_Y_LPARAM(lParam) == -1;
}

// ---- text box ----

Win32TextBox::Win32TextBox(Win32Stage& stage)
    : Win32Control(stage, createChild(stage, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT,
                                      WS_EX_CLIENTEDGE)) {
  // File names and tag text of any length; the byte count says when a field cannot hold it.
  SendMessageW(hwnd(), EM_SETLIMITTEXT, 0, 0);
}

std::string Win32TextBox::Text() const {
  return windowText(hwnd());
}

void Win32TextBox::setText(std::string_view text) {
  SetWindowTextW(hwnd(), wideFromText(text).c_str());
  // The caret after the text, ready to type on.
  const int length = GetWindowTextLengthW(hwnd());
  SendMessageW(hwnd(), EM_SETSEL, static_cast<WPARAM>(length), length);
}

void Win32TextBox::onCommand(WORD code) {
  if (code == EN_CHANGE && onChange_) onChange_();
}

bool Win32TextBox::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) &&
      keyDownConsumed(onKeyDown_, hwnd(), wParam)) {
    result = 0;
    return true;
  }
  // The Menu key and Shift+F10 have opened the sheet's menu through the key-down handler;
  // the menu that the system makes of them next would be a second one. A right click keeps
  // the edit control's own.
  if (onKeyDown_ && contextMenuFromKeyboard(message, lParam)) {
    result = 0;
    return true;
  }
  return Win32Control::onMessage(message, wParam, lParam, result);
}

// ---- drop-down list ----

Win32ComboList::Win32ComboList(Win32Stage& stage) : Win32DropDown(stage) {
  rescale();
}

void Win32ComboList::AddItem(std::string_view text) {
  const LRESULT index =
      SendMessageW(hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wideFromText(text).c_str()));
  newIndex_ = index >= 0 ? static_cast<int>(index) : -1;
  if (newIndex_ >= 0) SendMessageW(hwnd(), CB_SETITEMDATA, static_cast<WPARAM>(newIndex_), 0);
}

std::string Win32ComboList::List(int index) const {
  if (index < 0 || index >= ListCount()) return {};
  const auto length = SendMessageW(hwnd(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const auto got = SendMessageW(hwnd(), CB_GETLBTEXT, static_cast<WPARAM>(index),
                                reinterpret_cast<LPARAM>(text.data()));
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return textFromWide(text);
}

int Win32ComboList::ListCount() const {
  return std::max(0, static_cast<int>(SendMessageW(hwnd(), CB_GETCOUNT, 0, 0)));
}

std::int32_t Win32ComboList::ItemData(int index) const {
  if (index < 0 || index >= ListCount()) return 0;
  return static_cast<std::int32_t>(
      SendMessageW(hwnd(), CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

void Win32ComboList::setItemData(int index, std::int32_t data) {
  if (index < 0 || index >= ListCount()) return;
  SendMessageW(hwnd(), CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
}

int Win32ComboList::ListIndex() const {
  const auto index = SendMessageW(hwnd(), CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

void Win32ComboList::setListIndex(int index) {
  if (index < -1 || index >= ListCount()) return;
  SendMessageW(hwnd(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

bool Win32ComboList::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (wheelWithoutFocus(hwnd(), message)) {
    result = 0;
    return true;
  }
  // As in the text box: the key-down handler has opened the sheet's menu.
  if (onKeyDown_ && contextMenuFromKeyboard(message, lParam)) {
    result = 0;
    return true;
  }
  if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) &&
      !SendMessageW(hwnd(), CB_GETDROPPEDSTATE, 0, 0)) {
    if (keyDownConsumed(onKeyDown_, hwnd(), wParam)) {
      result = 0;
      return true;
    }
    // A list parked out of sight (see Win32Control) must not drop its items down.
    const bool dropKey =
        wParam == VK_F4 || (message == WM_SYSKEYDOWN && (wParam == VK_DOWN || wParam == VK_UP));
    if (parked() && dropKey) {
      result = 0;
      return true;
    }
  }
  return Win32DropDown::onMessage(message, wParam, lParam, result);
}

// ---- label ----

Win32Label::Win32Label(Win32Stage& stage)
    : Win32Control(
          stage, createChild(stage, L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_CENTERIMAGE)) {}

std::string Win32Label::Caption() const {
  return windowText(hwnd());
}

void Win32Label::setCaption(std::string_view caption) {
  // File names are shown as they are: SS_NOPREFIX keeps "&" from being a mnemonic.
  SetWindowTextW(hwnd(), wideFromText(caption).c_str());
}

// ---- button ----

Win32Button::Win32Button(Win32Stage& stage)
    : Win32Control(stage, createChild(stage, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON)) {}

std::string Win32Button::Caption() const {
  return windowText(hwnd());
}

void Win32Button::setCaption(std::string_view caption) {
  SetWindowTextW(hwnd(), wideFromText(caption).c_str());
}

void Win32Button::onCommand(WORD code) {
  if (code == BN_CLICKED && onClick_) onClick_();
}

bool Win32Button::pointerInside(LPARAM lParam) const {
  RECT client;
  GetClientRect(hwnd(), &client);
  const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  return PtInRect(&client, at) != 0;
}

bool Win32Button::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  // The press is followed here instead of by the button, which would take the focus.
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      pressing_ = true;
      SetCapture(hwnd());
      SendMessageW(hwnd(), BM_SETSTATE, TRUE, 0);
      result = 0;
      return true;
    case WM_MOUSEMOVE:
      if (!pressing_) break;
      SendMessageW(hwnd(), BM_SETSTATE, pointerInside(lParam), 0);
      result = 0;
      return true;
    case WM_LBUTTONUP: {
      if (!pressing_) break;
      pressing_ = false;
      const bool inside = pointerInside(lParam);
      ReleaseCapture();
      SendMessageW(hwnd(), BM_SETSTATE, FALSE, 0);
      // As the button itself would tell its parent, so that Space and a click take one way.
      if (inside) {
        SendMessageW(GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd()), BN_CLICKED),
                     reinterpret_cast<LPARAM>(hwnd()));
      }
      result = 0;
      return true;
    }
    case WM_CAPTURECHANGED:
      if (pressing_) {
        pressing_ = false;
        SendMessageW(hwnd(), BM_SETSTATE, FALSE, 0);
      }
      break;
    default:
      break;
  }
  return Win32Control::onMessage(message, wParam, lParam, result);
}

}  // namespace quorvane
