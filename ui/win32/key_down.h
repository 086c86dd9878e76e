#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/controls.h"

namespace quorvane {

// 1 Shift, 2 Ctrl, 4 Alt, added together, as the keyboard stood when the key message being
// handled was sent.
std::int16_t shiftState();

// Hands a key press (WM_KEYDOWN or WM_SYSKEYDOWN) to the form's key-down handler before the
// control sees it, with its virtual-key code. True when the handler consumed the key; the
// character the key would type is then taken from the queue too, so that a consumed Enter
// neither types nor beeps and a consumed Ctrl+V or Ctrl+Z does not paste or undo in the
// control as well. A key left alone reaches the control with its character.
bool keyDownConsumed(const KeyDownHandler& handler, HWND hwnd, WPARAM virtualKey);

// Takes from the queue the character that the key being handled would type into `hwnd`:
// TranslateMessage has queued it already, and the next key's is made only when that key is
// taken from the queue.
void dropTypedCharacter(HWND hwnd);

}  // namespace quorvane
