// Soak: the real monitor window with its real CPU sampler, memory status, process
// collection and optimizer, driven in-process for 10 000 sampling ticks and 200
// optimization sequences; afterwards the footprint must not have grown.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "Footprint.h"
#include "SmallOptimizer.h"
#include "monitor/MemtideFrm.h"
#include "ui/Application.h"
#include "util/QvBaseUnit.h"

namespace {

constexpr int kTicks = 10000;
constexpr int kRuns = 200;
constexpr int kBlocksPerRun = 4;

// Heap and CRT allocations are made in pages and kept by the heap once freed, and Wine's
// process list buffers grow in steps: a fixed allowance absorbs that noise. A real leak
// of even 64 bytes per tick or 3 KiB per sequence would exceed it.
constexpr std::int64_t kPrivateAllowance = 640 * 1024;
// The working set also follows which heap pages were touched last.
constexpr std::int64_t kWorkingSetAllowance = 2 * 1024 * 1024;

BOOL CALLBACK CountWindow(HWND wnd, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  EnumChildWindows(wnd, CountWindow, count);
  return TRUE;
}

// Windows of this thread, children included: the USER objects a leak would most likely
// be, and countable where GetGuiResources is not (Wine).
int ThreadWindows() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

class Soak : public testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxFunction([this](HWND, const std::string& text, const std::string&, UINT) {
      ++boxes_;
      std::printf("message box: %s\n", text.c_str());
      return IDOK;
    });
    Application()->OnException = [this](const std::string& m) {
      ++errors_;
      std::printf("error: %s\n", m.c_str());
    };
  }
  void TearDown() override {
    Application()->OnException = nullptr;
    SetMessageBoxFunction(nullptr);
  }
  int boxes_ = 0;
  int errors_ = 0;
};

TEST_F(Soak, TicksAndSequencesLeaveTheFootprintAsItWas) {
  SmallOptimizerCounts counts;
  TMonitorParts parts;
  parts.MakeOptimizer = [&counts] { return MakeSmallOptimizer(kBlocksPerRun, &counts); };
  // Host left empty: no main form to post to, no auto-optimize of its own.
  auto monitor = std::make_unique<TFrmMemtide>(nullptr, TMonitorHost{}, parts);
  monitor->ShowMonitor(0);  // shown, so every tick and progress step also paints

  auto tick = [&] {
    monitor->Timer1Timer(nullptr);
    Application()->ProcessMessages();
  };
  auto sequence = [&] {
    monitor->StartOptimize();
    Application()->ProcessMessages();
  };

  // Warm-up: the trend lines fill their 100 samples, the process collection its histories.
  for (int i = 0; i < 150; ++i) tick();
  for (int i = 0; i < 5; ++i) sequence();
  const Footprint start = ReadFootprint();
  const int startWindows = ThreadWindows();

  Footprint middle;
  int runs = 0;
  for (int i = 1; i <= kTicks; ++i) {
    tick();
    if (i % (kTicks / kRuns) == 0) {
      sequence();
      ++runs;
    }
    if (i == kTicks / 2) middle = ReadFootprint();
  }
  const Footprint end = ReadFootprint();
  const int endWindows = ThreadWindows();
  std::printf("start:  %s, %d windows\nmiddle: %s\nend:    %s, %d windows\n",
              Describe(start).c_str(), startWindows, Describe(middle).c_str(),
              Describe(end).c_str(), endWindows);

  EXPECT_EQ(kRuns, runs);
  EXPECT_EQ(kRuns + 5, counts.runs) << "a sequence did not reach the optimizer";
  EXPECT_EQ(100, counts.lastProgress);
  EXPECT_FALSE(monitor->IsOptimizing());
  EXPECT_FALSE(monitor->ResultText().empty());
  EXPECT_LE(Growth(start.PrivateBytes, end.PrivateBytes), kPrivateAllowance);
  EXPECT_LE(Growth(middle.PrivateBytes, end.PrivateBytes), kPrivateAllowance);
  EXPECT_LE(Growth(start.WorkingSet, end.WorkingSet), kWorkingSetAllowance);
  // GDI and USER objects are counted exactly: any growth is a leaked handle.
  EXPECT_LE(end.GdiObjects, start.GdiObjects);
  EXPECT_LE(end.UserObjects, start.UserObjects);
  EXPECT_LE(endWindows, startWindows);
  EXPECT_EQ(0, boxes_);
  EXPECT_EQ(0, errors_);
  monitor.reset();
}

}  // namespace
