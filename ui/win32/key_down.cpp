#include "ui/win32/key_down.h"

namespace quorvane {

std::int16_t shiftState() {
  std::int16_t shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= kShiftMask;
  if (GetKeyState(VK_CONTROL) < 0) shift |= kCtrlMask;
  if (GetKeyState(VK_MENU) < 0) shift |= kAltMask;
  return shift;
}

bool keyDownConsumed(const KeyDownHandler& handler, HWND hwnd, WPARAM virtualKey) {
  if (!handler) return false;
  // Virtual-key codes run from 1 to 254.
  auto code = static_cast<std::int16_t>(virtualKey & 0xFF);
  handler(code, shiftState());
  if (code != 0) return false;
  dropTypedCharacter(hwnd);
  return true;
}

void dropTypedCharacter(HWND hwnd) {
  MSG typed;
  if (!PeekMessageW(&typed, hwnd, WM_CHAR, WM_DEADCHAR, PM_REMOVE)) {
    PeekMessageW(&typed, hwnd, WM_SYSCHAR, WM_SYSDEADCHAR, PM_REMOVE);
  }
}

}  // namespace quorvane
