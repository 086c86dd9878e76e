// Batch editing in the Windows window on its real controls (under Wine, on a display): keys
// posted to the editor as the keyboard would post them and handled by the program's own
// message loop, the sheet's context menu from the mouse and the keys, and the pattern dialog.
// Menus, dialogs and boxes are answered from a timer, which their own message loops run.
#include <windows.h>
// After windows.h: the list view.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/win32_program.h"
#include "os/win32/wtf8.h"
#include "sheet/sheet_columns.h"
#include "tests/batch_folder.h"
#include "tests/test_support.h"
#include "ui/headless/headless_controls.h"
#include "ui/win32/win32_pattern_dialog.h"

namespace {

using namespace quorvane;
using namespace quorvane::testing;

std::wstring classOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

std::string textOfWindow(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return textFromWide(text);
}

// What a pop-up menu offered, read when it opened.
struct SeenMenu {
  std::vector<std::string> items;  // text, TAB and shortcut as shown; separators left out
  std::vector<bool> grayed;
  RECT place{};  // on the screen
};

// Watches, from a timer, for the pop-up menus, dialogs and message boxes of this thread, and
// answers each with the next action queued for its kind. One that nobody expects fails the
// test and is closed, so that no test waits for ever.
class Watcher {
 public:
  using MenuAction = std::function<void(HWND menu, const SeenMenu& seen)>;
  using DialogAction = std::function<void(HWND dialog)>;

  explicit Watcher(HWND owner) : owner_(owner) {
    instance_ = this;
    timer_ = SetTimer(nullptr, 0, 15, tick);
  }
  ~Watcher() {
    KillTimer(nullptr, timer_);
    instance_ = nullptr;
  }
  Watcher(const Watcher&) = delete;
  Watcher& operator=(const Watcher&) = delete;

  void onMenu(MenuAction action) { menuActions_.push_back(std::move(action)); }
  void onDialog(DialogAction action) { dialogActions_.push_back(std::move(action)); }
  void onBox(DialogAction action) { boxActions_.push_back(std::move(action)); }
  const std::vector<SeenMenu>& menus() const { return menus_; }
  const std::vector<std::string>& boxes() const { return boxes_; }
  bool idle() const {
    return menuActions_.empty() && dialogActions_.empty() && boxActions_.empty();
  }

 private:
  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
    if (instance_ && !instance_->busy_) {
      instance_->busy_ = true;
      instance_->look();
      instance_->busy_ = false;
    }
  }

  static SeenMenu read(HWND window) {
    SeenMenu seen;
    GetWindowRect(window, &seen.place);
    const auto menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
    for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
      const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
      if (state & MF_SEPARATOR) continue;
      wchar_t text[256] = {};
      GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
      seen.items.push_back(textFromWide(text));
      seen.grayed.push_back((state & MF_GRAYED) != 0);
    }
    return seen;
  }

  void look() {
    if (const HWND menu = FindWindowW(L"#32768", nullptr); menu && IsWindowVisible(menu)) {
      if (menu == lastMenu_) return;  // still closing
      lastMenu_ = menu;
      menus_.push_back(read(menu));
      if (menuActions_.empty()) {
        ADD_FAILURE() << "a menu that the test did not expect, its first item: "
                      << (menus_.back().items.empty() ? "" : menus_.back().items.front());
        EndMenu();
        return;
      }
      MenuAction action = std::move(menuActions_.front());
      menuActions_.pop_front();
      action(menu, menus_.back());
      return;
    }
    lastMenu_ = nullptr;
    const HWND active = GetActiveWindow();
    if (!active || active == owner_ || classOf(active) != L"#32770" || active == lastDialog_ ||
        !IsWindowVisible(active)) {
      return;
    }
    lastDialog_ = active;
    const bool pattern = GetDlgItem(active, Win32PatternDialog::kPatternId) != nullptr;
    std::deque<DialogAction>& actions = pattern ? dialogActions_ : boxActions_;
    if (!pattern) {
      std::string said;
      for (HWND child = GetWindow(active, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (classOf(child) == L"Static") said += textOfWindow(child);
      }
      boxes_.push_back(said);
    }
    if (actions.empty()) {
      ADD_FAILURE() << (pattern ? "a pattern dialog" : "a message box")
                    << " that the test did not expect" << (pattern ? "" : ": " + boxes_.back());
      PostMessageW(active, WM_COMMAND, IDCANCEL, 0);
      return;
    }
    DialogAction action = std::move(actions.front());
    actions.pop_front();
    action(active);
  }

  inline static Watcher* instance_ = nullptr;
  HWND owner_;
  UINT_PTR timer_ = 0;
  bool busy_ = false;
  HWND lastMenu_ = nullptr, lastDialog_ = nullptr;
  std::deque<MenuAction> menuActions_;
  std::deque<DialogAction> dialogActions_, boxActions_;
  std::vector<SeenMenu> menus_;
  std::vector<std::string> boxes_;
};

// Keys as the keyboard driver posts them to a window, with the modifier keys held in the
// thread's keyboard state (which GetKeyState and TranslateMessage read).
void holdKeys(bool ctrl, bool shift) {
  BYTE state[256] = {};
  GetKeyboardState(state);
  state[VK_CONTROL] = state[VK_LCONTROL] = ctrl ? 0x80 : 0;
  state[VK_SHIFT] = state[VK_LSHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(state);
}

LPARAM keyData(UINT vk, bool up) {
  const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
  LPARAM data = 1 | (static_cast<LPARAM>(scan) << 16);
  if (vk == VK_APPS || vk == VK_DOWN || vk == VK_UP) data |= 1 << 24;  // extended keys
  if (up) data |= static_cast<LPARAM>(0xC0000000u);
  return data;
}

// Chooses the item at `index` (separators not counted) as the keyboard does.
void chooseByKeys(HWND menu, int index) {
  for (int i = 0; i <= index; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, keyData(VK_DOWN, false));
  PostMessageW(menu, WM_KEYDOWN, VK_RETURN, keyData(VK_RETURN, false));
}

void setClipboard(const std::wstring& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  auto* copy = static_cast<wchar_t*>(GlobalLock(memory));
  std::copy(text.c_str(), text.c_str() + text.size() + 1, copy);
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
}

class Win32WindowTest : public ::testing::Test {
 protected:
  Win32WindowTest() {
    writeBatchFolder(dir);
    // Nothing to paste until a test puts it there.
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
    program.show(SW_SHOWNORMAL);
    SetForegroundWindow(frame());
    EXPECT_TRUE(program.openFolder(dir.text()));
    pump();
  }
  ~Win32WindowTest() override {
    holdKeys(false, false);
    pump();
    EXPECT_TRUE(watcher.idle()) << "a menu, dialog or box the test waited for did not open";
  }

  HWND frame() { return program.form().window().hwnd(); }
  HWND edit() { return program.form().EditText.hwnd(); }
  HWND gridWindow() { return program.gridView().hwnd(); }
  FlexGrid& grid() { return program.window().MSFlexGrid1(); }
  std::string cell(int row, int col) { return grid().TextMatrix(row, col); }
  std::string editText() { return textOfWindow(edit()); }

  // Handles what the queue holds, as the program's loop does, until it has been quiet for
  // a moment (menus and dialogs run inside).
  void pump(DWORD quiet = 60) {
    DWORD last = GetTickCount();
    while (GetTickCount() - last < quiet) {
      MSG message;
      if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message != WM_TIMER) last = GetTickCount();
        program.handleMessage(message);
      } else {
        Sleep(5);
      }
    }
  }
  POINT cellCentre(int row, int col) {
    const RECT r = program.gridView().cellRect(row, col);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void clickCell(int row, int col) {
    const POINT at = cellCentre(row, col);
    PostMessageW(gridWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageW(gridWindow(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    pump();
  }
  // The right button pressed and let go over the cell; returns the point on the screen.
  POINT rightClickCell(int row, int col) {
    const POINT at = cellCentre(row, col);
    PostMessageW(gridWindow(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageW(gridWindow(), WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    pump();
    POINT screen = at;
    ClientToScreen(gridWindow(), &screen);
    return screen;
  }
  // A key pressed and let go in the window with the focus (or `target`).
  void key(UINT vk, bool ctrl = false, bool shift = false, HWND target = nullptr) {
    holdKeys(ctrl, shift);
    const HWND to = target ? target : GetFocus();
    ASSERT_NE(to, nullptr) << "no window has the focus";
    const bool sys = vk == VK_F10;
    PostMessageW(to, sys ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, keyData(vk, false));
    pump();
    PostMessageW(to, sys ? WM_SYSKEYUP : WM_KEYUP, vk, keyData(vk, true));
    pump();
    holdKeys(false, false);
  }
  void type(const std::wstring& text) {
    for (wchar_t c : text) PostMessageW(GetFocus(), WM_CHAR, c, 1);
    pump();
  }

  TempDir dir;
  HeadlessShellOpener shell;
  Win32FileService files;
  Win32Program program{shell, files};
  Watcher watcher{frame()};
};

TEST_F(Win32WindowTest, CtrlZInTheEditorUndoesItsTypingFirstThenTheSheetAndTypesNothing) {
  clickCell(1, colTitle);
  ASSERT_EQ(GetFocus(), edit());
  type(L"!");
  key(VK_RETURN);
  ASSERT_EQ(cell(1, colTitle), "Old one!");
  ASSERT_EQ(editText(), "Old artist");
  type(L"?");
  ASSERT_EQ(editText(), "Old artist?");

  key('Z', true);
  EXPECT_EQ(editText(), "Old artist") << "the edit control's own undo";
  EXPECT_EQ(cell(1, colTitle), "Old one!");

  key('Z', true);
  EXPECT_EQ(cell(1, colTitle), "Old one") << "the sheet's undo";
  EXPECT_EQ(cell(1, colState), "1");
  EXPECT_EQ(editText(), "Old one") << "the editor came back to the cell, with no undo of its own";
  EXPECT_FALSE(program.window().hasUnsavedEdits());

  key('Y', true);
  EXPECT_EQ(cell(1, colTitle), "Old one!");
  EXPECT_EQ(editText(), "Old one!") << "the character of Ctrl+Y typed nothing";
  EXPECT_TRUE(program.window().blnChanged);
}

TEST_F(Win32WindowTest, CtrlVOfSeveralLinesFillsAndTheEditControlPastesNothing) {
  clickCell(2, colTitle);
  setClipboard(L"First\r\nSecond\r\n");
  key('V', true);
  EXPECT_EQ(cell(2, colTitle), "First");
  EXPECT_EQ(cell(3, colTitle), "Second");
  EXPECT_EQ(cell(1, colTitle), "Old one");
  EXPECT_EQ(editText(), "First");

  // One line is the edit control's own paste, waiting for Enter.
  setClipboard(L"Pasted");
  SendMessageW(edit(), EM_SETSEL, 0, -1);
  key('V', true);
  EXPECT_EQ(editText(), "Pasted");
  EXPECT_EQ(cell(2, colTitle), "First");
  key(VK_RETURN);
  EXPECT_EQ(cell(2, colTitle), "Pasted");
}

// The paste's note about lines left over is a message box; its message loop must not hand
// Ctrl+V's character to the edit control, which would paste the lines into itself.
TEST_F(Win32WindowTest, APasteThatOpensABoxLeavesTheEditControlAlone) {
  clickCell(3, colTitle);
  setClipboard(L"A\r\nB\r\nC\r\nD\r\n");
  watcher.onBox([](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); });
  key('V', true);
  ASSERT_EQ(watcher.boxes().size(), 1u);
  EXPECT_NE(watcher.boxes()[0].find("2 行は最後の行より下になるため"), std::string::npos)
      << watcher.boxes()[0];
  EXPECT_EQ(cell(3, colTitle), "A");
  EXPECT_EQ(cell(4, colTitle), "B");
  EXPECT_EQ(editText(), "A");
  EXPECT_FALSE(program.window().hasUnsavedEdits() && editText() != cell(3, colTitle));
}

TEST_F(Win32WindowTest, TheMenuKeyAndShiftF10InTheEditorOpenTheSheetsMenuOnceUnderTheCell) {
  clickCell(2, colTitle);
  const POINT below = program.gridView().menuPlace(2, colTitle);
  watcher.onMenu([](HWND, const SeenMenu&) { EndMenu(); });
  key(VK_APPS);
  ASSERT_EQ(watcher.menus().size(), 1u);
  const SeenMenu& menu = watcher.menus()[0];
  EXPECT_EQ(menu.items, (std::vector<std::string>{
                            "元に戻す\tCtrl+Z", "やり直し\tCtrl+Y", "貼り付け\tCtrl+V",
                            "ファイル名からタグを設定...\tCtrl+T", "タグからファイル名を設定..."}));
  EXPECT_EQ(menu.grayed, (std::vector<bool>{true, true, true, false, false}));
  EXPECT_EQ(menu.place.left, below.x);
  EXPECT_EQ(menu.place.top, below.y);

  // The menu message the system makes of the Menu key opens no second menu.
  SendMessageW(edit(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit()), MAKELPARAM(-1, -1));
  pump();
  EXPECT_EQ(watcher.menus().size(), 1u);

  watcher.onMenu([](HWND, const SeenMenu&) { EndMenu(); });
  key(VK_F10, false, true);
  EXPECT_EQ(watcher.menus().size(), 2u) << "Shift+F10, and no second menu after it";
  EXPECT_EQ(GetFocus(), edit());

  // A right click on the shown editor is the edit control's own menu.
  watcher.onMenu([](HWND, const SeenMenu&) { EndMenu(); });
  RECT place;
  GetWindowRect(edit(), &place);
  SendMessageW(edit(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit()),
               MAKELPARAM(place.left + 5, place.top + 5));
  pump();
  ASSERT_EQ(watcher.menus().size(), 3u);
  ASSERT_FALSE(watcher.menus()[2].items.empty());
  EXPECT_NE(watcher.menus()[2].items[0], "元に戻す\tCtrl+Z");
}

TEST_F(Win32WindowTest, ARightClickedCellIsWhereTheMenusPasteFillsAndUndoTakesItBack) {
  clickCell(1, colArtist);  // the editor open elsewhere
  setClipboard(L"Title X\r\nTitle Y\r\n");
  watcher.onMenu([](HWND menu, const SeenMenu&) { chooseByKeys(menu, 2); });  // 貼り付け
  const POINT mouse = rightClickCell(2, colTitle);
  ASSERT_EQ(watcher.menus().size(), 1u);
  EXPECT_EQ(watcher.menus()[0].grayed, (std::vector<bool>{true, true, false, false, false}));
  EXPECT_EQ(watcher.menus()[0].place.left, mouse.x);
  EXPECT_EQ(watcher.menus()[0].place.top, mouse.y);
  EXPECT_EQ(cell(2, colTitle), "Title X");
  EXPECT_EQ(cell(3, colTitle), "Title Y");
  EXPECT_EQ(cell(1, colTitle), "Old one");
  EXPECT_EQ(cell(2, colState), "2");
  // No click: the editor over the first artist stays, with its text.
  EXPECT_EQ(grid().Row(), 1);
  EXPECT_EQ(grid().Col(), colArtist);
  EXPECT_EQ(editText(), "Old artist");
  EXPECT_TRUE(IsWindowVisible(edit()));

  watcher.onMenu([](HWND menu, const SeenMenu&) { chooseByKeys(menu, 0); });  // 元に戻す
  rightClickCell(4, colArtist);
  ASSERT_EQ(watcher.menus().size(), 2u);
  EXPECT_FALSE(watcher.menus()[1].grayed[0]);
  EXPECT_EQ(cell(2, colTitle), "Old two");
  EXPECT_EQ(cell(3, colTitle), "Old three");
  EXPECT_FALSE(program.window().blnChanged);
}

TEST_F(Win32WindowTest, TheMenuKeyOnTheGridOpensOneMenuUnderTheCurrentCell) {
  SetFocus(gridWindow());
  pump();
  ASSERT_EQ(GetFocus(), gridWindow());
  watcher.onMenu([](HWND, const SeenMenu&) { EndMenu(); });
  key(VK_APPS);
  ASSERT_EQ(watcher.menus().size(), 1u);
  SendMessageW(gridWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(gridWindow()),
               MAKELPARAM(-1, -1));
  pump();
  EXPECT_EQ(watcher.menus().size(), 1u) << "the system's menu message of the key";
  watcher.onMenu([](HWND, const SeenMenu&) { EndMenu(); });
  key(VK_F10, false, true);
  EXPECT_EQ(watcher.menus().size(), 2u);
}

// ---- the pattern dialog ----

struct SeenDialog {
  std::string title, heading, placeholders, status;
  std::vector<std::vector<std::string>> rows;
  bool okEnabled = false;
};

SeenDialog lookAt(HWND dialog) {
  SeenDialog seen;
  seen.title = textOfWindow(dialog);
  std::vector<std::string> statics;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (classOf(child) == L"Static") statics.push_back(textOfWindow(child));
  }
  if (statics.size() >= 3) {
    seen.heading = statics[0];
    seen.placeholders = statics[2];
  }
  seen.status = textOfWindow(GetDlgItem(dialog, Win32PatternDialog::kStatusId));
  const HWND list = GetDlgItem(dialog, Win32PatternDialog::kPreviewId);
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::vector<std::string> row;
    for (int c = 0; c < 3; ++c) {
      wchar_t text[512] = {};
      LVITEMW item{};
      item.iSubItem = c;
      item.pszText = text;
      item.cchTextMax = 512;
      SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
      row.push_back(textFromWide(text));
    }
    seen.rows.push_back(row);
  }
  seen.okEnabled = IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE;
  return seen;
}

void typeInto(HWND dialog, const std::wstring& text) {
  const HWND pattern = GetDlgItem(dialog, Win32PatternDialog::kPatternId);
  SendMessageW(pattern, EM_SETSEL, 0, -1);
  for (wchar_t c : text) SendMessageW(pattern, WM_CHAR, c, 1);
}

// How a preview cell is painted: its darkest pixel, and whether any pixel is pure red.
struct Ink {
  int darkest = 255;
  bool red = false;
};

Ink inkOf(HWND dialog, int row, int col) {
  const HWND list = GetDlgItem(dialog, Win32PatternDialog::kPreviewId);
  RECT client;
  GetClientRect(list, &client);
  const HDC screen = GetDC(list);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
  RECT area{};
  area.top = col;
  area.left = LVIR_LABEL;
  SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&area));
  Ink ink;
  for (int y = area.top + 1; y < area.bottom - 1; ++y) {
    for (int x = area.left + 2; x < area.right - 2; ++x) {
      const COLORREF pixel = GetPixel(memory, x, y);
      const int r = GetRValue(pixel), g = GetGValue(pixel), b = GetBValue(pixel);
      ink.darkest = std::min(ink.darkest, std::max({r, g, b}));
      if (r > 200 && g < 80 && b < 80) ink.red = true;
    }
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(list, screen);
  return ink;
}

// Whether the control paints any pixel of pure red (its own painting, into a bitmap).
bool paintsRed(HWND control) {
  RECT client;
  GetClientRect(control, &client);
  const HDC screen = GetDC(control);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory),
               PRF_CLIENT | PRF_ERASEBKGND);
  bool red = false;
  for (int y = 0; y < client.bottom && !red; ++y) {
    for (int x = 0; x < client.right && !red; ++x) {
      const COLORREF pixel = GetPixel(memory, x, y);
      red = GetRValue(pixel) > 200 && GetGValue(pixel) < 80 && GetBValue(pixel) < 80;
    }
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(control, screen);
  return red;
}

TEST_F(Win32WindowTest, ThePatternDialogPreviewsATypedPatternAndOKFillsTheTags) {
  clickCell(1, colTitle);
  SeenDialog first, typed;
  Ink plain, tooLong, misfit;
  watcher.onDialog([&](HWND dialog) {
    first = lookAt(dialog);
    typeInto(dialog, L"* %artist% - %title%");
    typed = lookAt(dialog);
    plain = inkOf(dialog, 0, 2);
    tooLong = inkOf(dialog, 2, 2);
    misfit = inkOf(dialog, 3, 2);
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  });
  key('T', true);  // the accelerator, from the editor

  EXPECT_EQ(first.title, "Quorvane");
  EXPECT_EQ(first.heading, "ファイル名からタグを設定");
  EXPECT_EQ(first.placeholders,
            "%title% 曲タイトル   %artist% アーティスト   %album% アルバム   %year% 年号   "
            "%comment% コメント   %genre% ジャンル");
  ASSERT_FALSE(first.rows.empty());
  EXPECT_EQ(first.rows[0][2], "01 Alpha / One");

  ASSERT_EQ(typed.rows.size(), 4u);
  EXPECT_EQ(typed.rows[0], (std::vector<std::string>{"01 Alpha - One.mp3", "Old artist / Old one",
                                                     "Alpha / One"}));
  EXPECT_EQ(typed.rows[2],
            (std::vector<std::string>{"03 Gamma - " + kLongTitle + ".mp3", "Old artist / Old three",
                                      "Gamma / " + kLongTitle}));
  EXPECT_EQ(typed.rows[3], (std::vector<std::string>{"notes.mp3", "", "一致しません"}));
  EXPECT_EQ(typed.status, "3 件を変更します");
  EXPECT_TRUE(typed.okEnabled);
  EXPECT_FALSE(plain.red);
  EXPECT_LT(plain.darkest, 60) << "ordinary text is black";
  EXPECT_TRUE(tooLong.red) << "a title longer than its field is red";
  EXPECT_FALSE(misfit.red);
  EXPECT_GT(misfit.darkest, 80) << "a name that does not fit is grey";
  EXPECT_LT(misfit.darkest, 200) << "and still written";

  EXPECT_EQ(cell(1, colArtist), "Alpha");
  EXPECT_EQ(cell(1, colTitle), "One");
  EXPECT_EQ(cell(3, colTitle), kLongTitle);
  EXPECT_EQ(cell(4, colTitle), "Notes");
  EXPECT_EQ(cell(4, colState), "1");
  EXPECT_EQ(editText(), "One");
  // One Ctrl+Z in the editor takes the whole fill back.
  key('Z', true, false, edit());
  EXPECT_EQ(cell(1, colTitle), "Old one");
  EXPECT_EQ(cell(2, colArtist), "Old artist");
  EXPECT_FALSE(program.window().blnChanged);
}

TEST_F(Win32WindowTest, OKIsDisabledForAnErrorOrNoChangeAndCancelChangesNothing) {
  SeenDialog unclosed, noChange;
  bool errorRed = false, countRed = true, openAfterEnter = false;
  watcher.onDialog([&](HWND dialog) {
    typeInto(dialog, L"%artist% - %title");
    unclosed = lookAt(dialog);
    errorRed = paintsRed(GetDlgItem(dialog, Win32PatternDialog::kStatusId));
    typeInto(dialog, L"xyz %title%");
    noChange = lookAt(dialog);
    countRed = paintsRed(GetDlgItem(dialog, Win32PatternDialog::kStatusId));
    // Enter, as the dialog manager hands it to OK, presses no disabled OK.
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    openAfterEnter = IsWindow(dialog) && IsWindowVisible(dialog);
    typeInto(dialog, L"* %artist% - %title%");
    EXPECT_TRUE(lookAt(dialog).okEnabled);
    SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  });
  key('T', true, false, gridWindow());
  EXPECT_FALSE(unclosed.okEnabled);
  EXPECT_FALSE(unclosed.status.empty());
  EXPECT_TRUE(errorRed) << "the error is red: " << unclosed.status;
  EXPECT_FALSE(countRed);
  EXPECT_TRUE(unclosed.rows.empty());
  EXPECT_FALSE(noChange.okEnabled);
  EXPECT_EQ(noChange.status, "0 件を変更します");
  ASSERT_EQ(noChange.rows.size(), 4u);
  for (const auto& row : noChange.rows) EXPECT_EQ(row[2], "一致しません");
  EXPECT_TRUE(openAfterEnter);
  EXPECT_EQ(cell(1, colTitle), "Old one");
  EXPECT_EQ(cell(1, colArtist), "Old artist");
  EXPECT_FALSE(program.window().blnChanged);
  EXPECT_FALSE(program.window().canUndo());
}

}  // namespace
