// The real pieces behind the monitor window's seams.
#include "monitor/MonitorParts.h"

#include "memory/MemtideMemOpt.h"
#include "memory/PublicUnit.h"
#include "monitor/MonitorRules.h"
#include "sampling/CPUClass.h"
#include "sampling/MemtideProcessUnit.h"
#include "ui/Application.h"

namespace {

class SystemCpu final : public IMonitorCpu {
 public:
  int GetCPUUsage() override { return cpu_.GetCPUUsage(); }
  void SetUsePdh(bool value) override { cpu_.UsePdh = value; }
  bool UsePdh() const override { return cpu_.UsePdh; }

 private:
  TCPUObject cpu_;
};

class SystemOptimizer final : public IMonitorOptimizer {
 public:
  std::int64_t FreeMemory() override { return optimizer_.FreeMemory(); }
  std::int64_t TotalMemory() const override { return optimizer_.TotalMemory(); }
  bool Working() const override { return optimizer_.Working(); }
  void Optimize(int amountMB, std::function<void(int)> onProgress) override {
    optimizer_.OnProgress = [onProgress = std::move(onProgress)](TMemOptimizer*, int progress) {
      if (onProgress) onProgress(progress);
    };
    optimizer_.Optimize(amountMB);
  }
  void Stop() override { optimizer_.Stop(); }
  void EndNow() override { optimizer_.EndNow(); }

 private:
  TMemOptimizer optimizer_;
};

class SystemProcesses final : public IMonitorProcesses {
 public:
  // The refresh handles pending messages through the application, like every other long
  // loop of the program (dialog keys and the end of the message loop included), at the
  // pace of the optimizer's progress handler: each check costs about what trimming one
  // process does. Trimming needs the identifiers only: no details, no icons.
  SystemProcesses() {
    collection_.ProcessMessages = [] { Application()->ProcessMessages(); };
    collection_.SetMessageInterval(kProgressPumpMs);
    collection_.SetCollectIcons(false);
  }

  std::vector<DWORD> RefreshProcessIds() override {
    collection_.Refresh(kNoDetails);
    collection_.AdvanceStates();
    collection_.RemoveGone();
    std::vector<DWORD> ids;
    ids.reserve(collection_.Items().size());
    for (const auto& item : collection_.Items()) ids.push_back(item->ProcessID);
    return ids;
  }
  void TrimWorkingSet(DWORD processId) override { collection_.TrimWorkingSet(processId); }

 private:
  TMemtideProcessCollection collection_;
};

}  // namespace

void TMonitorParts::FillDefaults() {
  if (!MakeCpu) MakeCpu = [] { return std::unique_ptr<IMonitorCpu>(new SystemCpu); };
  if (!MakeOptimizer) {
    MakeOptimizer = [] { return std::shared_ptr<IMonitorOptimizer>(new SystemOptimizer); };
  }
  if (!MakeProcesses) {
    MakeProcesses = [] { return std::shared_ptr<IMonitorProcesses>(new SystemProcesses); };
  }
  if (!CursorPos) {
    CursorPos = [] {
      POINT p{0, 0};
      GetCursorPos(&p);
      return p;
    };
  }
  if (!TickCount) TickCount = [] { return GetTickCount(); };
  if (!LocalTime) {
    LocalTime = [] {
      SYSTEMTIME t{};
      GetLocalTime(&t);
      return t;
    };
  }
  if (!ProgramFolder) ProgramFolder = [] { return GetProgramFolder(); };
}
