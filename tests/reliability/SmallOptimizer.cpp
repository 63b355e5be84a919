#include "SmallOptimizer.h"

#include <functional>
#include <utility>

#include "memory/MemtideMemOpt.h"

namespace {

class SmallOptimizer final : public IMonitorOptimizer {
 public:
  SmallOptimizer(int blocks, SmallOptimizerCounts* counts) : blocks_(blocks), counts_(counts) {}
  std::int64_t FreeMemory() override { return optimizer_.FreeMemory(); }
  std::int64_t TotalMemory() const override { return optimizer_.TotalMemory(); }
  bool Working() const override { return optimizer_.Working(); }
  void Optimize(int, std::function<void(int)> onProgress) override {
    SmallOptimizerCounts* counts = counts_;
    optimizer_.OnProgress = [counts, onProgress = std::move(onProgress)](TMemOptimizer*, int p) {
      if (counts) {
        ++counts->progressEvents;
        counts->lastProgress = p;
      }
      if (onProgress) onProgress(p);
    };
    if (counts) ++counts->runs;
    optimizer_.Optimize(blocks_);
  }
  void Stop() override { optimizer_.Stop(); }
  void EndNow() override { optimizer_.EndNow(); }

 private:
  TMemOptimizer optimizer_;
  int blocks_;
  SmallOptimizerCounts* counts_;
};

}  // namespace

std::shared_ptr<IMonitorOptimizer> MakeSmallOptimizer(int blocks, SmallOptimizerCounts* counts) {
  return std::make_shared<SmallOptimizer>(blocks, counts);
}
