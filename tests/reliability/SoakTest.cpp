// Soak: the real monitor window with its real CPU sampler, memory status, process
// collection and optimizer, driven in-process for 10 000 sampling ticks and 200
// optimization sequences; afterwards the footprint must not have grown. Then the process
// collection at a busy machine's scale, with processes starting and ending inside its
// refreshes.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "ChildProcesses.h"
#include "Footprint.h"
#include "SmallOptimizer.h"
#include "monitor/MemtideFrm.h"
#include "sampling/MemtideProcessUnit.h"
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

// Starts and ends children one step at a time, deterministically: up to kAlive live at
// once, ended oldest and newest in turn, until `total` have been started and all ended.
class Churn {
 public:
  static constexpr std::size_t kAlive = 12;
  explicit Churn(int total) : total_(total) {}
  ~Churn() {
    for (Child& c : alive_) End(c);
  }
  void Step() {
    if (started_ < total_ && alive_.size() < kAlive) {
      ++started_;
      Child c = StartChild(120000);
      if (c.process)
        alive_.push_back(std::move(c));
      else
        ++failedStarts_;
      return;
    }
    if (alive_.empty()) return;
    const bool oldest = (ends_++ % 2) == 0;
    Child& c = oldest ? alive_.front() : alive_.back();
    End(c);
    ended_.push_back(c.id);
    if (oldest)
      alive_.pop_front();
    else
      alive_.pop_back();
  }
  bool Done() const { return started_ == total_ && alive_.empty(); }
  std::vector<DWORD> Alive() const {
    std::vector<DWORD> ids;
    for (const Child& c : alive_) ids.push_back(c.id);
    return ids;
  }
  // Identifiers of the children ended since the last call.
  std::vector<DWORD> TakeEnded() { return std::exchange(ended_, {}); }
  int Started() const { return started_; }
  int FailedStarts() const { return failedStarts_; }

 private:
  int total_;
  int started_ = 0;
  int failedStarts_ = 0;
  int ends_ = 0;
  std::deque<Child> alive_;
  std::vector<DWORD> ended_;
};

// The monitor window's real process pass, with children started and ended before and after
// its refresh and between its trims.
class ChurningProcesses final : public IMonitorProcesses {
 public:
  ChurningProcesses(std::shared_ptr<IMonitorProcesses> real, Churn& churn)
      : real_(std::move(real)), churn_(churn) {}
  std::vector<DWORD> RefreshProcessIds() override {
    churn_.Step();
    std::vector<DWORD> ids = real_->RefreshProcessIds();
    churn_.Step();
    return ids;
  }
  void TrimWorkingSet(DWORD processId) override {
    if (++trims_ % 16 == 0) churn_.Step();
    real_->TrimWorkingSet(processId);
  }

 private:
  std::shared_ptr<IMonitorProcesses> real_;
  Churn& churn_;
  int trims_ = 0;
};

bool ProcessExists(DWORD id) {
  UniqueHandle h(OpenProcess(SYNCHRONIZE, FALSE, id));
  return h && WaitForSingleObject(h.get(), 0) == WAIT_TIMEOUT;
}

}  // namespace

// 150 children start and end from inside the refreshes' message handling (every eighth
// call), in rounds without details (the monitor window's) and with every detail, and
// inside the monitor window's own sequences. After every round no process that lived
// through it is missing and none has two records; an ended one leaves within the rounds its
// lifecycle allows; at the end every handle opened on the way is closed again.
TEST_F(Soak, ProcessesStartingAndEndingDuringRefreshesLoseNothingAndLeaveNoHandleOpen) {
  constexpr int kChildren = 150;
  Churn churn(kChildren);
  TMemtideProcessCollection collection;
  int calls = 0;
  bool churning = false;
  collection.ProcessMessages = [&] {
    if (churning && ++calls % 8 == 0) churn.Step();
  };

  SmallOptimizerCounts counts;
  TMonitorParts parts;
  parts.FillDefaults();
  parts.MakeOptimizer = [&counts] { return MakeSmallOptimizer(kBlocksPerRun, &counts); };
  auto makeProcesses = parts.MakeProcesses;
  parts.MakeProcesses = [&] {
    return std::shared_ptr<IMonitorProcesses>(new ChurningProcesses(makeProcesses(), churn));
  };
  auto monitor = std::make_unique<TFrmMemtide>(nullptr, TMonitorHost{}, parts);
  auto sequence = [&] {
    const int runs = counts.runs;
    monitor->StartOptimize();
    Application()->ProcessMessages();
    EXPECT_EQ(runs + 1, counts.runs) << "the sequence did not reach the optimizer";
    EXPECT_FALSE(monitor->IsOptimizing());
  };

  int rounds = 0;
  std::map<DWORD, int> endedInRound;  // child -> the round during or before which it ended
  auto round = [&](unsigned details) {
    ++rounds;
    for (DWORD id : churn.TakeEnded()) endedInRound[id] = rounds - 1;
    const std::vector<DWORD> alive = churn.Alive();
    collection.Refresh(details);
    collection.AdvanceStates();
    collection.RemoveGone();
    std::set<DWORD> endedMeanwhile;
    for (DWORD id : churn.TakeEnded()) {
      endedMeanwhile.insert(id);
      endedInRound[id] = rounds;
    }
    std::set<DWORD> ids;
    for (const auto& item : collection.Items())
      EXPECT_TRUE(ids.insert(item->ProcessID).second)
          << "two records of process " << item->ProcessID << " after round " << rounds;
    for (DWORD id : alive) {
      if (endedMeanwhile.count(id) == 0) {
        EXPECT_EQ(1u, ids.count(id)) << "child " << id << " lived through round " << rounds
                                     << " but has no record";
      }
    }
    // Seen twice, a process leaves in the first round after its end; seen once, in the
    // second. An identifier taken over by a new process meanwhile stays, by design.
    for (auto it = endedInRound.begin(); it != endedInRound.end();) {
      if (rounds - it->second < 2) {
        ++it;
        continue;
      }
      if (!ProcessExists(it->first)) {
        EXPECT_EQ(0u, ids.count(it->first))
            << "child " << it->first << " ended in round " << it->second
            << " still has a record after round " << rounds;
      }
      it = endedInRound.erase(it);
    }
  };

  // Warm-up, so that what the calls open once and keep (libraries, the window's objects)
  // is open before the handles are counted.
  for (int i = 0; i < 2; ++i) {
    round(kNoDetails);
    round(kAllDetails);
  }
  sequence();
  {
    Child c = StartChild();
    round(kAllDetails);
    End(c);
  }
  for (int i = 0; i < 3; ++i) round(kNoDetails);
  const DWORD startHandles = OpenHandleCount();
  ASSERT_GT(startHandles, 0u);

  churning = true;
  while (!churn.Done()) {
    round(kNoDetails);
    round(kAllDetails);
    sequence();
  }
  churning = false;
  for (int i = 0; i < 3; ++i) round(rounds % 2 ? kNoDetails : kAllDetails);
  sequence();
  EXPECT_TRUE(endedInRound.empty()) << endedInRound.size() << " ended children not checked";
  EXPECT_EQ(kChildren, churn.Started());
  EXPECT_EQ(0, churn.FailedStarts());
  EXPECT_GE(collection.FindIndex(GetCurrentProcessId()), 0);
  EXPECT_FALSE(monitor->ResultText().empty());

  const DWORD endHandles = OpenHandleCount();
  std::printf("%d rounds; open handles %lu before the children, %lu after\n", rounds,
              static_cast<unsigned long>(startHandles), static_cast<unsigned long>(endHandles));
  EXPECT_LE(endHandles, startHandles) << "handles left open";
  monitor.reset();
  EXPECT_EQ(0, boxes_);
  EXPECT_EQ(0, errors_);
}
