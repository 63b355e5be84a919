// "-optimize" with no copy of the program running: one optimization sequence, then the
// process ends. No window is shown, no tray icon added and nothing written to the settings
// (not even the program path), so a scheduled task leaves no trace but the freed memory.
#pragma once
#include "monitor/MonitorParts.h"

// The process's exit code: 0 when the sequence ran to its end, 1 when it could not run.
constexpr int kOptimizeOnceDone = 0;
constexpr int kOptimizeOnceFailed = 1;

// The monitor window's own sequence (trim every working set, then the optimizer's run),
// in a monitor window that is never shown. `Parts` replaces the system pieces in tests;
// no CPU sampler is made unless Parts brings one, as no chart is looked at.
int RunOptimizeOnce(TMonitorParts Parts = {});
