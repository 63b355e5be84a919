#include "memory/MemtideMemOpt.h"

#include <array>
#include <cstring>

#include "util/ScopedHandles.h"

namespace {

// Held for the life of the process; the status functions are looked up in it on every call
// because GlobalMemoryStatusEx does not exist on the oldest systems.
const UniqueModule g_kernel32(LoadLibraryA("kernel32.dll"));

template <class Fn>
Fn GetProc(HMODULE module, const char* name) {
  // Through void(*)() because GCC warns on a direct cast between function types.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

class SystemAllocator final : public TBlockAllocator {
 public:
  void* Commit(std::size_t size) override {
    return VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE | PAGE_NOCACHE);
  }
  void Touch(void* block, std::size_t size) override { std::memset(block, 0, size); }
  void Release(void* block) noexcept override { VirtualFree(block, 0, MEM_RELEASE); }
};

}  // namespace

// The blocks of one run. Entries [released_, committed_) are held; whatever is still held
// when the run leaves, by any way, is released here.
class TMemOptimizer::Blocks {
 public:
  explicit Blocks(TBlockAllocator& allocator) : allocator_(allocator) {}
  ~Blocks() { ReleaseAll(); }
  Blocks(const Blocks&) = delete;
  Blocks& operator=(const Blocks&) = delete;

  bool CommitNext() {
    void* block = allocator_.Commit(kOptimizeBlockSize);
    if (!block) return false;
    blocks_[committed_++] = block;
    allocator_.Touch(block, kOptimizeBlockSize);
    return true;
  }
  void ReleaseNext() noexcept {
    if (released_ >= committed_) return;  // EndNow let go of everything already
    void* block = blocks_[released_];
    blocks_[released_++] = nullptr;
    allocator_.Release(block);
  }
  void ReleaseAll() noexcept {
    while (released_ < committed_) ReleaseNext();
  }
  int Committed() const { return committed_; }

 private:
  TBlockAllocator& allocator_;
  std::array<void*, kMaxOptimizeBlocks + 1> blocks_{};
  int committed_ = 0;
  int released_ = 0;
};

int ClassifyWinVersion(bool queried, DWORD major, DWORD minor) {
  if (!queried) return 2;
  switch (major) {
    case 4: return 0;
    case 5: return minor == 0 ? 1 : minor == 2 ? 3 : 2;
    case 6: return 4;
    case 7: return 5;
    default: return 2;
  }
}

int GetWinVersion() {
  OSVERSIONINFOEXA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  static_assert(sizeof(OSVERSIONINFOEXA) == 156);
  const bool ok = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)) != FALSE;
  return ClassifyWinVersion(ok, info.dwMajorVersion, info.dwMinorVersion);
}

void ReadMemStatus(HMODULE kernel32, int winVersion, TMemStatus& status) {
  if (!kernel32) return;
  if (winVersion != 0) {
    auto fn = GetProc<BOOL(WINAPI*)(LPMEMORYSTATUSEX)>(kernel32, "GlobalMemoryStatusEx");
    MEMORYSTATUSEX ms{};
    ms.dwLength = sizeof(ms);
    if (!fn || !fn(&ms)) return;  // keep the record as it was rather than copy zeros
    status.TotalPhys = ms.ullTotalPhys;
    status.AvailPhys = ms.ullAvailPhys;
    status.TotalPageFile = ms.ullTotalPageFile;
    status.AvailPageFile = ms.ullAvailPageFile;
    status.TotalVirtual = ms.ullTotalVirtual;
    status.AvailVirtual = ms.ullAvailVirtual;
  } else {
    auto fn = GetProc<void(WINAPI*)(LPMEMORYSTATUS)>(kernel32, "GlobalMemoryStatus");
    if (!fn) return;
    MEMORYSTATUS ms{};
    ms.dwLength = sizeof(ms);
    fn(&ms);
    status.TotalPhys = ms.dwTotalPhys;
    status.AvailPhys = ms.dwAvailPhys;
    status.TotalPageFile = ms.dwTotalPageFile;
    status.AvailPageFile = ms.dwAvailPageFile;
    status.TotalVirtual = ms.dwTotalVirtual;
    status.AvailVirtual = ms.dwAvailVirtual;
  }
}

void GetMemStatus(TMemStatus& status) { ReadMemStatus(g_kernel32.get(), GetWinVersion(), status); }

TBlockAllocator& SystemBlockAllocator() {
  static SystemAllocator allocator;
  return allocator;
}

// In whole numbers: step / total * 100 in floating point misses exact halves such as
// 23 / 40 (57.5 comes out a hair below), and differently on x87 and SSE builds.
int ProgressPercent(int step, int totalSteps) {
  if (totalSteps <= 0) return 0;
  const std::int64_t scaled = static_cast<std::int64_t>(step) * 100;
  std::int64_t whole = scaled / totalSteps;
  const std::int64_t twiceRest = (scaled % totalSteps) * 2;
  if (twiceRest > totalSteps || (twiceRest == totalSteps && whole % 2 != 0)) ++whole;
  return static_cast<int>(whole);
}

int OptimizeBlockCount(int amountMB) {
  if (amountMB <= 0) return 0;
  return amountMB > kMaxOptimizeBlocks ? kMaxOptimizeBlocks : amountMB;
}

TMemOptimizer::TMemOptimizer(TBlockAllocator* allocator, TMemStatusReader reader)
    : allocator_(allocator ? allocator : &SystemBlockAllocator()),
      reader_(reader ? reader : &GetMemStatus) {
  TMemStatus status;
  reader_(status);
  totalMemory_ = static_cast<std::int64_t>(status.TotalPhys);
}

TMemOptimizer::~TMemOptimizer() {
  if (destroyedFlag_) *destroyedFlag_ = true;
}

void TMemOptimizer::EndNow() {
  stopRequested_ = true;
  if (blocks_) blocks_->ReleaseAll();
}

std::int64_t TMemOptimizer::FreeMemory() const {
  TMemStatus status;
  reader_(status);
  return static_cast<std::int64_t>(status.AvailPhys);
}

// Handlers pump messages, so anything may happen inside them: Stop, a nested Optimize (ignored),
// even the destruction of this object. Each handler is copied before the call so that it
// survives being reassigned or destroyed while it runs, and `destroyed` is checked after each
// call before the object is touched again. The block list lives in this frame, so the blocks
// are released on every way out, exceptions included.
void TMemOptimizer::Optimize(int AmountMB) {
  if (working_) return;  // a Stop asked for the active run stays asked
  stopRequested_ = false;
  working_ = true;
  bool destroyed = false;
  destroyedFlag_ = &destroyed;
  Blocks blocks(*allocator_);
  blocks_ = &blocks;

  auto notify = [&](const TNotifyEvent& event) {
    TNotifyEvent handler = event;
    if (handler) handler(this);
    return !destroyed;
  };
  auto report = [&](int step, int total) {
    progress_ = ProgressPercent(step, total);
    TOnProgress handler = OnProgress;
    if (handler) handler(this, progress_);
    return !destroyed;
  };
  auto end = [&] {
    blocks.ReleaseAll();
    working_ = false;
    destroyedFlag_ = nullptr;
    blocks_ = nullptr;
  };

  try {
    const int count = OptimizeBlockCount(AmountMB);
    if (!notify(OnBeforeDefrag)) return;
    int total = 2 * count;
    int step = 0;
    bool stopped = false;
    for (int i = 0; i < count; ++i) {
      // A refused commit means the address space or the commit limit is used up: what is
      // held so far is released as a complete, shorter run.
      if (!blocks.CommitNext()) break;
      if (!report(++step, total)) return;
      if (stopRequested_) {
        stopped = true;
        break;
      }
    }
    if (!stopped) {
      const int held = blocks.Committed();
      if (held < count) total = 2 * held;
      for (int i = 0; i < held; ++i) {
        blocks.ReleaseNext();
        if (!report(++step, total)) return;
        if (stopRequested_) break;
      }
    }
  } catch (...) {
    if (!destroyed) {
      end();
      try {
        notify(OnAfterDefrag);
      } catch (...) {
        // The first error is the one worth showing.
      }
    }
    throw;
  }
  end();
  notify(OnAfterDefrag);
}
