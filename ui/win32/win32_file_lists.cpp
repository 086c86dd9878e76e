#include "ui/win32/win32_file_lists.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "os/win32/wtf8.h"
#include "ui/win32/key_down.h"
#include "ui/win32/win32_controls.h"

namespace quorvane {
namespace {

// Posted to the drive list itself: a pick is acted on after the list's own notification
// has returned, since acting may ask a question and fill the list anew.
constexpr UINT kPickedMessage = WM_APP + 1;
constexpr UINT kCancelledMessage = WM_APP + 2;

constexpr int kIndentPixels = 8;  // form pixels per level of the folder tree
constexpr int kIconPixels = 16;
constexpr int kTextGap = 4;

bool isBareDrive(std::string_view path) {
  return path.size() == 2 && path[1] == ':';
}

wchar_t driveLetter(std::string_view folder) {
  if (folder.size() < 2 || folder[1] != ':') return 0;
  const char c = folder[0];
  return static_cast<wchar_t>(c >= 'a' && c <= 'z' ? c - 32 : c);
}

// The shell's small icon of a folder, open or closed.
HICON folderIcon(bool open) {
  SHFILEINFOW info{};
  const UINT flags =
      SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES | (open ? SHGFI_OPENICON : 0u);
  return SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof(info), flags)
             ? info.hIcon
             : nullptr;
}

}  // namespace

// ---- drives ----

Win32DriveList::Win32DriveList(Win32Stage& stage, FileService& files)
    : Win32DropDown(stage), files_(files) {
  const std::vector<std::string> drives = files_.listDrives();
  drive_ = files_.driveOf(drives, files_.currentFolder());
  fill(drives);
  rescale();
}

std::string Win32DriveList::Drive() const {
  // "C:\" is the root; "C:" is the drive with its own current folder.
  if (drive_.size() == 3 && drive_[1] == ':' && drive_[2] == '\\') return drive_.substr(0, 2);
  return drive_;
}

void Win32DriveList::showDrive(std::string_view drive) {
  const std::vector<std::string> drives = files_.listDrives();
  drive_ = files_.driveOf(drives, drive);
  fill(drives);
}

void Win32DriveList::followFolder(std::string_view folder) {
  showDrive(folder);
}

void Win32DriveList::fill(const std::vector<std::string>& drives) {
  SendMessageW(hwnd(), CB_RESETCONTENT, 0, 0);
  for (const std::string& drive : drives) {
    SendMessageW(hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wideFromText(drive).c_str()));
  }
  // The current drive stays listed even when it has gone, so the list never lies about it.
  const std::wstring current = wideFromText(drive_);
  LRESULT index = SendMessageW(hwnd(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                               reinterpret_cast<LPARAM>(current.c_str()));
  if (index == CB_ERR) {
    index = SendMessageW(hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(current.c_str()));
  }
  SendMessageW(hwnd(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32DriveList::onCommand(WORD code) {
  switch (code) {
    case CBN_DROPDOWN:
      // Read again each time the list opens, so that drives added while the program runs
      // can be picked.
      fill(files_.listDrives());
      break;
    case CBN_SELCHANGE:
      // While the list is down, moving through it is no pick yet.
      if (!SendMessageW(hwnd(), CB_GETDROPPEDSTATE, 0, 0))
        PostMessageW(hwnd(), kPickedMessage, 0, 0);
      break;
    case CBN_SELENDOK:
      PostMessageW(hwnd(), kPickedMessage, 0, 0);
      break;
    case CBN_SELENDCANCEL:
      PostMessageW(hwnd(), kCancelledMessage, 0, 0);
      break;
    default:
      break;
  }
}

void Win32DriveList::picked() {
  const auto index = SendMessageW(hwnd(), CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return;
  const auto length = SendMessageW(hwnd(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0) return;
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(hwnd(), CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  const std::string drive = textFromWide(text);
  if (drive == drive_) return;
  drive_ = drive;
  if (onChange_) onChange_();
}

bool Win32DriveList::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (wheelWithoutFocus(hwnd(), message)) {
    result = 0;
    return true;
  }
  if (message == kPickedMessage) {
    picked();
    result = 0;
    return true;
  }
  if (message == kCancelledMessage) {
    fill(files_.listDrives());
    result = 0;
    return true;
  }
  return Win32DropDown::onMessage(message, wParam, lParam, result);
}

// ---- folders ----

Win32FolderList::Win32FolderList(Win32Stage& stage, FileService& files)
    : Win32Control(stage, createChild(stage, L"LISTBOX",
                                      WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                                          LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
                                      WS_EX_CLIENTEDGE)),
      files_(files),
      path_(files.normalizeFolder(files.currentFolder())),
      openIcon_(folderIcon(true)),
      closedIcon_(folderIcon(false)) {
  rescale();
  fill();
}

Win32FolderList::~Win32FolderList() {
  if (openIcon_) DestroyIcon(openIcon_);
  if (closedIcon_) DestroyIcon(closedIcon_);
}

void Win32FolderList::rescale() {
  SendMessageW(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(stage().font()), TRUE);
  TEXTMETRICW metrics{};
  const HDC dc = GetDC(hwnd());
  const HGDIOBJ old = SelectObject(dc, stage().font());
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(hwnd(), dc);
  const int height = std::max(static_cast<int>(metrics.tmHeight) + stage().toDevice(4),
                              stage().toDevice(kIconPixels + 2));
  SendMessageW(hwnd(), LB_SETITEMHEIGHT, 0, height);
  place();
}

std::string Win32FolderList::resolve(std::string_view path) {
  if (isBareDrive(path)) {
    const auto kept = driveFolders_.find(driveLetter(path));
    if (kept != driveFolders_.end() && files_.isFolder(kept->second)) return kept->second;
  }
  // A bare drive not shown yet is the folder Windows keeps as that drive's current one.
  return files_.normalizeFolder(path);
}

bool Win32FolderList::setPath(std::string_view path) {
  if (!showPath(path)) return false;
  if (onChange_) onChange_();
  return true;
}

bool Win32FolderList::showPath(std::string_view path) {
  const std::string folder = resolve(path);
  if (!files_.isFolder(folder)) return false;
  path_ = folder;
  if (const wchar_t letter = driveLetter(path_)) driveFolders_[letter] = path_;
  fill();
  if (onShown_) onShown_(path_);
  return true;
}

void Win32FolderList::fill() {
  entries_.clear();
  int depth = 0;
  for (const std::string& ancestor : files_.ancestorsOf(path_)) {
    entries_.push_back({ancestor, wideFromText(files_.folderName(ancestor)), depth++, true});
  }
  const int current = static_cast<int>(entries_.size()) - 1;
  for (const std::string& name : files_.listSubfolders(path_)) {
    const std::string folder = files_.normalizeFolder(files_.joinPath(path_, name));
    entries_.push_back({folder, wideFromText(name), depth, false});
  }
  SendMessageW(hwnd(), WM_SETREDRAW, FALSE, 0);
  SendMessageW(hwnd(), LB_RESETCONTENT, 0, 0);
  for (const Entry& entry : entries_) {
    SendMessageW(hwnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.name.c_str()));
  }
  SendMessageW(hwnd(), LB_SETCURSEL, static_cast<WPARAM>(current), 0);
  SendMessageW(hwnd(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(hwnd(), nullptr, TRUE);
}

void Win32FolderList::open(int index) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return;
  // Copied first: setPath fills the list anew.
  const std::string folder = entries_[static_cast<std::size_t>(index)].path;
  // Opening the folder that is open already is no change: it must not reload the sheet
  // and drop its edits.
  if (folder != path_) setPath(folder);
}

void Win32FolderList::onCommand(WORD code) {
  if (code == LBN_DBLCLK) open(static_cast<int>(SendMessageW(hwnd(), LB_GETCURSEL, 0, 0)));
}

bool Win32FolderList::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_KEYDOWN && wParam == VK_RETURN) {
    dropTypedCharacter(hwnd());
    open(static_cast<int>(SendMessageW(hwnd(), LB_GETCURSEL, 0, 0)));
    result = 0;
    return true;
  }
  return Win32Control::onMessage(message, wParam, lParam, result);
}

bool Win32FolderList::onDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1) || item.itemID >= entries_.size()) return true;
  const Entry& entry = entries_[item.itemID];
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const int height = static_cast<int>(item.rcItem.bottom - item.rcItem.top);
  int x = item.rcItem.left + stage().toDevice(2 + entry.depth * kIndentPixels);
  const int icon = stage().toDevice(kIconPixels);
  if (const HICON glyph = entry.open ? openIcon_ : closedIcon_) {
    DrawIconEx(item.hDC, x, item.rcItem.top + (height - icon) / 2, glyph, icon, icon, 0, nullptr,
               DI_NORMAL);
  }
  x += icon + stage().toDevice(kTextGap);
  RECT text = item.rcItem;
  text.left = x;
  const int saved = SaveDC(item.hDC);
  SelectObject(item.hDC, stage().font());
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  DrawTextW(item.hDC, entry.name.c_str(), static_cast<int>(entry.name.size()), &text,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  RestoreDC(item.hDC, saved);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
  return true;
}

}  // namespace quorvane
