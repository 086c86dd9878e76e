#include "ui/win32/win32_form_window.h"

#include <shellapi.h>

#include "os/win32/wtf8.h"
#include "ui/win32/win32_dpi.h"

namespace quorvane {
namespace {

constexpr const wchar_t* kClassName = L"QuorvaneWindow";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_ACCEPTFILES;

}  // namespace

Win32FormWindow::Win32FormWindow() {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
  }();
  (void)registered;
  hwnd_ = CreateWindowExW(kExStyle, kClassName, L"", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleW(nullptr),
                          this);
  stage_ = std::make_unique<Win32Stage>(hwnd_);
}

Win32FormWindow::~Win32FormWindow() {
  if (IsWindow(hwnd_)) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    stage_.reset();
    DestroyWindow(hwnd_);
  }
}

LRESULT CALLBACK Win32FormWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<Win32FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  // Until the stage exists there is nothing of the form's to tell.
  if (!self || !self->stage_) return DefWindowProcW(hwnd, message, wParam, lParam);
  return self->handle(message, wParam, lParam);
}

LRESULT Win32FormWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (ended_) return 0;
      if (lParam != 0) {
        if (StageMember* member = stage_->memberOf(reinterpret_cast<HWND>(lParam))) {
          member->onCommand(HIWORD(wParam));
        }
      } else if (onCommand_) {
        onCommand_(LOWORD(wParam));
      }
      return 0;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      StageMember* member = stage_->memberOf(item->hwndItem);
      return member && member->onDrawItem(*item) ? TRUE : FALSE;
    }
    case WM_SIZE:
      if (ended_) return 0;
      if (onLayout_) onLayout_();
      if (onResize_) onResize_();
      return 0;
    case WM_CLOSE:
      // endProgram has decided already; the close box asks the form.
      if (!ended_ && (!onClose_ || onClose_())) endProgram();
      return 0;
    case WM_QUERYENDSESSION:
      // Signing out or shutting down asks as the close box does; No keeps the session.
      return ended_ || !onClose_ || onClose_() ? TRUE : FALSE;
    case WM_ENDSESSION:
      if (wParam) endProgram();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_ACTIVATE:
      // The window itself never keeps the focus: the child that had it gets it back.
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) stage_->restoreFocus();
      return 0;
    case WM_SETFOCUS:
      stage_->restoreFocus();
      return 0;
    case WM_SETCURSOR:
      if (busyCount_ > 0) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_DROPFILES:
      onDrop(wParam);
      return 0;
    case WM_DPICHANGED: {
      stage_->setDpi(HIWORD(wParam));
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      // The form's size in its own pixels changes even where the device size does not.
      if (onLayout_) onLayout_();
      if (onResize_) onResize_();
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void Win32FormWindow::onDrop(WPARAM dropped) {
  const auto drop = reinterpret_cast<HDROP>(dropped);
  // One local file or folder; several at once are not taken.
  if (!ended_ && onDrop_ && DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    path.resize(DragQueryFileW(drop, 0, path.data(), length + 1));
    if (!path.empty()) onDrop_(textFromWide(path));
  }
  DragFinish(drop);
}

void Win32FormWindow::showWithClientSize(float width, float height, int showCommand) {
  const RECT client{0, 0, stage_->toDevice(width), stage_->toDevice(height)};
  const RECT outer = windowRectForClient(client, kStyle, kExStyle, stage_->dpi());
  SetWindowPos(hwnd_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(hwnd_, showCommand);
  UpdateWindow(hwnd_);
}

std::string Win32FormWindow::Caption() const {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
  return textFromWide(text);
}

void Win32FormWindow::setCaption(std::string_view caption) {
  SetWindowTextW(hwnd_, wideFromText(caption).c_str());
}

float Win32FormWindow::ScaleWidth() const {
  RECT client;
  GetClientRect(hwnd_, &client);
  return static_cast<float>(client.right / stage_->scale());
}

float Win32FormWindow::ScaleHeight() const {
  RECT client;
  GetClientRect(hwnd_, &client);
  return static_cast<float>(client.bottom / stage_->scale());
}

void Win32FormWindow::endProgram() {
  if (ended_) return;
  ended_ = true;
  ShowWindow(hwnd_, SW_HIDE);
  PostQuitMessage(0);
}

void Win32FormWindow::setBusy(bool busy) {
  if (busy) {
    ++busyCount_;
  } else if (busyCount_ > 0) {
    --busyCount_;
  }
  // Handlers run without taking messages, so the cursor is set at once, not on the next
  // WM_SETCURSOR.
  SetCursor(LoadCursorW(nullptr, busyCount_ > 0 ? IDC_WAIT : IDC_ARROW));
}

}  // namespace quorvane
