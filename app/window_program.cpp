#include "app/window_program.h"

#include <QShortcut>
#include <algorithm>

#include "sheet/form_design.h"

namespace quorvane {

WindowProgram::WindowProgram(ShellOpener& shell, FileService& files)
    : form_(shell, files),
      window_(form_.controls()),
      gridView_(window_.MSFlexGrid1(), form_.window()) {
  gridView_.setClickHandler([this] { window_.MSFlexGrid1_Click(); });
  gridView_.setDblClickHandler([this] { window_.MSFlexGrid1_DblClick(); });
  gridView_.setScrollHandler([this] { window_.MSFlexGrid1_Scroll(); });
  gridView_.setContextMenuHandler([this](QPoint at) {
    form_.menu.placeAt(at);
    window_.MSFlexGrid1_ContextMenu();
  });
  // A menu asked for from an editor's keys opens under the current cell, inside the sheet
  // when the cell is scrolled out of sight.
  form_.menu.setDefaultPlace([this] {
    const FlexGrid& grid = window_.MSFlexGrid1();
    const QRect cell = gridView_.cellRect(grid.Row(), grid.Col());
    const QRect sheet = gridView_.viewport()->rect();
    const QPoint at(std::clamp(cell.left(), sheet.left(), std::max(sheet.left(), sheet.right())),
                    std::clamp(cell.bottom(), sheet.top(), std::max(sheet.top(), sheet.bottom())));
    return gridView_.viewport()->mapToGlobal(at);
  });
  // The form has given every control its index by now; the grid is no platform control.
  form_.stage.setTabIndex(&gridView_, design::MSFlexGrid1.tabIndex);
  form_.stage.applyTabOrder();

  QtFormWindow& frame = form_.window();
  frame.setResizeHandler([this] { window_.Form_Resize(); });
  frame.setDropHandler([this](const std::string& path) { return window_.OpenDroppedPath(path); });
  // Wherever the focus is, the editors included; the handlers store an open editor first,
  // as the buttons do.
  const auto shortcut = [&frame](QKeySequence keys, std::function<void()> run) {
    auto* made = new QShortcut(keys, &frame);
    made->setContext(Qt::WindowShortcut);
    QObject::connect(made, &QShortcut::activated, &frame, std::move(run));
  };
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { window_.cmdSave_Click(); });
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { window_.cmdEnd_Click(); });
  shortcut(QKeySequence(Qt::Key_F5), [this] { window_.ReloadFolder(); });
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_T), [this] { window_.TagsFromNames(); });
  frame.setCloseHandler([this] {
    std::int16_t cancel = 0;
    window_.Form_QueryUnload(cancel);
    return cancel == 0;
  });
}

void WindowProgram::show() {
  window_.Form_Load();
  form_.window().resize(static_cast<int>(design::kClientWidth),
                        static_cast<int>(design::kClientHeight));
  form_.window().show();
}

bool WindowProgram::openFolder(const std::string& folder) {
  return form_.Dir1.setPath(folder);
}

}  // namespace quorvane
