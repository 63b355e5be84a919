// Runs with the real VirtualAlloc allocator.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "memory/MemtideMemOpt.h"

namespace {

// Passes every call to the system allocator and remembers the blocks, without allocating
// while the address space may be exhausted.
class RecordingAllocator : public TBlockAllocator {
 public:
  void* Commit(std::size_t size) override {
    ++attempts;
    void* block = SystemBlockAllocator().Commit(size);
    if (block && count < kSlots) blocks[count++] = block;
    return block;
  }
  void Touch(void* block, std::size_t size) override {
    SystemBlockAllocator().Touch(block, size);
    MEMORY_BASIC_INFORMATION info{};
    VirtualQuery(block, &info, sizeof(info));
    if (info.State == MEM_COMMIT && info.RegionSize >= size &&
        info.Protect == (PAGE_READWRITE | PAGE_NOCACHE)) {
      ++wellFormed;
    }
  }
  void Release(void* block) noexcept override {
    ++releases;
    SystemBlockAllocator().Release(block);
  }
  // No block of the run is still committed. Wine hands a released range inside its own
  // reserved high area back to that reservation, so MEM_RESERVE counts as released too.
  bool NoneCommitted() const {
    for (int i = 0; i < count; ++i) {
      MEMORY_BASIC_INFORMATION info{};
      if (VirtualQuery(blocks[i], &info, sizeof(info)) == 0) continue;
      if (info.State == MEM_COMMIT) return false;
    }
    return true;
  }

  static constexpr int kSlots = kMaxOptimizeBlocks;
  void* blocks[kSlots] = {};
  int count = 0;
  int attempts = 0;
  int releases = 0;
  int wellFormed = 0;
};

TEST(MemOptimizerSystem, SmallRealRunCommitsTouchesAndFreesEveryBlock) {
  static RecordingAllocator alloc;  // large: keep it off the stack
  alloc = RecordingAllocator();
  TMemOptimizer opt(&alloc);
  int events = 0;
  int last = 0;
  opt.OnProgress = [&](TMemOptimizer*, int p) {
    ++events;
    last = p;
  };
  opt.Optimize(8);
  EXPECT_EQ(alloc.count, 8);
  EXPECT_EQ(alloc.wellFormed, 8);
  EXPECT_EQ(alloc.releases, 8);
  EXPECT_EQ(events, 16);
  EXPECT_EQ(last, 100);
  EXPECT_TRUE(alloc.NoneCommitted());
  EXPECT_FALSE(opt.Working());
}

// Fills a 32-bit address space with reservations except for a hole of three blocks, so the
// system itself refuses the fourth commit: the case the program meets with a large request.
TEST(MemOptimizerSystem, RefusedCommitByTheSystemEndsCleanly) {
  if (sizeof(void*) != 4) GTEST_SKIP() << "needs a 32-bit address space to exhaust";
  static RecordingAllocator alloc;
  alloc = RecordingAllocator();
  TMemOptimizer opt(&alloc);
  static int progress[64];
  int events = 0;
  bool afterFired = false;
  opt.OnProgress = [&](TMemOptimizer*, int p) {
    if (events < 64) progress[events] = p;
    ++events;
  };
  opt.OnAfterDefrag = [&](TMemOptimizer*) { afterFired = true; };

  static void* reserved[4096];
  int reservedCount = 0;
  void* hole = VirtualAlloc(nullptr, 3 * kOptimizeBlockSize + 0x10000, MEM_RESERVE, PAGE_NOACCESS);
  ASSERT_NE(hole, nullptr);
  for (SIZE_T chunk = SIZE_T{1} << 30; chunk >= kOptimizeBlockSize; chunk /= 2) {
    while (reservedCount < 4096) {
      void* p = VirtualAlloc(nullptr, chunk, MEM_RESERVE, PAGE_NOACCESS);
      if (!p) break;
      reserved[reservedCount++] = p;
    }
  }
  VirtualFree(hole, 0, MEM_RELEASE);
  opt.Optimize(64);
  for (int i = 0; i < reservedCount; ++i) VirtualFree(reserved[i], 0, MEM_RELEASE);

  EXPECT_GE(alloc.count, 1);
  EXPECT_LE(alloc.count, 3);
  EXPECT_EQ(alloc.attempts, alloc.count + 1);
  EXPECT_EQ(alloc.releases, alloc.count);
  EXPECT_TRUE(alloc.NoneCommitted());
  EXPECT_TRUE(afterFired);
  EXPECT_FALSE(opt.Working());
  ASSERT_EQ(events, 2 * alloc.count);
  EXPECT_EQ(progress[events - 1], 100);
}

// What the monitor window asks for: an eighth of physical memory. Under Wine a 32-bit process
// on a large machine runs out of address space first and takes the refused-commit way out.
TEST(MemOptimizerSystem, RunOfAnEighthOfPhysicalMemoryEndsCleanly) {
  static RecordingAllocator alloc;
  alloc = RecordingAllocator();
  TMemOptimizer opt(&alloc);
  const int amount = static_cast<int>(opt.TotalMemory() / 8 / 1048576);
  int events = 0;
  int last = 0;
  opt.OnProgress = [&](TMemOptimizer*, int p) {
    ++events;
    last = p;
  };
  opt.Optimize(amount);
  EXPECT_EQ(alloc.releases, alloc.count);
  EXPECT_EQ(events, 2 * alloc.count);
  EXPECT_EQ(last, 100);
  EXPECT_TRUE(alloc.NoneCommitted());
  EXPECT_FALSE(opt.Working());
  RecordProperty("blocks", alloc.count);
  RecordProperty("asked", amount);
  std::printf("asked %d MiB, committed %d blocks\n", amount, alloc.count);
}

}  // namespace
