#include "app/win32_program.h"

#include <iterator>

#include "app/win32_resources.h"
#include "sheet/form_design.h"
#include "ui/win32/win32_dpi.h"

namespace quorvane {
namespace {

enum Command : WORD { kSave = 100, kQuit, kReload, kTagsFromNames };

HACCEL makeAccelerators() {
  ACCEL keys[] = {
      {FVIRTKEY | FCONTROL, 'S', kSave},
      {FVIRTKEY | FCONTROL, 'Q', kQuit},
      {FVIRTKEY, VK_F5, kReload},
      {FVIRTKEY | FCONTROL, 'T', kTagsFromNames},
  };
  return CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));
}

HICON loadIcon(int metric, UINT dpi) {
  const int size = systemMetricForDpi(metric, dpi);
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_QUORVANE),
                                       IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace

Win32Program::Win32Program(ShellOpener& shell, FileService& files)
    : form_(shell, files),
      window_(form_.controls()),
      gridView_(window_.MSFlexGrid1(), form_.window().stage()),
      accelerators_(makeAccelerators()) {
  gridView_.setClickHandler([this] { window_.MSFlexGrid1_Click(); });
  gridView_.setDblClickHandler([this] { window_.MSFlexGrid1_DblClick(); });
  gridView_.setScrollHandler([this] { window_.MSFlexGrid1_Scroll(); });
  gridView_.setContextMenuHandler([this](POINT at) {
    form_.menu.placeAt(at);
    window_.MSFlexGrid1_ContextMenu();
  });
  // A menu asked for from an editor's keys opens under the current cell.
  form_.menu.setDefaultPlace([this] {
    const FlexGrid& grid = window_.MSFlexGrid1();
    return gridView_.menuPlace(grid.Row(), grid.Col());
  });
  // The form has given every control its index by now; the grid is no platform control.
  form_.window().stage().setTabIndex(gridView_.hwnd(), design::MSFlexGrid1.tabIndex);

  Win32FormWindow& frame = form_.window();
  frame.setResizeHandler([this] { window_.Form_Resize(); });
  frame.setDropHandler([this](const std::string& path) { return window_.OpenDroppedPath(path); });
  // Wherever the focus is, the editors included; the handlers store an open editor first,
  // as the buttons do.
  frame.setCommandHandler([this](WORD command) {
    switch (command) {
      case kSave:
        return window_.cmdSave_Click();
      case kQuit:
        return window_.cmdEnd_Click();
      case kReload:
        return window_.ReloadFolder();
      case kTagsFromNames:
        return window_.TagsFromNames();
      default:
        return;
    }
  });
  frame.setCloseHandler([this] {
    std::int16_t cancel = 0;
    window_.Form_QueryUnload(cancel);
    return cancel == 0;
  });
  setIcons();
}

Win32Program::~Win32Program() {
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
}

void Win32Program::setIcons() {
  const HWND hwnd = form_.window().hwnd();
  const UINT dpi = form_.window().stage().dpi();
  bigIcon_ = loadIcon(SM_CXICON, dpi);
  smallIcon_ = loadIcon(SM_CXSMICON, dpi);
  if (bigIcon_) SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  if (smallIcon_) SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
}

void Win32Program::show(int showCommand) {
  window_.Form_Load();
  form_.window().showWithClientSize(design::kClientWidth, design::kClientHeight, showCommand);
}

bool Win32Program::openFolder(const std::string& folder) {
  return form_.Dir1.setPath(folder);
}

int Win32Program::run() {
  Win32FormWindow& frame = form_.window();
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Once the program has ended, no further event is handled.
    if (frame.ended()) break;
    handleMessage(message);
  }
  return 0;
}

void Win32Program::handleMessage(MSG& message) {
  if (TranslateAcceleratorW(form_.window().hwnd(), accelerators_, &message)) return;
  if (form_.preTranslate(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

}  // namespace quorvane
