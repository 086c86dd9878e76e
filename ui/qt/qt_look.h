#pragma once

#include <QFont>

namespace quorvane {

// The font of the sheet and the window: "ＭＳ Ｐゴシック" 9 pt, else the metric-compatible
// IPAPGothic, else any Japanese font.
QFont sheetFont();

// The application's style and font. The window is laid out in pixels, so it uses one style
// everywhere (Fusion), which keeps frames, scroll bars and controls at the sizes the layout
// assumes, whatever the desktop's own style would make them.
void applyLook();

}  // namespace quorvane
