// Pixels per logical inch, and scaling of 96-DPI design values to a window's DPI.
// Layouts are written for 96 DPI; a form scales its controls once at creation and again
// when Windows moves it to a monitor of another DPI (WM_DPICHANGED).
#pragma once
#include <windows.h>

namespace dpi {

constexpr int kDesignDpi = 96;

// Value * Dpi / FromDpi, rounded half away from zero (as MulDiv). A zero FromDpi or a
// non-positive Dpi leaves the value as it is.
int Scale(int Value, int Dpi, int FromDpi = kDesignDpi);
// A pixel measure that follows DPI changes from the value it was given rather than from
// its last rounded scaling, so 96 -> 120 -> 144 -> 96 DPI ends where it began (10 would
// otherwise become 13, 16 and then 11).
struct GivenMeasure {
  int Value = 0;           // as given
  int AtDpi = kDesignDpi;  // the DPI it was given at
  int At(int Dpi) const { return Scale(Value, Dpi, AtDpi); }
};

// Scales every edge of the rectangle (so adjacent rectangles stay adjacent).
RECT ScaleRect(const RECT& R, int Dpi, int FromDpi = kDesignDpi);
// The DPI of the system (primary monitor): GetDpiForSystem where it exists (Windows 10),
// otherwise the screen DC's LOGPIXELSX (Windows 7 and 8).
int SystemDpi();
// The DPI of the window's monitor: GetDpiForWindow (Windows 10), GetDpiForMonitor
// (Windows 8.1), otherwise the system DPI. A null window gives the system DPI.
int WindowDpi(HWND Wnd);

// A system metric (SM_CXSMICON, ...) at that DPI: GetSystemMetricsForDpi (Windows 10),
// otherwise - or when it answers nothing - GetSystemMetrics, the system DPI's value.
int SystemMetricForDpi(int Index, int Dpi);

// Declares per-monitor awareness at run time for programs without a manifest that says
// so (tools, test helpers): PerMonitorV2, PerMonitor, then system aware, whichever the
// system knows. Must run before the first window is created.
void MakeProcessDpiAware();

// Test seam: a non-zero value is returned by SystemDpi and WindowDpi instead of the
// system's answer. 0 restores the system's answer.
void SetDpiOverride(int Dpi);

}  // namespace dpi
