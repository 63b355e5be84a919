// What the monitor window samples and drives, behind small interfaces so tests can hand
// it a fake CPU, fake memory and a fake optimizer. MonitorParts.cpp adapts the real ones.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TComponent;

// The CPU load facade.
class IMonitorCpu {
 public:
  virtual ~IMonitorCpu() = default;
  virtual int GetCPUUsage() = 0;
  virtual void SetUsePdh(bool value) = 0;
  virtual bool UsePdh() const = 0;
};

// The memory optimizer with its memory status.
class IMonitorOptimizer {
 public:
  virtual ~IMonitorOptimizer() = default;
  virtual std::int64_t FreeMemory() = 0;
  virtual std::int64_t TotalMemory() const = 0;
  virtual bool Working() const = 0;
  // Returns when the run has ended; `onProgress` is called after every step.
  virtual void Optimize(int amountMB, std::function<void(int progress)> onProgress) = 0;
  virtual void Stop() = 0;
  // Stop, with the run's blocks released before it returns (TMemOptimizer::EndNow).
  virtual void EndNow() = 0;
};

// The process collection, as far as trimming working sets needs it.
class IMonitorProcesses {
 public:
  virtual ~IMonitorProcesses() = default;
  // Refresh, AdvanceStates, RemoveGone; then the process identifiers of Items in order.
  virtual std::vector<DWORD> RefreshProcessIds() = 0;
  virtual void TrimWorkingSet(DWORD processId) = 0;
};

// Factories and system reads the window uses; an empty member means the real thing.
struct TMonitorParts {
  std::function<std::unique_ptr<IMonitorCpu>()> MakeCpu;
  std::function<std::shared_ptr<IMonitorOptimizer>()> MakeOptimizer;
  std::function<std::shared_ptr<IMonitorProcesses>()> MakeProcesses;
  std::function<POINT()> CursorPos;          // GetCursorPos
  std::function<SYSTEMTIME()> LocalTime;     // GetLocalTime
  std::function<DWORD()> TickCount;          // GetTickCount
  std::function<std::string()> ProgramFolder;  // GetProgramFolder

  // The real CPU facade, optimizer and process collection, and the system's cursor,
  // clock and program folder, for each member left empty.
  void FillDefaults();
};
