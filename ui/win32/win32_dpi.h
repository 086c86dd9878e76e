#pragma once

#include <windows.h>

namespace quorvane {

// The per-monitor DPI functions of Windows 10, looked up at run time so that the program
// still starts on older systems, where each falls back to the system's DPI.

// Asks for per-monitor (v2) DPI awareness when the manifest has not given it already.
void enablePerMonitorDpi();
// The DPI of the monitor the window is on (96 at 100 %).
UINT dpiOfWindow(HWND window);
// GetSystemMetrics for a monitor of `dpi`.
int systemMetricForDpi(int index, UINT dpi);
// The window rectangle that holds `client` for a window of these styles at `dpi`.
RECT windowRectForClient(RECT client, DWORD style, DWORD exStyle, UINT dpi);
// A dialog that places its own controls: Windows' automatic rescaling of dialogs on a DPI
// change is turned off, so that it does not move them a second time.
void keepOwnDialogLayout(HWND dialog);

}  // namespace quorvane
