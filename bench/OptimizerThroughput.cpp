// One optimization run of N blocks (256, 1024, 2048) through the monitor window, whose own
// progress handler moves the progress bar after every step and handles messages (and so
// repaints) at its own pace, against a bare VirtualAlloc + memset + VirtualFree loop over the
// same blocks in the same process. Also times the optimizer with an empty handler, to tell the
// handler's share from the optimizer's. Prints the median of several alternating rounds and
// the ratio (goal: at most 1.10).
#include <windows.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "BenchSupport.h"
#include "controls/ColorUnit.h"
#include "monitor/MemtideFrm.h"
#include "ui/Application.h"
#include "util/QvBaseUnit.h"

namespace {

constexpr int kRounds = 9;

class NoProcesses final : public IMonitorProcesses {
 public:
  std::vector<DWORD> RefreshProcessIds() override { return {}; }
  void TrimWorkingSet(DWORD) override {}
};

}  // namespace

int main() {
  bench::PrintMessagesInsteadOfBoxes();
  GdiPlusSession gdiplus;
  int blocks = 0;
  double seconds = 0;
  TMonitorParts parts;
  parts.FillDefaults();
  auto makeReal = parts.MakeOptimizer;
  parts.MakeOptimizer = [&] {
    return std::shared_ptr<IMonitorOptimizer>(
        new bench::FixedRunOptimizer(makeReal(), &blocks, &seconds));
  };
  // Trimming other processes is not part of this figure.
  parts.MakeProcesses = [] { return std::shared_ptr<IMonitorProcesses>(new NoProcesses); };
  auto monitor = std::make_unique<TFrmMemtide>(nullptr, TMonitorHost{}, parts);
  monitor->ShowMonitor(0);
  Application()->ProcessMessages();

  std::printf("optimizer throughput (%d-bit build), median of %d alternating rounds\n",
              static_cast<int>(sizeof(void*) * 8), kRounds);
  std::printf("%6s %8s %12s %12s %12s %8s %6s\n", "N", "held", "optimize_ms", "no_handler",
              "bare_ms", "ratio", "goal");
  // The optimizer with an empty progress handler: what the handler itself adds.
  auto alone = makeReal();
  bench::BareBlockLoop(64);  // first-use costs of the heap and the address space
  for (int n : {256, 1024, 2048}) {
    std::vector<double> opt, bare, plain;
    int held = 0;
    for (int r = 0; r < kRounds; ++r) {
      blocks = n;
      monitor->StartOptimize();
      opt.push_back(seconds);
      double t0 = bench::Now();
      held = bench::BareBlockLoop(n);
      bare.push_back(bench::Now() - t0);
      t0 = bench::Now();
      alone->Optimize(n, [](int) {});
      plain.push_back(bench::Now() - t0);
    }
    double o = bench::Median(opt), b = bench::Median(bare), p = bench::Median(plain);
    std::printf("%6d %8d %12.1f %12.1f %12.1f %8.3f %6s\n", n, held, o * 1000, p * 1000,
                b * 1000, o / b, "1.10");
    std::fflush(stdout);
  }
  monitor.reset();
  return 0;
}
