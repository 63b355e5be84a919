// Where the taskbar sits and where the monitor window goes when the mouse is over the tray icon.
#pragma once
#include <windows.h>

#include "monitor/MonitorRules.h"  // TaskbarEdge

struct TaskbarPosition {
  TaskbarEdge Edge = tbBottom;
  int Thickness = 0;
};

// The edge a taskbar with window rectangle r occupies on a screen of w x h pixels.
TaskbarPosition TaskbarEdgeFromRect(const RECT& r, int w, int h);

// Top-left corner of a monitor window of mw x mh beside the tray, for the cursor at (x, y).
POINT MonitorPositionNearTray(const TaskbarPosition& taskbar, int x, int y, int mw, int mh,
                              int w, int h);
