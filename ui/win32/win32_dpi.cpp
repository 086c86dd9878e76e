#include "ui/win32/win32_dpi.h"

namespace quorvane {
namespace {

// GetProcAddress gives a FARPROC; the cast to the real type goes through void* so that no
// compiler takes it for a mismatch of function types.
template <class Function>
Function user32Function(const char* name) {
  static const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (!user32) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

UINT systemDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

}  // namespace

void enablePerMonitorDpi() {
  using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
  static const auto set = user32Function<SetContext>("SetProcessDpiAwarenessContext");
  // Fails harmlessly when the manifest has set the awareness already.
  if (set && set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) return;
  if (set && set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE)) return;
  using SetAware = BOOL(WINAPI*)();
  static const auto setAware = user32Function<SetAware>("SetProcessDPIAware");
  if (setAware) setAware();
}

UINT dpiOfWindow(HWND window) {
  using GetDpi = UINT(WINAPI*)(HWND);
  static const auto get = user32Function<GetDpi>("GetDpiForWindow");
  const UINT dpi = get && window ? get(window) : 0;
  return dpi > 0 ? dpi : systemDpi();
}

int systemMetricForDpi(int index, UINT dpi) {
  using GetMetric = int(WINAPI*)(int, UINT);
  static const auto get = user32Function<GetMetric>("GetSystemMetricsForDpi");
  return get ? get(index, dpi) : GetSystemMetrics(index);
}

RECT windowRectForClient(RECT client, DWORD style, DWORD exStyle, UINT dpi) {
  using Adjust = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjust = user32Function<Adjust>("AdjustWindowRectExForDpi");
  RECT rect = client;
  if (!(adjust && adjust(&rect, style, FALSE, exStyle, dpi))) {
    rect = client;
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  }
  return rect;
}

void keepOwnDialogLayout(HWND dialog) {
  using SetBehavior = BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
  static const auto set = user32Function<SetBehavior>("SetDialogDpiChangeBehavior");
  if (set) set(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}

}  // namespace quorvane
