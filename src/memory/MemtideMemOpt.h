// Memory status and the optimizer that commits, touches and releases 1 MiB blocks so that
// Windows pushes other processes' pages out of physical memory.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>

// MEMORYSTATUSEX without its last member; every count is in bytes.
struct TMemStatus {
  DWORD dwLength = 0;      // not filled by GetMemStatus
  DWORD dwMemoryLoad = 0;  // not filled by GetMemStatus
  std::uint64_t TotalPhys = 0;
  std::uint64_t AvailPhys = 0;
  std::uint64_t TotalPageFile = 0;
  std::uint64_t AvailPageFile = 0;
  std::uint64_t TotalVirtual = 0;
  std::uint64_t AvailVirtual = 0;
};

// 0: major 4; 1: 5.0; 2: 5.1, unknown versions and failure; 3: 5.2; 4: major 6; 5: major 7.
int GetWinVersion();
int ClassifyWinVersion(bool queried, DWORD major, DWORD minor);

// Fills TotalPhys .. AvailVirtual; dwLength and dwMemoryLoad are left as they were.
void GetMemStatus(TMemStatus& status);
// The same with the version class and kernel32 handle given (GetMemStatus passes its own).
// A null module fills nothing; class 0 uses the 32-bit GlobalMemoryStatus.
void ReadMemStatus(HMODULE kernel32, int winVersion, TMemStatus& status);

// Where the optimizer's blocks come from. The system one commits with VirtualAlloc;
// tests put in their own to count blocks or refuse commits.
class TBlockAllocator {
 public:
  virtual ~TBlockAllocator() = default;
  // A committed block of `size` bytes, or nullptr when the system refuses.
  virtual void* Commit(std::size_t size) = 0;
  // Writes every byte so that each page is physically backed.
  virtual void Touch(void* block, std::size_t size) = 0;
  virtual void Release(void* block) noexcept = 0;
};
// VirtualAlloc(MEM_COMMIT, PAGE_READWRITE | PAGE_NOCACHE), zero fill, VirtualFree(MEM_RELEASE).
TBlockAllocator& SystemBlockAllocator();

using TMemStatusReader = void (*)(TMemStatus&);

inline constexpr int kMaxOptimizeBlocks = 8192;
inline constexpr std::size_t kOptimizeBlockSize = 1048576;

// Progress of step `step` out of `totalSteps` in percent, halves to the even neighbour.
int ProgressPercent(int step, int totalSteps);
// Blocks a run of `amountMB` uses: 0 for amounts of 0 or less, at most kMaxOptimizeBlocks.
int OptimizeBlockCount(int amountMB);

class TMemOptimizer {
 public:
  // Event types of this class's own (the GUI layer has a TNotifyEvent of its own, with a
  // different sender type; members keep both usable in one unit).
  using TNotifyEvent = std::function<void(TMemOptimizer* Sender)>;
  using TOnProgress = std::function<void(TMemOptimizer* Sender, int Progress)>;

  // Null arguments select the system allocator and GetMemStatus.
  explicit TMemOptimizer(TBlockAllocator* allocator = nullptr, TMemStatusReader reader = nullptr);
  // Safe even from inside one of this object's event handlers while Optimize runs: the run
  // then releases its blocks and returns without touching the object again (no OnAfterDefrag).
  ~TMemOptimizer();
  TMemOptimizer(const TMemOptimizer&) = delete;
  TMemOptimizer& operator=(const TMemOptimizer&) = delete;

  // One run of min(AmountMB, 8192) blocks; returns when the run has ended. Ignored while
  // a run is active (so a handler may not start a second one). A refused commit ends the
  // fill early and the blocks held are released as a shorter run whose progress still ends
  // at 100. An exception from a handler leaves Optimize only after every block is released,
  // Working is false and OnAfterDefrag has fired.
  void Optimize(int AmountMB);
  // Asks a running Optimize to end after its current step, releasing every block.
  // Callable from any event handler; while idle it is forgotten by the next Optimize.
  void Stop() { stopRequested_ = true; }
  // Stop, and the blocks of a running Optimize are released before EndNow returns: from a
  // handler that is about to wait for the user (a menu, a message box), nothing of the run
  // stays committed while the user takes their time. The run returns without another step.
  void EndNow();

  bool Working() const { return working_; }
  std::int64_t TotalMemory() const { return totalMemory_; }
  std::int64_t FreeMemory() const;  // a fresh status query on every call
  int Progress() const { return progress_; }

  TNotifyEvent OnBeforeDefrag;
  TOnProgress OnProgress;
  TNotifyEvent OnAfterDefrag;

 private:
  TBlockAllocator* allocator_;
  TMemStatusReader reader_;
  std::int64_t totalMemory_ = 0;
  bool working_ = false;
  bool stopRequested_ = false;
  int progress_ = 0;
  bool* destroyedFlag_ = nullptr;  // points into the running Optimize's frame
  class Blocks;
  Blocks* blocks_ = nullptr;  // the running Optimize's blocks, in its frame
};
