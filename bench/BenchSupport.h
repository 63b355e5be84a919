// Small pieces every in-process benchmark needs.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "monitor/MonitorParts.h"
#include "util/QvBaseUnit.h"

namespace bench {

// Seconds from the performance counter.
inline double Now() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// A message box would stop an unattended run: its text goes to stderr instead.
inline void PrintMessagesInsteadOfBoxes() {
  SetMessageBoxFunction([](HWND, const std::string& text, const std::string&, UINT) {
    std::fprintf(stderr, "message: %s\n", text.c_str());
    return IDOK;
  });
}

// The optimizer's work without the optimizer: commits and fills up to `n` blocks of 1 MiB
// as it does, stops at the first refusal, then frees them; returns the blocks held.
inline int BareBlockLoop(int n) {
  constexpr std::size_t kBlock = 1048576;
  std::vector<void*> blocks;
  blocks.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    void* p = VirtualAlloc(nullptr, kBlock, MEM_COMMIT, PAGE_READWRITE | PAGE_NOCACHE);
    if (!p) break;
    std::memset(p, 0, kBlock);
    blocks.push_back(p);
  }
  for (void* p : blocks) VirtualFree(p, 0, MEM_RELEASE);
  return static_cast<int>(blocks.size());
}

// The real optimizer with its run size fixed at `*blocks`, timing each Optimize call into
// `*seconds` (either may be null).
class FixedRunOptimizer final : public IMonitorOptimizer {
 public:
  FixedRunOptimizer(std::shared_ptr<IMonitorOptimizer> real, const int* blocks,
                    double* seconds)
      : real_(std::move(real)), blocks_(blocks), seconds_(seconds) {}
  std::int64_t FreeMemory() override { return real_->FreeMemory(); }
  std::int64_t TotalMemory() const override { return real_->TotalMemory(); }
  bool Working() const override { return real_->Working(); }
  void Optimize(int amountMB, std::function<void(int)> onProgress) override {
    handler = 0;
    double t0 = Now();
    real_->Optimize(blocks_ ? *blocks_ : amountMB, [&](int progress) {
      double h0 = Now();
      if (onProgress) onProgress(progress);
      handler += Now() - h0;
    });
    if (seconds_) *seconds_ = Now() - t0;
    ++runs_;
  }
  void Stop() override { real_->Stop(); }
  void EndNow() override { real_->EndNow(); }
  int Runs() const { return runs_; }
  double handler = 0;  // seconds spent in the progress handler during the last run

 private:
  std::shared_ptr<IMonitorOptimizer> real_;
  const int* blocks_;
  double* seconds_;
  int runs_ = 0;
};

}  // namespace bench
