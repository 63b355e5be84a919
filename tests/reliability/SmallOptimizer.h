// The real optimizer behind the monitor window's seam, with the run's size fixed so that
// hundreds of sequences fit in a test.
#pragma once
#include <memory>

#include "monitor/MonitorParts.h"

struct SmallOptimizerCounts {
  int runs = 0;
  int progressEvents = 0;
  int lastProgress = -1;
};

// Optimize(any amount) runs `blocks` blocks of the system allocator; `counts` may be null.
std::shared_ptr<IMonitorOptimizer> MakeSmallOptimizer(int blocks, SmallOptimizerCounts* counts);
