// Messages between the monitor window and the main form, each posted with wParam 0 and
// lParam 0.
#pragma once
#include <windows.h>

// monitor window -> main form: a run has started, or the window was hidden during one.
constexpr UINT WM_OPTIMIZING = WM_USER + 257;  // 0x501
// monitor window -> main form: a run has ended; the result is the monitor's result text.
constexpr UINT WM_OPTIMIZED = WM_USER + 258;  // 0x502
// Request to start a run. The monitor window ignores it while a run is active.
constexpr UINT WM_STARTOPTIMIZE = WM_USER + 259;  // 0x503

static_assert(WM_OPTIMIZING == 0x501 && WM_OPTIMIZED == 0x502 && WM_STARTOPTIMIZE == 0x503);
