// Where the shown monitor window's one-second tick spends its time: the whole tick
// (sampling, both charts, both value lines) plus the repaint it causes, split into its
// pieces, against a baseline of a timer wake-up that does nothing. Prints per-tick
// figures; CPU time is the thread's user + kernel time, wall time from the performance
// counter (the pieces are single-threaded, so both should agree where the clock allows).
#include <windows.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "controls/ColorUnit.h"
#include "controls/DockLabel.h"
#include "controls/QvGDIPlusTrendLine.h"
#include "monitor/MemtideFrm.h"
#include "ui/Application.h"
#include "util/QvBaseUnit.h"

namespace {

constexpr int kTicks = 120;

// Milliseconds of wall time per call of `step`, over kTicks calls.
double PerTick(const std::function<void(int)>& step) {
  double t0 = bench::Now();
  for (int i = 0; i < kTicks; ++i) step(i);
  return (bench::Now() - t0) * 1000.0 / kTicks;
}

}  // namespace

int main() {
  bench::PrintMessagesInsteadOfBoxes();
  GdiPlusSession gdiplus;
  TMonitorParts parts;
  parts.FillDefaults();
  auto monitor = std::make_unique<TFrmMemtide>(nullptr, TMonitorHost{}, parts);
  monitor->ShowMonitor(0);
  Application()->ProcessMessages();
  HWND wnd = monitor->Handle();

  auto paint = [&] { UpdateWindow(wnd); };
  // Baseline: handling pending messages when nothing is pending.
  double base = PerTick([&](int) { Application()->ProcessMessages(); });
  double tick = PerTick([&](int) {
    monitor->Timer1Timer(nullptr);
    paint();
  });
  auto cpu = parts.MakeCpu();
  double sample = PerTick([&](int) { cpu->GetCPUUsage(); });
  auto opt = parts.MakeOptimizer();
  double memory = PerTick([&](int) { opt->FreeMemory(); });
  double cpuChart = PerTick([&](int i) { monitor->cpuLine->AddValue(1, (i * 37) % 100); });
  double ramChart = PerTick([&](int i) { monitor->ramLine->AddValue(1, (i * 17) % 100); });
  paint();
  double label = PerTick([&](int i) {
    monitor->lbl_cpuvalue->SetCaption(std::to_string(i % 100) + "%");
  });
  paint();
  double labelPaint = PerTick([&](int i) {
    monitor->lbl_cpuvalue->SetCaption(std::to_string(i % 100) + "%");
    paint();
  });
  double chartPaint = PerTick([&](int i) {
    monitor->cpuLine->AddValue(1, (i * 37) % 100);
    paint();
  });
  double fullPaint = PerTick([&](int) {
    InvalidateRect(wnd, nullptr, FALSE);
    paint();
  });

  // The tick as the timer runs it, with the messages it causes handled and a pause after
  // it, timed as process and thread CPU: what the window system does for a repaint outside
  // the painting code (copying the window's picture to the screen) shows up here.
  auto cpuTimes = [](HANDLE h, bool thread) {
    FILETIME c, e, k, u;
    BOOL ok = thread ? GetThreadTimes(h, &c, &e, &k, &u) : GetProcessTimes(h, &c, &e, &k, &u);
    if (!ok) return 0.0;
    auto v = [](FILETIME f) {
      return static_cast<double>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) |
                                 f.dwLowDateTime);
    };
    return (v(k) + v(u)) / 10000.0;  // ms
  };
  const double p0 = cpuTimes(GetCurrentProcess(), false);
  const double t0 = cpuTimes(GetCurrentThread(), true);
  for (int i = 0; i < kTicks; ++i) {
    monitor->Timer1Timer(nullptr);
    Application()->ProcessMessages();
    Sleep(20);
    Application()->ProcessMessages();
  }
  const double processCpu = (cpuTimes(GetCurrentProcess(), false) - p0) / kTicks;
  const double threadCpu = (cpuTimes(GetCurrentThread(), true) - t0) / kTicks;

  monitor->HideMonitor();
  Application()->ProcessMessages();
  double hidden = PerTick([&](int) {
    monitor->Timer1Timer(nullptr);
    Application()->ProcessMessages();
  });
  double hiddenLabel = PerTick([&](int i) {
    monitor->lbl_cpuvalue->SetCaption(std::to_string(i % 100) + "%");
  });

  std::printf("monitor tick, shown (%d-bit build), ms per tick over %d ticks\n",
              static_cast<int>(sizeof(void*) * 8), kTicks);
  std::printf("  baseline (empty message pump)        %8.3f\n", base);
  std::printf("  whole tick + repaint                 %8.3f\n", tick);
  std::printf("  CPU sample                           %8.3f\n", sample);
  std::printf("  memory status                        %8.3f\n", memory);
  std::printf("  CPU chart AddValue (render)          %8.3f\n", cpuChart);
  std::printf("  RAM chart AddValue (render)          %8.3f\n", ramChart);
  std::printf("  value label caption (no paint)       %8.3f\n", label);
  std::printf("  value label caption + repaint        %8.3f\n", labelPaint);
  std::printf("  CPU chart AddValue + repaint         %8.3f\n", chartPaint);
  std::printf("  whole window repaint                 %8.3f\n", fullPaint);
  std::printf("  tick as the timer runs it: process CPU %8.3f, this thread %8.3f\n", processCpu,
              threadCpu);
  std::printf("hidden\n");
  std::printf("  whole tick + pending messages        %8.3f\n", hidden);
  std::printf("  value label caption                  %8.3f\n", hiddenLabel);
  monitor.reset();
  return 0;
}
