#include "app/TaskbarPlacement.h"

TaskbarPosition TaskbarEdgeFromRect(const RECT& r, int w, int h) {
  TaskbarPosition p;
  if (r.bottom == h && r.right == w && r.left == 0) {
    p.Edge = tbBottom;
  } else if (r.left == 0 && r.bottom == h && r.top == 0) {
    p.Edge = tbLeft;
  } else if (r.top == 0 && r.right == w && r.left == 0) {
    p.Edge = tbTop;
  } else if (r.right == w && r.bottom == h && r.top == 0) {
    p.Edge = tbRight;
  } else {
    // At no edge of the primary screen (another monitor, or floating): the window goes
    // above the bottom edge. A bar standing upright there is as thick as it is wide, not
    // as tall: its height would lift the window off the top of the screen.
    p.Edge = tbBottom;
    const int height = r.bottom - r.top;
    const int width = r.right - r.left;
    p.Thickness = height > width ? width : height;
    return p;
  }
  p.Thickness = (p.Edge == tbBottom || p.Edge == tbTop) ? r.bottom - r.top : r.right - r.left;
  return p;
}

namespace {
constexpr int kMargin = 2;

// Centred on the cursor; pushed back flush with the far edge when it would stick out.
int CentredAlong(int cursor, int size, int screen) {
  int pos = cursor - size / 2;
  if (pos + size > screen) pos = screen - size;
  return pos;
}

int CentredAcross(int cursor, int size, int screen) {
  int pos = cursor - size / 2;
  if (pos < 0) pos = 0;
  if (pos + size > screen) pos = screen - size - kMargin;
  return pos;
}
}  // namespace

POINT MonitorPositionNearTray(const TaskbarPosition& taskbar, int x, int y, int mw, int mh,
                              int w, int h) {
  const int t = taskbar.Thickness;
  switch (taskbar.Edge) {
    case tbLeft:
      return {t + kMargin, CentredAcross(y, mh, h)};
    case tbTop:
      return {CentredAlong(x, mw, w), t + kMargin};
    case tbRight:
      return {w - kMargin - t - mw, CentredAcross(y, mh, h)};
    default:
      return {CentredAlong(x, mw, w), h - mh - t - kMargin};
  }
}
