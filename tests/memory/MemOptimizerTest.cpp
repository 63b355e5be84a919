#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <stdexcept>
#include <vector>

#include "memory/MemtideMemOpt.h"

namespace {

// Hands out distinct fake addresses without touching memory, so runs of 8192 blocks are cheap.
class FakeAllocator : public TBlockAllocator {
 public:
  void* Commit(std::size_t size) override {
    ++commitAttempts;
    EXPECT_EQ(size, kOptimizeBlockSize);
    if (refuseAfter >= 0 && commits >= refuseAfter) return nullptr;
    ++commits;
    void* block = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x10000 * commits));
    held.insert(block);
    committedOrder.push_back(block);
    return block;
  }
  void Touch(void* block, std::size_t size) override {
    EXPECT_EQ(size, kOptimizeBlockSize);
    EXPECT_TRUE(held.count(block)) << "touched a block it does not hold";
    ++touches;
    if (throwOnTouch == touches) throw std::runtime_error("touch failed");
  }
  void Release(void* block) noexcept override {
    ++releases;
    if (held.erase(block) != 1) ++badReleases;
    releasedOrder.push_back(block);
  }

  int refuseAfter = -1;  // commits granted before the system refuses
  int throwOnTouch = 0;
  int commitAttempts = 0;
  int commits = 0;
  int touches = 0;
  int releases = 0;
  int badReleases = 0;
  std::set<void*> held;
  std::vector<void*> committedOrder;
  std::vector<void*> releasedOrder;
};

void FixedStatus(TMemStatus& s) {
  s.TotalPhys = 8ull << 30;
  s.AvailPhys = 3ull << 30;
}

// Records the events of a run in order: 'B', 'A' and the progress values.
struct Recorder {
  explicit Recorder(TMemOptimizer& opt) {
    opt.OnBeforeDefrag = [this](TMemOptimizer* s) {
      log.push_back(-1);
      workingInBefore = s->Working();
    };
    opt.OnProgress = [this](TMemOptimizer* s, int p) {
      progress.push_back(p);
      EXPECT_EQ(p, s->Progress());
      EXPECT_TRUE(s->Working());
    };
    opt.OnAfterDefrag = [this](TMemOptimizer* s) {
      log.push_back(-2);
      workingInAfter = s->Working();
    };
  }
  std::vector<int> log;
  std::vector<int> progress;
  bool workingInBefore = false;
  bool workingInAfter = true;
  int Afters() const { return static_cast<int>(std::count(log.begin(), log.end(), -2)); }
};

class MemOptimizerTest : public ::testing::Test {
 protected:
  FakeAllocator alloc;
  TMemOptimizer opt{&alloc, &FixedStatus};
};

TEST(ProgressPercent, RoundsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(ProgressPercent(1, 8), 12);
  EXPECT_EQ(ProgressPercent(3, 8), 38);
  EXPECT_EQ(ProgressPercent(5, 8), 62);
  EXPECT_EQ(ProgressPercent(7, 8), 88);
  EXPECT_EQ(ProgressPercent(1, 200), 0);
  EXPECT_EQ(ProgressPercent(3, 200), 2);
  EXPECT_EQ(ProgressPercent(1, 6), 17);
  EXPECT_EQ(ProgressPercent(16384, 16384), 100);
  EXPECT_EQ(ProgressPercent(0, 0), 0);
}

// 23 / 40 and 59 / 200 are exact halves (57.5, 29.5) that a double computes a hair low.
TEST(ProgressPercent, SeesExactHalvesThatFloatingPointMisses) {
  EXPECT_EQ(ProgressPercent(23, 40), 58);
  EXPECT_EQ(ProgressPercent(59, 200), 30);
  EXPECT_EQ(ProgressPercent(1, 40), 2);
  EXPECT_EQ(ProgressPercent(3, 40), 8);
  EXPECT_EQ(ProgressPercent(7, 40), 18);
  EXPECT_EQ(ProgressPercent(8191, 16384), 50);  // 49.99 rounds up, not a half
}

TEST(OptimizeBlockCount, CapsAt8192AndIgnoresNonPositive) {
  EXPECT_EQ(OptimizeBlockCount(-3), 0);
  EXPECT_EQ(OptimizeBlockCount(0), 0);
  EXPECT_EQ(OptimizeBlockCount(1), 1);
  EXPECT_EQ(OptimizeBlockCount(8192), 8192);
  EXPECT_EQ(OptimizeBlockCount(8193), 8192);
  EXPECT_EQ(OptimizeBlockCount(0x7FFFFFFF), 8192);
}

TEST_F(MemOptimizerTest, ProgressSequencesForOneThreeAndFourBlocks) {
  Recorder rec(opt);
  opt.Optimize(1);
  EXPECT_EQ(rec.progress, (std::vector<int>{50, 100}));
  rec.progress.clear();
  opt.Optimize(3);
  EXPECT_EQ(rec.progress, (std::vector<int>{17, 33, 50, 67, 83, 100}));
  rec.progress.clear();
  opt.Optimize(4);
  EXPECT_EQ(rec.progress, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100}));
  EXPECT_EQ(alloc.commits, 8);
  EXPECT_EQ(alloc.touches, 8);
  EXPECT_EQ(alloc.releases, 8);
  EXPECT_TRUE(alloc.held.empty());
}

TEST_F(MemOptimizerTest, FullRunFillsEverythingBeforeReleasingInCommitOrder) {
  int heldAtHalf = -1;
  opt.OnProgress = [&](TMemOptimizer*, int p) {
    if (p == 50) heldAtHalf = static_cast<int>(alloc.held.size());
  };
  opt.Optimize(6);
  EXPECT_EQ(heldAtHalf, 6);
  EXPECT_EQ(alloc.releasedOrder, alloc.committedOrder);
  EXPECT_EQ(alloc.badReleases, 0);
}

TEST_F(MemOptimizerTest, EventsBracketTheRunAndWorkingFollowsIt) {
  Recorder rec(opt);
  EXPECT_FALSE(opt.Working());
  opt.Optimize(2);
  ASSERT_EQ(rec.log.size(), 2u);
  EXPECT_EQ(rec.log.front(), -1);
  EXPECT_EQ(rec.log.back(), -2);
  EXPECT_TRUE(rec.workingInBefore);
  EXPECT_FALSE(rec.workingInAfter);
  EXPECT_FALSE(opt.Working());
  EXPECT_EQ(opt.Progress(), 100);
}

TEST_F(MemOptimizerTest, RequestAbove8192UsesTheCap) {
  int events = 0;
  int last = -1;
  opt.OnProgress = [&](TMemOptimizer*, int p) {
    ++events;
    last = p;
  };
  opt.Optimize(10000);
  EXPECT_EQ(alloc.commits, 8192);
  EXPECT_EQ(alloc.releases, 8192);
  EXPECT_EQ(events, 16384);
  EXPECT_EQ(last, 100);
  EXPECT_TRUE(alloc.held.empty());
}

TEST_F(MemOptimizerTest, ZeroOrNegativeAmountFiresOnlyBeforeAndAfter) {
  opt.Optimize(1);  // leaves Progress at 100
  for (int amount : {0, -7}) {
    Recorder rec(opt);
    opt.Optimize(amount);
    EXPECT_EQ(rec.log, (std::vector<int>{-1, -2}));
    EXPECT_TRUE(rec.progress.empty());
    EXPECT_EQ(opt.Progress(), 100);
  }
  EXPECT_EQ(alloc.commitAttempts, 1);
}

TEST_F(MemOptimizerTest, StopInFillPhaseReleasesWhatIsHeld) {
  Recorder rec(opt);
  opt.OnProgress = [&](TMemOptimizer* s, int p) {
    rec.progress.push_back(p);
    if (rec.progress.size() == 3) s->Stop();
  };
  opt.Optimize(10);
  EXPECT_EQ(rec.progress, (std::vector<int>{5, 10, 15}));
  EXPECT_EQ(opt.Progress(), 15);
  EXPECT_EQ(alloc.commits, 3);
  EXPECT_EQ(alloc.releases, 3);
  EXPECT_TRUE(alloc.held.empty());
  EXPECT_EQ(rec.Afters(), 1);
  EXPECT_FALSE(opt.Working());
}

TEST_F(MemOptimizerTest, StopInReleasePhaseReleasesTheRestAtOnce) {
  Recorder rec(opt);
  int heldAtStop = -1;
  opt.OnProgress = [&](TMemOptimizer* s, int p) {
    rec.progress.push_back(p);
    if (rec.progress.size() == 13) {
      heldAtStop = static_cast<int>(alloc.held.size());
      s->Stop();
    }
  };
  opt.Optimize(10);
  EXPECT_EQ(heldAtStop, 7);
  EXPECT_EQ(rec.progress.size(), 13u);
  EXPECT_EQ(rec.progress.back(), 65);
  EXPECT_EQ(alloc.releases, 10);
  EXPECT_EQ(alloc.badReleases, 0);
  EXPECT_TRUE(alloc.held.empty());
  EXPECT_EQ(rec.Afters(), 1);
  EXPECT_FALSE(opt.Working());
}

// A handler about to wait for the user (a menu, a message box) ends the run with EndNow:
// the blocks go before EndNow returns, not when the handler does.
TEST_F(MemOptimizerTest, EndNowReleasesEveryBlockBeforeItReturns) {
  for (int endAt : {3, 13}) {  // in the fill phase, and in the release phase
    SCOPED_TRACE(endAt);
    FakeAllocator blocks;
    TMemOptimizer o{&blocks, &FixedStatus};
    Recorder rec(o);
    int heldAfterEnd = -1;
    o.OnProgress = [&](TMemOptimizer* s, int p) {
      rec.progress.push_back(p);
      if (static_cast<int>(rec.progress.size()) != endAt) return;
      s->EndNow();
      heldAfterEnd = static_cast<int>(blocks.held.size());
    };
    o.Optimize(10);
    EXPECT_EQ(heldAfterEnd, 0);
    EXPECT_EQ(static_cast<int>(rec.progress.size()), endAt);  // no step after it
    EXPECT_EQ(blocks.releases, blocks.commits);
    EXPECT_EQ(blocks.badReleases, 0);
    EXPECT_EQ(rec.Afters(), 1);
    EXPECT_FALSE(o.Working());
  }
  // While idle it is a Stop, forgotten by the next run.
  Recorder rec(opt);
  opt.EndNow();
  opt.Optimize(2);
  EXPECT_EQ(rec.progress, (std::vector<int>{25, 50, 75, 100}));
}

TEST_F(MemOptimizerTest, StopWhileIdleIsForgottenByTheNextRun) {
  Recorder rec(opt);
  opt.Stop();
  opt.Optimize(2);
  EXPECT_EQ(rec.progress, (std::vector<int>{25, 50, 75, 100}));
}

TEST_F(MemOptimizerTest, ProgressIsKeptUntilTheFirstStepOfTheNextRun) {
  opt.OnProgress = [](TMemOptimizer* s, int p) {
    if (p == 15) s->Stop();
  };
  opt.Optimize(10);
  int seenAtStart = -1;
  opt.OnBeforeDefrag = [&](TMemOptimizer* s) { seenAtStart = s->Progress(); };
  opt.OnProgress = nullptr;
  opt.Optimize(1);
  EXPECT_EQ(seenAtStart, 15);
  EXPECT_EQ(opt.Progress(), 100);
}

TEST_F(MemOptimizerTest, NestedOptimizeIsIgnoredAndKeepsAPendingStop) {
  int events = 0;
  opt.OnProgress = [&](TMemOptimizer* s, int) {
    if (++events == 2) {
      s->Stop();
      s->Optimize(5);  // e.g. a hot key handled while the handler pumps messages
    }
  };
  opt.Optimize(10);
  EXPECT_EQ(events, 2);
  EXPECT_EQ(alloc.commitAttempts, 2);
  EXPECT_TRUE(alloc.held.empty());
}

TEST_F(MemOptimizerTest, RefusedCommitEndsFillAndReleasesTheBlocksHeld) {
  Recorder rec(opt);
  alloc.refuseAfter = 3;
  opt.Optimize(10);
  EXPECT_EQ(alloc.commitAttempts, 4);
  EXPECT_EQ(alloc.commits, 3);
  EXPECT_EQ(alloc.touches, 3);
  EXPECT_EQ(alloc.releases, 3);  // never the refused one
  EXPECT_EQ(alloc.badReleases, 0);
  EXPECT_TRUE(alloc.held.empty());
  // The shorter run still ends at 100 so the progress bar completes.
  EXPECT_EQ(rec.progress, (std::vector<int>{5, 10, 15, 67, 83, 100}));
  EXPECT_EQ(rec.Afters(), 1);
  EXPECT_FALSE(rec.workingInAfter);
  EXPECT_FALSE(opt.Working());
}

TEST_F(MemOptimizerTest, FirstCommitRefusedEndsAtOnce) {
  Recorder rec(opt);
  alloc.refuseAfter = 0;
  opt.Optimize(4);
  EXPECT_EQ(alloc.releases, 0);
  EXPECT_TRUE(rec.progress.empty());
  EXPECT_EQ(rec.log, (std::vector<int>{-1, -2}));
  EXPECT_FALSE(opt.Working());
}

TEST_F(MemOptimizerTest, ThrowingProgressHandlerLeavesNothingBehind) {
  int afters = 0;
  opt.OnAfterDefrag = [&](TMemOptimizer* s) {
    ++afters;
    EXPECT_FALSE(s->Working());
    EXPECT_TRUE(alloc.held.empty());
  };
  opt.OnProgress = [](TMemOptimizer*, int p) {
    if (p == 25) throw std::runtime_error("handler failed");
  };
  EXPECT_THROW(opt.Optimize(10), std::runtime_error);
  EXPECT_EQ(alloc.commits, 5);
  EXPECT_EQ(alloc.releases, 5);
  EXPECT_TRUE(alloc.held.empty());
  EXPECT_FALSE(opt.Working());
  EXPECT_EQ(afters, 1);

  opt.OnProgress = nullptr;  // the component is usable again
  opt.Optimize(2);
  EXPECT_EQ(alloc.commits, 7);
  EXPECT_TRUE(alloc.held.empty());
  EXPECT_EQ(afters, 2);
}

TEST_F(MemOptimizerTest, ThrowingInReleasePhaseReleasesTheRest) {
  opt.OnProgress = [](TMemOptimizer*, int p) {
    if (p == 75) throw std::logic_error("late");
  };
  EXPECT_THROW(opt.Optimize(4), std::logic_error);
  EXPECT_EQ(alloc.releases, 4);
  EXPECT_TRUE(alloc.held.empty());
  EXPECT_FALSE(opt.Working());
}

TEST_F(MemOptimizerTest, ThrowingBeforeAndAfterHandlersDoNotLeaveWorkingSet) {
  opt.OnBeforeDefrag = [](TMemOptimizer*) { throw std::runtime_error("before"); };
  EXPECT_THROW(opt.Optimize(3), std::runtime_error);
  EXPECT_EQ(alloc.commitAttempts, 0);
  EXPECT_FALSE(opt.Working());

  opt.OnBeforeDefrag = nullptr;
  opt.OnAfterDefrag = [](TMemOptimizer*) { throw std::runtime_error("after"); };
  EXPECT_THROW(opt.Optimize(3), std::runtime_error);
  EXPECT_TRUE(alloc.held.empty());
  EXPECT_FALSE(opt.Working());
}

TEST_F(MemOptimizerTest, FailingTouchReleasesTheBlockItWasWriting) {
  alloc.throwOnTouch = 2;
  EXPECT_THROW(opt.Optimize(5), std::runtime_error);
  EXPECT_EQ(alloc.commits, 2);
  EXPECT_EQ(alloc.releases, 2);
  EXPECT_TRUE(alloc.held.empty());
  EXPECT_FALSE(opt.Working());
}

// The monitor window stops a run from its destroy handler, which runs inside the progress
// handler's message pump; it frees the optimizer once Optimize has returned.
TEST(MemOptimizerOwner, StopFromHandlerThenFreeAfterOptimizeReturns) {
  FakeAllocator alloc;
  auto opt = std::make_unique<TMemOptimizer>(&alloc, &FixedStatus);
  bool destroying = false;
  opt->OnProgress = [&](TMemOptimizer* s, int p) {
    if (p == 20) {  // "WM_DESTROY" arrives while pumping
      destroying = true;
      s->Stop();
    }
  };
  opt->Optimize(5);
  ASSERT_TRUE(destroying);
  EXPECT_FALSE(opt->Working());
  opt.reset();
  EXPECT_EQ(alloc.commits, 2);
  EXPECT_TRUE(alloc.held.empty());
}

TEST(MemOptimizerOwner, DestroyedFromItsOwnHandlerReleasesAndReturns) {
  FakeAllocator alloc;
  auto* opt = new TMemOptimizer(&alloc, &FixedStatus);
  int afters = 0;
  int events = 0;
  int captured = 42;  // the handler's own state must survive its object being freed
  opt->OnAfterDefrag = [&](TMemOptimizer*) { ++afters; };
  opt->OnProgress = [&, captured](TMemOptimizer* s, int) {
    ++events;
    if (events == 3) {
      delete s;
      EXPECT_EQ(captured, 42);
    }
  };
  opt->Optimize(6);
  EXPECT_EQ(events, 3);
  EXPECT_EQ(alloc.commits, 3);
  EXPECT_TRUE(alloc.held.empty());
  EXPECT_EQ(afters, 0);  // nothing to notify: the object is gone
}

int g_statusReads = 0;
void CountingStatus(TMemStatus& s) {
  ++g_statusReads;
  s.TotalPhys = 1000ull * g_statusReads;
  s.AvailPhys = 10ull * g_statusReads;
}

TEST(MemOptimizerStatus, TotalFixedAtCreationFreeReadLive) {
  g_statusReads = 0;
  FakeAllocator alloc;
  TMemOptimizer opt(&alloc, &CountingStatus);
  EXPECT_EQ(g_statusReads, 1);
  EXPECT_EQ(opt.FreeMemory(), 20);
  EXPECT_EQ(opt.FreeMemory(), 30);
  EXPECT_EQ(g_statusReads, 3);
  EXPECT_EQ(opt.TotalMemory(), 1000);
  EXPECT_EQ(g_statusReads, 3);
}

TEST(WinVersion, ClassifiesMajorAndMinor) {
  EXPECT_EQ(ClassifyWinVersion(true, 4, 0), 0);
  EXPECT_EQ(ClassifyWinVersion(true, 4, 90), 0);
  EXPECT_EQ(ClassifyWinVersion(true, 5, 0), 1);
  EXPECT_EQ(ClassifyWinVersion(true, 5, 1), 2);
  EXPECT_EQ(ClassifyWinVersion(true, 5, 2), 3);
  EXPECT_EQ(ClassifyWinVersion(true, 5, 3), 2);
  EXPECT_EQ(ClassifyWinVersion(true, 6, 0), 4);
  EXPECT_EQ(ClassifyWinVersion(true, 6, 3), 4);
  EXPECT_EQ(ClassifyWinVersion(true, 7, 1), 5);
  EXPECT_EQ(ClassifyWinVersion(true, 10, 0), 2);
  EXPECT_EQ(ClassifyWinVersion(true, 3, 51), 2);
  EXPECT_EQ(ClassifyWinVersion(false, 4, 0), 2);
  const int v = GetWinVersion();
  EXPECT_GE(v, 0);
  EXPECT_LE(v, 5);
}

TEST(MemStatus, FillsOnlyTheCountsAndLeavesLengthAndLoad) {
  TMemStatus s;
  s.dwLength = 0xAAAA;
  s.dwMemoryLoad = 0xBBBB;
  GetMemStatus(s);
  EXPECT_EQ(s.dwLength, 0xAAAAu);
  EXPECT_EQ(s.dwMemoryLoad, 0xBBBBu);
  EXPECT_GT(s.TotalPhys, 0u);
  EXPECT_LE(s.AvailPhys, s.TotalPhys);
  EXPECT_GT(s.TotalVirtual, 0u);
  EXPECT_LE(s.AvailVirtual, s.TotalVirtual);

  MEMORYSTATUSEX ex{};
  ex.dwLength = sizeof(ex);
  ASSERT_TRUE(GlobalMemoryStatusEx(&ex));
  EXPECT_EQ(s.TotalPhys, ex.ullTotalPhys);
  EXPECT_EQ(s.TotalVirtual, ex.ullTotalVirtual);
}

TEST(MemStatus, WithoutKernelModuleNothingIsFilled) {
  TMemStatus s;
  s.TotalPhys = 7;
  s.AvailVirtual = 9;
  ReadMemStatus(nullptr, 4, s);
  EXPECT_EQ(s.TotalPhys, 7u);
  EXPECT_EQ(s.AvailVirtual, 9u);
}

TEST(MemStatus, OldestSystemsUseTheThirtyTwoBitCall) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  TMemStatus s;
  s.TotalPhys = ~0ull;
  ReadMemStatus(kernel, 0, s);
  MEMORYSTATUS legacy{};
  legacy.dwLength = sizeof(legacy);
  GlobalMemoryStatus(&legacy);
  EXPECT_EQ(s.TotalPhys, static_cast<std::uint64_t>(legacy.dwTotalPhys));
  EXPECT_EQ(s.TotalVirtual, static_cast<std::uint64_t>(legacy.dwTotalVirtual));
  if (sizeof(SIZE_T) == 4) {
    for (std::uint64_t v : {s.TotalPhys, s.AvailPhys, s.TotalPageFile, s.AvailPageFile,
                            s.TotalVirtual, s.AvailVirtual}) {
      EXPECT_EQ(v >> 32, 0u);
    }
  }
}

}  // namespace
