// The optimizer when the system refuses a commit: at the first, a middle and the last
// block of a run, and for real when a 32-bit address space runs out.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "Footprint.h"
#include "memory/MemtideMemOpt.h"

namespace {

// Real commits through the system allocator, refused from block `refuseAt` (0-based) of each
// run on, as a system whose commit limit is used up refuses every further commit.
class RefusingAllocator : public TBlockAllocator {
 public:
  // Room for every block of the largest run is taken up front: when the address space runs
  // out, no bookkeeping may need memory.
  explicit RefusingAllocator(int refuseAt) : refuseAt_(refuseAt) { held.reserve(kMaxOptimizeBlocks); }
  void StartRun() { inRun_ = 0; }
  void* Commit(std::size_t size) override {
    ++requests;
    if (refuseAt_ >= 0 && inRun_++ >= refuseAt_) return nullptr;
    void* block = SystemBlockAllocator().Commit(size);
    if (block) held.push_back(block);
    return block;
  }
  void Touch(void* block, std::size_t size) override {
    ++touched;
    SystemBlockAllocator().Touch(block, size);
  }
  void Release(void* block) noexcept override {
    auto at = std::find(held.begin(), held.end(), block);
    if (at != held.end()) {
      *at = held.back();
      held.pop_back();
      ++released;
    } else {
      ++strayReleases;
    }
    SystemBlockAllocator().Release(block);
  }

  std::vector<void*> held;
  int requests = 0, touched = 0, released = 0, strayReleases = 0;

 private:
  int refuseAt_;
  int inRun_ = 0;
};

struct RunRecord {
  std::vector<int> progress;
  int before = 0, after = 0;
  bool workingDuringRun = false;
};

RunRecord RunOnce(TMemOptimizer& optimizer, int amountMB) {
  RunRecord r;
  r.progress.reserve(2 * static_cast<std::size_t>(amountMB) + 2);
  optimizer.OnBeforeDefrag = [&](TMemOptimizer*) { ++r.before; };
  optimizer.OnProgress = [&](TMemOptimizer* o, int p) {
    r.progress.push_back(p);
    r.workingDuringRun = r.workingDuringRun || o->Working();
  };
  optimizer.OnAfterDefrag = [&](TMemOptimizer*) { ++r.after; };
  optimizer.Optimize(amountMB);
  return r;
}

void ExpectSoundProgress(const std::vector<int>& progress) {
  for (std::size_t i = 0; i < progress.size(); ++i) {
    EXPECT_GE(progress[i], 0);
    EXPECT_LE(progress[i], 100);
    if (i > 0) {
      EXPECT_GE(progress[i], progress[i - 1]) << "progress went back at event " << i;
    }
  }
}

class RefusedCommit : public testing::TestWithParam<int> {};

constexpr int kBlocks = 16;

TEST_P(RefusedCommit, RunEndsCompleteAndReleasesEveryBlockHeld) {
  const int refuseAt = GetParam();
  RefusingAllocator allocator(refuseAt);
  TMemOptimizer optimizer(&allocator);

  RunRecord r = RunOnce(optimizer, kBlocks);
  EXPECT_FALSE(optimizer.Working());
  EXPECT_EQ(1, r.before);
  EXPECT_EQ(1, r.after);
  EXPECT_EQ(refuseAt + 1, allocator.requests) << "the fill must stop at the first refusal";
  EXPECT_EQ(refuseAt, allocator.touched);
  EXPECT_EQ(refuseAt, allocator.released);
  EXPECT_TRUE(allocator.held.empty()) << allocator.held.size() << " blocks leaked";
  EXPECT_EQ(0, allocator.strayReleases);
  ExpectSoundProgress(r.progress);
  if (refuseAt > 0) {
    // Commit and release steps of the blocks actually held, ending at 100.
    EXPECT_EQ(static_cast<std::size_t>(2 * refuseAt), r.progress.size());
    ASSERT_FALSE(r.progress.empty());
    EXPECT_EQ(100, r.progress.back());
    EXPECT_TRUE(r.workingDuringRun);
  } else {
    EXPECT_TRUE(r.progress.empty()) << "no block held, so no step to report";
  }
}

TEST_P(RefusedCommit, NextRunAfterARefusalIsWhole) {
  const int refuseAt = GetParam();
  RefusingAllocator allocator(refuseAt);
  TMemOptimizer optimizer(&allocator);
  RunOnce(optimizer, kBlocks);

  // The same optimizer with commits granted again runs its full count.
  RefusingAllocator granting(-1);
  TMemOptimizer second(&granting);
  RunRecord r = RunOnce(second, kBlocks);
  EXPECT_EQ(kBlocks, granting.requests);
  EXPECT_EQ(kBlocks, granting.released);
  ASSERT_EQ(static_cast<std::size_t>(2 * kBlocks), r.progress.size());
  EXPECT_EQ(100, r.progress.back());

  // And the refused one may simply run again: it is not left "working".
  allocator.StartRun();
  RunRecord again = RunOnce(optimizer, kBlocks);
  EXPECT_EQ(1, again.after);
  EXPECT_TRUE(allocator.held.empty());
}

INSTANTIATE_TEST_SUITE_P(AtFirstMiddleAndLastBlock, RefusedCommit,
                         testing::Values(0, kBlocks / 2, kBlocks - 1),
                         [](const testing::TestParamInfo<int>& info) {
                           return info.param == 0             ? std::string("First")
                                  : info.param == kBlocks - 1 ? std::string("Last")
                                                              : std::string("Middle");
                         });

TEST(RefusedCommitSystem, RefusedRunsGiveBackTheirMemory) {
  // Twenty refused runs of real 1 MiB commits: private bytes return to where they were.
  // The allowance covers the heap's own bookkeeping (the record vectors of each run).
  constexpr std::int64_t kAllowance = 512 * 1024;
  RefusingAllocator allocator(kBlocks / 2);
  TMemOptimizer optimizer(&allocator);
  RunOnce(optimizer, kBlocks);  // warm-up: first-use allocations of the heap and the CRT
  Footprint before = ReadFootprint();
  for (int i = 0; i < 20; ++i) {
    allocator.StartRun();
    RunOnce(optimizer, kBlocks);
  }
  Footprint after = ReadFootprint();
  EXPECT_LE(Growth(before.PrivateBytes, after.PrivateBytes), kAllowance)
      << Describe(before) << " -> " << Describe(after);
}

TEST(RefusedCommitSystem, AddressSpaceRunningOutEndsTheRunSoundly) {
  // A 32-bit process cannot commit 8 GiB: the real system refuses somewhere in the run.
  // Skipped in 64-bit builds, where the same run would commit 8 GiB of the shared machine.
  if (sizeof(void*) != 4) GTEST_SKIP() << "needs a 32-bit address space";
  MEMORYSTATUSEX ms{};
  ms.dwLength = sizeof ms;
  GlobalMemoryStatusEx(&ms);
  if (ms.ullAvailPhys < 3ull * 1024 * 1024 * 1024)
    GTEST_SKIP() << "less than 3 GiB of physical memory free";

  Footprint before = ReadFootprint();
  RefusingAllocator allocator(-1);
  TMemOptimizer optimizer(&allocator);
  RunRecord r = RunOnce(optimizer, kMaxOptimizeBlocks);
  Footprint after = ReadFootprint();

  EXPECT_LT(allocator.released, kMaxOptimizeBlocks) << "the system never refused";
  EXPECT_GT(allocator.released, 0);
  EXPECT_EQ(allocator.requests, allocator.released + 1);
  EXPECT_TRUE(allocator.held.empty());
  ExpectSoundProgress(r.progress);
  ASSERT_FALSE(r.progress.empty());
  EXPECT_EQ(100, r.progress.back());
  EXPECT_EQ(1, r.after);
  EXPECT_LE(Growth(before.PrivateBytes, after.PrivateBytes), 4 * 1024 * 1024)
      << Describe(before) << " -> " << Describe(after);
}

}  // namespace
