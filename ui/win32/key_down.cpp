#include "ui/win32/key_down.h"

namespace quorvane {
namespace {

// The character that the key being handled would type into `hwnd`, taken from the queue:
// TranslateMessage has queued it already, and the next key's is made only when that key is
// taken from the queue.
bool takeTypedCharacter(HWND hwnd, MSG& typed) {
  return PeekMessageW(&typed, hwnd, WM_CHAR, WM_DEADCHAR, PM_REMOVE) ||
         PeekMessageW(&typed, hwnd, WM_SYSCHAR, WM_SYSDEADCHAR, PM_REMOVE);
}

}  // namespace

std::int16_t shiftState() {
  std::int16_t shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= kShiftMask;
  if (GetKeyState(VK_CONTROL) < 0) shift |= kCtrlMask;
  if (GetKeyState(VK_MENU) < 0) shift |= kAltMask;
  return shift;
}

bool keyDownConsumed(const KeyDownHandler& handler, HWND hwnd, WPARAM virtualKey) {
  if (!handler) return false;
  // The character is held back while the handler runs: a handler that opens a menu or a box
  // runs its message loop, which would hand the character to the control (Ctrl+V's 0x16
  // pasting into it, Ctrl+Z's 0x1A undoing there) before the handler has said whether it
  // took the key.
  MSG typed;
  const bool held = takeTypedCharacter(hwnd, typed);
  // Virtual-key codes run from 1 to 254.
  auto code = static_cast<std::int16_t>(virtualKey & 0xFF);
  handler(code, shiftState());
  if (code == 0) return true;
  // Posted messages come before the next key's, so the character keeps its place.
  if (held) PostMessageW(typed.hwnd, typed.message, typed.wParam, typed.lParam);
  return false;
}

void dropTypedCharacter(HWND hwnd) {
  MSG typed;
  takeTypedCharacter(hwnd, typed);
}

}  // namespace quorvane
