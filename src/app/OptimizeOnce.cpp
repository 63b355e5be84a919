#include "app/OptimizeOnce.h"

#include <memory>
#include <utility>

#include "monitor/MemtideFrm.h"

int RunOptimizeOnce(TMonitorParts Parts) {
  if (!Parts.MakeCpu) Parts.MakeCpu = [] { return std::unique_ptr<IMonitorCpu>(); };
  try {
    // No host: no main form to tell, no settings, no language, no auto-optimize rule.
    TFrmMemtide monitor(nullptr, TMonitorHost{}, std::move(Parts));
    return monitor.StartOptimize() ? kOptimizeOnceDone : kOptimizeOnceFailed;
  } catch (...) {
    return kOptimizeOnceFailed;
  }
}
