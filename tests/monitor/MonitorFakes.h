// Fake CPU, memory, optimizer and process list for driving the real monitor window.
#pragma once
#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "monitor/MemtideFrm.h"

// Everything the fakes read and record, owned by the test.
struct FakeWorld {
  std::deque<int> cpuSamples;  // handed out in order; then cpuDefault
  int cpuDefault = 5;
  bool usePdh = false;
  int cpuCalls = 0;

  std::int64_t freeBytes = 2LL << 30;
  std::int64_t totalBytes = 4LL << 30;
  std::int64_t freeAfterRun = -1;  // when >= 0, FreeMemory answers this once a run ended
  std::vector<int> progressSteps{50, 100};
  std::vector<DWORD> pids{11, 22, 33};
  int optimizeCalls = 0;
  int lastAmountMB = -1;

  POINT cursor{0, 0};
  bool realCursor = false;  // use GetCursorPos instead of `cursor`
  SYSTEMTIME now{2024, 5, 3, 17, 14, 3, 27, 0};
  DWORD tickCount = 1000;  // the clock the progress handler paces its repaints by
  DWORD trimTicks = 0;     // how far that clock moves during each trim call
  std::string folder = "C:\\pins\\";

  std::vector<std::string> log;
  TFrmMemtide* monitor = nullptr;  // for recording the bar; null once destroyed
  std::function<void(int step)> afterStep;  // after the monitor handled progress `step`
  std::function<void()> duringRefresh;

  TMonitorParts Parts();
  // "pb=<value> lbl=<caption> visible=<0|1>" of the live monitor window.
  std::string Bar() const;
};
