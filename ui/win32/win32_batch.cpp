#include "ui/win32/win32_batch.h"

#include <cwchar>

#include "os/win32/wtf8.h"

namespace quorvane {

std::string Win32Clipboard::text() const {
  // Another program may hold the clipboard for a moment while it writes.
  bool open = false;
  for (int tries = 0; tries < 10 && !(open = OpenClipboard(owner_)); ++tries) Sleep(10);
  if (!open) return {};
  std::string text;
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
      // The text ends at its NUL, or at the end of its memory if a writer left that out.
      const std::size_t room = GlobalSize(data) / sizeof(wchar_t);
      text = textFromWide(std::wstring_view(wide, wcsnlen(wide, room)));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

int Win32PopupMenu::show(const std::vector<MenuItem>& items) {
  const HMENU menu = CreatePopupMenu();
  if (!menu) return -1;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const MenuItem& item = items[i];
    if (item.separatorBefore && i > 0) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    std::wstring text = wideFromText(item.text);
    if (!item.shortcut.empty()) text += L'\t' + wideFromText(item.shortcut);
    // Ids start at 1: TrackPopupMenu returns 0 for no choice.
    AppendMenuW(menu, MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED), i + 1, text.c_str());
  }
  POINT at{};
  if (placed_) {
    at = place_;
  } else if (defaultPlace_) {
    at = defaultPlace_();
  } else {
    GetCursorPos(&at);
  }
  placed_ = false;
  const auto chosen = static_cast<int>(TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x,
      at.y, 0, owner_, nullptr));
  DestroyMenu(menu);
  if (chosen < 1 || chosen > static_cast<int>(items.size())) return -1;
  return items[static_cast<std::size_t>(chosen - 1)].enabled ? chosen - 1 : -1;
}

}  // namespace quorvane
