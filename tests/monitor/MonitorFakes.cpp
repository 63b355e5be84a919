#include "MonitorFakes.h"

#include "controls/DockLabel.h"
#include "controls/QvGDIPlusProgressBar.h"

namespace {

class FakeCpu final : public IMonitorCpu {
 public:
  explicit FakeCpu(FakeWorld& w) : w_(w) {}
  int GetCPUUsage() override {
    ++w_.cpuCalls;
    if (w_.cpuSamples.empty()) return w_.cpuDefault;
    int v = w_.cpuSamples.front();
    w_.cpuSamples.pop_front();
    return v;
  }
  void SetUsePdh(bool value) override { w_.usePdh = value; }
  bool UsePdh() const override { return w_.usePdh; }

 private:
  FakeWorld& w_;
};

class FakeOptimizer final : public IMonitorOptimizer {
 public:
  explicit FakeOptimizer(FakeWorld& w) : w_(w) {}
  ~FakeOptimizer() override { w_.log.push_back("optimizer freed"); }
  std::int64_t FreeMemory() override {
    return ran_ && w_.freeAfterRun >= 0 ? w_.freeAfterRun : w_.freeBytes;
  }
  std::int64_t TotalMemory() const override { return w_.totalBytes; }
  bool Working() const override { return working_; }
  void Optimize(int amountMB, std::function<void(int)> onProgress) override {
    ++w_.optimizeCalls;
    w_.lastAmountMB = amountMB;
    w_.log.push_back("optimize " + std::to_string(amountMB));
    working_ = true;
    stop_ = false;
    for (int step : w_.progressSteps) {
      onProgress(step);
      if (w_.monitor) {
        std::string entry = "progress " + std::to_string(step);
        entry.append(" ").append(w_.Bar());
        w_.log.push_back(entry);
      }
      if (w_.afterStep) w_.afterStep(step);
      if (stop_) break;
    }
    working_ = false;
    ran_ = true;
    w_.log.push_back("optimize returned");
  }
  void Stop() override {
    stop_ = true;
    w_.log.push_back("stop");
  }
  void EndNow() override {
    stop_ = true;
    w_.log.push_back("end now");
  }

 private:
  FakeWorld& w_;
  bool working_ = false;
  bool stop_ = false;
  bool ran_ = false;
};

class FakeProcesses final : public IMonitorProcesses {
 public:
  explicit FakeProcesses(FakeWorld& w) : w_(w) {}
  ~FakeProcesses() override { w_.log.push_back("processes freed"); }
  std::vector<DWORD> RefreshProcessIds() override {
    w_.log.push_back("refresh");
    if (w_.duringRefresh) w_.duringRefresh();
    return w_.pids;
  }
  void TrimWorkingSet(DWORD pid) override {
    std::string entry = "trim " + std::to_string(pid);
    if (w_.monitor) entry.append(" ").append(w_.Bar());
    w_.log.push_back(entry);
    w_.tickCount += w_.trimTicks;
  }

 private:
  FakeWorld& w_;
};

}  // namespace

TMonitorParts FakeWorld::Parts() {
  TMonitorParts p;
  p.MakeCpu = [this] { return std::unique_ptr<IMonitorCpu>(new FakeCpu(*this)); };
  p.MakeOptimizer = [this] {
    return std::shared_ptr<IMonitorOptimizer>(new FakeOptimizer(*this));
  };
  p.MakeProcesses = [this] {
    return std::shared_ptr<IMonitorProcesses>(new FakeProcesses(*this));
  };
  p.CursorPos = [this] {
    if (!realCursor) return cursor;
    POINT pt{0, 0};
    GetCursorPos(&pt);
    return pt;
  };
  p.LocalTime = [this] { return now; };
  p.TickCount = [this] { return tickCount; };
  p.ProgramFolder = [this] { return folder; };
  return p;
}

std::string FakeWorld::Bar() const {
  std::string text = "pb=" + std::to_string(monitor->pb->Value());
  text.append(" lbl=").append(monitor->lbl_pb->Caption());
  text.append(" visible=").append(monitor->pb->Visible() && monitor->lbl_pb->Visible() ? "1" : "0");
  return text;
}
