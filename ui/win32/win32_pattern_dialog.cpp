#include "ui/win32/win32_pattern_dialog.h"

// After windows.h: the list view and its notifications.
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "os/win32/wtf8.h"
#include "ui/win32/win32_controls.h"
#include "ui/win32/win32_dpi.h"
#include "ui/win32/win32_fonts.h"

namespace quorvane {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
// The client area as first shown, and the least it may be made, in the form's pixels.
constexpr int kWidth = 760, kHeight = 460, kMinWidth = 440, kMinHeight = 300;
constexpr COLORREF kTooLong = RGB(255, 0, 0);  // the byte counter's red

// A template without controls: they are made in WM_INITDIALOG, in the window's font and
// placed in device pixels, which a template's dialog units cannot give.
struct EmptyTemplate {
  DLGTEMPLATE head;
  WORD menu = 0, windowClass = 0, title = 0;
};

class PatternDialogWindow {
 public:
  PatternDialogWindow(const PatternDialogRequest& request,
                      const std::function<PatternPreview(const std::string&)>& preview)
      : request_(request), preview_(preview) {}
  ~PatternDialogWindow() {
    if (font_) DeleteObject(font_);
  }
  PatternDialogWindow(const PatternDialogWindow&) = delete;
  PatternDialogWindow& operator=(const PatternDialogWindow&) = delete;

  std::optional<std::string> run(HWND owner) {
    EmptyTemplate dialog{};
    dialog.head.style = kStyle;
    dialog.head.dwExtendedStyle = kExStyle;
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &dialog.head, owner, dialogProc,
                            reinterpret_cast<LPARAM>(this));
    return accepted_;
  }

 private:
  struct Row {
    std::array<std::wstring, 3> cells;
    PatternPreviewRow::Status status;
    bool tooLong;
  };

  static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    auto* self = reinterpret_cast<PatternDialogWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    return self ? self->handle(hwnd, message, wParam, lParam) : FALSE;
  }

  INT_PTR handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_INITDIALOG:
        dialog_ = hwnd;
        start(GetWindow(hwnd, GW_OWNER));
        return FALSE;  // the focus is set already
      case WM_COMMAND:
        return command(LOWORD(wParam), HIWORD(wParam));
      case WM_NOTIFY:
        return notify(*reinterpret_cast<NMHDR*>(lParam));
      case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == status_ && error_) {
          const auto dc = reinterpret_cast<HDC>(wParam);
          SetTextColor(dc, kTooLong);
          SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
          return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        }
        return FALSE;
      case WM_SIZE:
        layout();
        return TRUE;
      case WM_GETMINMAXINFO: {
        RECT least{0, 0, toDevice(kMinWidth), toDevice(kMinHeight)};
        least = windowRectForClient(least, kStyle, kExStyle, dpi_);
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = {least.right - least.left, least.bottom - least.top};
        return TRUE;
      }
      case WM_DPICHANGED: {
        setDpi(HIWORD(wParam));
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(dialog_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        layout();
        return TRUE;
      }
      default:
        return FALSE;
    }
  }

  int toDevice(double pixels) const { return static_cast<int>(std::lround(pixels * dpi_ / 96.0)); }

  HWND child(const wchar_t* className, DWORD style, DWORD exStyle = 0, int id = 0) {
    const HWND made = CreateWindowExW(
        exStyle, className, L"", style | WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, dialog_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return made;
  }

  void setDpi(UINT dpi) {
    dpi_ = dpi;
    const HFONT old = font_;
    font_ = createSheetFont(dpi_);
    for (HWND control : {heading_, label_, pattern_, placeholders_, list_, status_, ok_, cancel_}) {
      if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    }
    if (old) DeleteObject(old);
  }

  void start(HWND owner) {
    keepOwnDialogLayout(dialog_);
    setDpi(dpiOfWindow(owner));
    SetWindowTextW(dialog_, wideFromText(request_.title).c_str());
    heading_ = child(L"STATIC", SS_LEFT | SS_NOPREFIX);
    SetWindowTextW(heading_, wideFromText(request_.heading).c_str());
    label_ = child(L"STATIC", SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE);
    SetWindowTextW(label_, L"書式:");
    pattern_ = child(L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                     Win32PatternDialog::kPatternId);
    // The placeholders under the pattern, with the sheet's names for their columns.
    std::string names;
    for (const auto& [placeholder, column] : request_.placeholders) {
      if (!names.empty()) names += "   ";
      names += placeholder + " " + column;
    }
    placeholders_ = child(L"STATIC", SS_LEFT | SS_NOPREFIX);
    SetWindowTextW(placeholders_, wideFromText(names).c_str());
    list_ = child(WC_LISTVIEWW,
                  WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_NOSORTHEADER | LVS_SINGLESEL,
                  WS_EX_CLIENTEDGE, Win32PatternDialog::kPreviewId);
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    const wchar_t* headers[] = {L"ファイル名称", L"変更前", L"変更後"};
    for (int i = 0; i < 3; ++i) {
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_SUBITEM;
      column.pszText = const_cast<wchar_t*>(headers[i]);
      column.iSubItem = i;
      SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(&column));
    }
    status_ = child(L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_ENDELLIPSIS, 0,
                    Win32PatternDialog::kStatusId);
    ok_ = child(L"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK);
    SetWindowTextW(ok_, L"OK");
    cancel_ = child(L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0, IDCANCEL);
    SetWindowTextW(cancel_, L"キャンセル");

    // Setting the pattern raises EN_CHANGE, which shows its preview.
    SetWindowTextW(pattern_, wideFromText(request_.pattern).c_str());
    refresh();
    placeOver(owner);
    SetFocus(pattern_);
    SendMessageW(pattern_, EM_SETSEL, 0, -1);
  }

  // The designed size, centred on the owner and kept on its monitor's work area.
  void placeOver(HWND owner) {
    const RECT client{0, 0, toDevice(kWidth), toDevice(kHeight)};
    const RECT outer = windowRectForClient(client, kStyle, kExStyle, dpi_);
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    RECT around{};
    GetWindowRect(owner, &around);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    int left = (around.left + around.right - width) / 2;
    int top = (around.top + around.bottom - height) / 2;
    left = std::max<int>(work.left, std::min<int>(left, work.right - width));
    top = std::max<int>(work.top, std::min<int>(top, work.bottom - height));
    SetWindowPos(dialog_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    layout();
  }

  void place(HWND control, double left, double top, double width, double height) {
    SetWindowPos(control, nullptr, toDevice(left), toDevice(top),
                 toDevice(left + width) - toDevice(left), toDevice(top + height) - toDevice(top),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void layout() {
    if (!cancel_) return;
    RECT client{};
    GetClientRect(dialog_, &client);
    const double width = client.right * 96.0 / dpi_, height = client.bottom * 96.0 / dpi_;
    constexpr double margin = 10, labelWidth = 44, buttonWidth = 88, buttonHeight = 26;
    const double fieldLeft = margin + labelWidth + 4, fieldWidth = width - margin - fieldLeft;
    place(heading_, margin, margin, width - 2 * margin, 18);
    place(label_, margin, 36, labelWidth, 24);
    place(pattern_, fieldLeft, 36, fieldWidth, 24);
    place(placeholders_, fieldLeft, 66, fieldWidth, 34);
    const double listTop = 106, buttonTop = height - margin - buttonHeight;
    const double statusTop = buttonTop - 26;
    place(list_, margin, listTop, width - 2 * margin, std::max(40.0, statusTop - 6 - listTop));
    place(status_, margin, statusTop, width - 2 * margin, 20);
    place(cancel_, width - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight);
    place(ok_, width - margin - 2 * buttonWidth - 8, buttonTop, buttonWidth, buttonHeight);
    sizeColumns();
    InvalidateRect(dialog_, nullptr, TRUE);
  }

  // Each column as wide as its longest text, so that no name is cut short; room left over
  // is shared out, and a list wider than the dialog scrolls. Measured again whenever the
  // rows or the scroll bar change.
  void sizeColumns() {
    const wchar_t* headers[] = {L"ファイル名称", L"変更前", L"変更後"};
    const HDC dc = GetDC(list_);
    const HGDIOBJ old = SelectObject(dc, font_);
    const auto widthOf = [dc](const std::wstring& text) {
      SIZE size{};
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
      return static_cast<int>(size.cx);
    };
    std::array<int, 3> widths{};
    for (std::size_t c = 0; c < 3; ++c) {
      widths[c] = widthOf(headers[c]);
      for (const Row& row : rows_) widths[c] = std::max(widths[c], widthOf(row.cells[c]));
      widths[c] += toDevice(14);  // the cell's margins
    }
    SelectObject(dc, old);
    ReleaseDC(list_, dc);
    RECT inside{};
    GetClientRect(list_, &inside);
    const int total = widths[0] + widths[1] + widths[2];
    const int spare = std::max(0, static_cast<int>(inside.right) - total);
    for (int i = 0; i < 3; ++i) {
      const int share = spare * (i + 1) / 3 - spare * i / 3;
      SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i),
                   widths[static_cast<std::size_t>(i)] + share);
    }
  }

  std::string patternText() const { return windowText(pattern_); }

  void refresh() {
    const PatternPreview preview = preview_(patternText());
    rows_.clear();
    for (const PatternPreviewRow& row : preview.rows) {
      Row shown{{wideFromText(row.name), wideFromText(row.before), wideFromText(row.after)},
                row.status,
                row.tooLong};
      if (row.status == PatternPreviewRow::Status::NoMatch) shown.cells[2] = L"一致しません";
      if (row.status == PatternPreviewRow::Status::Collides) {
        shown.cells[2] += L"（同じ名前があるため変更しません）";
      }
      rows_.push_back(std::move(shown));
    }
    SendMessageW(list_, LVM_SETITEMCOUNT, rows_.size(), 0);
    sizeColumns();
    InvalidateRect(list_, nullptr, TRUE);
    error_ = !preview.error.empty();
    const std::string status =
        error_ ? preview.error : std::to_string(preview.changes) + " 件を変更します";
    SetWindowTextW(status_, wideFromText(status).c_str());
    InvalidateRect(status_, nullptr, TRUE);
    EnableWindow(ok_, !error_ && preview.changes > 0);
  }

  INT_PTR command(WORD id, WORD code) {
    if (id == Win32PatternDialog::kPatternId && code == EN_CHANGE) {
      if (list_) refresh();
      return TRUE;
    }
    if (id == IDOK) {
      // Enter reaches here even while OK is disabled.
      if (!IsWindowEnabled(ok_)) {
        MessageBeep(MB_OK);
        return TRUE;
      }
      accepted_ = patternText();
      EndDialog(dialog_, IDOK);
      return TRUE;
    }
    if (id == IDCANCEL) {
      EndDialog(dialog_, IDCANCEL);
      return TRUE;
    }
    return FALSE;
  }

  INT_PTR notify(const NMHDR& header) {
    if (header.hwndFrom != list_) return FALSE;
    if (header.code == LVN_GETDISPINFOW) {
      auto& item = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item;
      const bool known = item.iItem >= 0 && item.iItem < static_cast<int>(rows_.size()) &&
                         item.iSubItem >= 0 && item.iSubItem < 3;
      if ((item.mask & LVIF_TEXT) && known && item.cchTextMax > 0) {
        const std::wstring& text = rows_[static_cast<std::size_t>(item.iItem)]
                                       .cells[static_cast<std::size_t>(item.iSubItem)];
        lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
      }
      return TRUE;
    }
    if (header.code == NM_CUSTOMDRAW) {
      auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(const_cast<NMHDR&>(header));
      SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, customDraw(draw));
      return TRUE;
    }
    return FALSE;
  }

  LRESULT customDraw(NMLVCUSTOMDRAW& draw) const {
    switch (draw.nmcd.dwDrawStage) {
      case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
      case CDDS_ITEMPREPAINT:
        // A preview has nothing to choose: a selected row is drawn as the others, so that
        // its colours still say what they say.
        draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
        return CDRF_NOTIFYSUBITEMDRAW;
      case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        const std::size_t index = draw.nmcd.dwItemSpec;
        draw.clrText = GetSysColor(COLOR_WINDOWTEXT);
        draw.clrTextBk = GetSysColor(COLOR_WINDOW);
        if (index < rows_.size()) {
          const Row& row = rows_[index];
          if (row.status != PatternPreviewRow::Status::Changes && draw.iSubItem >= 1) {
            draw.clrText = GetSysColor(COLOR_GRAYTEXT);
          } else if (row.tooLong && draw.iSubItem == 2) {
            draw.clrText = kTooLong;
          }
        }
        return CDRF_NEWFONT;
      }
      default:
        return CDRF_DODEFAULT;
    }
  }

  const PatternDialogRequest& request_;
  const std::function<PatternPreview(const std::string&)>& preview_;
  HWND dialog_ = nullptr;
  HWND heading_ = nullptr, label_ = nullptr, pattern_ = nullptr, placeholders_ = nullptr;
  HWND list_ = nullptr, status_ = nullptr, ok_ = nullptr, cancel_ = nullptr;
  HFONT font_ = nullptr;
  UINT dpi_ = 96;
  std::vector<Row> rows_;
  bool error_ = false;
  std::optional<std::string> accepted_;
};

}  // namespace

std::optional<std::string> Win32PatternDialog::run(
    const PatternDialogRequest& request,
    const std::function<PatternPreview(const std::string& pattern)>& preview) {
  PatternDialogWindow dialog(request, preview);
  return dialog.run(owner_);
}

}  // namespace quorvane
