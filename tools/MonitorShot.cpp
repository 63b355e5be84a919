// Shows the real monitor window with made-up samples, for screenshots of its three looks:
//   MonitorShot.exe idle   [seconds]   charts and value lines
//   MonitorShot.exe run    [seconds]   a run held at 60 % with the progress bar showing
//   MonitorShot.exe result [seconds]   after a run, with the time and gain in the title strip
// The window sits at (MONITOR_X, MONITOR_Y) below so a script can crop the screen shot.
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "controls/ColorUnit.h"
#include "memory/PublicUnit.h"
#include "monitor/MemtideFrm.h"
#include "monitor/MonitorRules.h"
#include "settings/OptionsUnit.h"
#include "ui/Application.h"
#include "ui/Dpi.h"
#include "ui/Timer.h"

namespace {

constexpr int MONITOR_X = 40, MONITOR_Y = 40;
constexpr std::int64_t kTotal = 8LL << 30;

struct Scene {
  int tick = 0;
  std::int64_t freeBytes = kTotal * 45 / 100;
  std::int64_t freeAfterRun = -1;
  bool holdAtSixty = false;
  DWORD holdMs = 0;

  std::int64_t FreeNow() const {
    return freeBytes + static_cast<std::int64_t>(std::sin(tick / 9.0) * 250e6);
  }
};

class ShotCpu final : public IMonitorCpu {
 public:
  explicit ShotCpu(Scene& s) : s_(s) {}
  int GetCPUUsage() override {
    double t = s_.tick;
    return static_cast<int>(28 + 18 * std::sin(t / 7.0) + 9 * std::sin(t / 2.3));
  }
  void SetUsePdh(bool v) override { pdh_ = v; }
  bool UsePdh() const override { return pdh_; }

 private:
  Scene& s_;
  bool pdh_ = false;
};

class ShotOptimizer final : public IMonitorOptimizer {
 public:
  explicit ShotOptimizer(Scene& s) : s_(s) {}
  std::int64_t FreeMemory() override {
    if (ran_ && s_.freeAfterRun >= 0) return s_.freeAfterRun;
    return s_.FreeNow();
  }
  std::int64_t TotalMemory() const override { return kTotal; }
  bool Working() const override { return working_; }
  void Optimize(int, std::function<void(int)> onProgress) override {
    working_ = true;
    stop_ = false;
    for (int p = 1; p <= 100 && !stop_; ++p) {
      // The held step is a slow one, as a commit while the system pages is: reached after
      // the window's repaint interval (on the tick count the window paces by, which moves
      // in steps under Wine), so the window shows it.
      if (p == 60 && s_.holdAtSixty) {
        const DWORD reached = GetTickCount();
        while (GetTickCount() - reached < kProgressPumpMs) Sleep(5);
      }
      onProgress(p);
      if (p == 60 && s_.holdAtSixty) {
        DWORD start = GetTickCount();
        while (!stop_ && GetTickCount() - start < s_.holdMs) {
          Application()->ProcessMessages();
          Sleep(20);
        }
      }
    }
    working_ = false;
    ran_ = true;
  }
  void Stop() override { stop_ = true; }
  void EndNow() override { stop_ = true; }

 private:
  Scene& s_;
  bool working_ = false;
  bool stop_ = false;
  bool ran_ = false;
};

class ShotProcesses final : public IMonitorProcesses {
 public:
  std::vector<DWORD> RefreshProcessIds() override { return {4, 8, 12, 16}; }
  void TrimWorkingSet(DWORD) override {}
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::string mode = __argc > 1 ? __argv[1] : "idle";
  DWORD seconds = __argc > 2 ? static_cast<DWORD>(std::atoi(__argv[2])) : 20;

  dpi::MakeProcessDpiAware();  // the program's manifest declares it; this tool has none
  GdiPlusSession gdiplus;
  Scene scene;
  scene.holdMs = seconds * 1000;

  TMonitorParts parts;
  parts.MakeCpu = [&] { return std::unique_ptr<IMonitorCpu>(new ShotCpu(scene)); };
  parts.MakeOptimizer = [&] {
    return std::shared_ptr<IMonitorOptimizer>(new ShotOptimizer(scene));
  };
  parts.MakeProcesses = [] { return std::shared_ptr<IMonitorProcesses>(new ShotProcesses); };
  // Keep the window shown whatever the pointer does.
  parts.CursorPos = [] { return POINT{MONITOR_X + 10, MONITOR_Y + 10}; };
  parts.LocalTime = [] {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    t.wHour = 14, t.wMinute = 3, t.wSecond = 27;
    return t;
  };

  TMonitorHost host;
  // The built-in default settings, kept in a scratch portable folder so nothing real changes.
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  TOptionsStorage storage;
  storage.ProgramFolder = std::string(temp) + "MonitorShot\\";
  CreateDirectoryA(storage.ProgramFolder.c_str(), nullptr);
  CloseHandle(CreateFileA(storage.MarkerPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  DeleteFileA(storage.IniPath().c_str());
  TOptions defaults(storage);
  defaults.OnWriteError = [](const std::string&) {};
  defaults.AutoOptimize = false;
  host.Options = &defaults;

  auto* monitor = new TFrmMemtide(Application(), host, parts);
  monitor->ApplyOptions(&defaults);
  monitor->Timer1->SetEnabled(false);
  for (scene.tick = 0; scene.tick < 100; ++scene.tick) monitor->Timer1Timer(monitor->Timer1);
  monitor->SetBounds(MONITOR_X, MONITOR_Y, monitor->Width(), monitor->Height());
  monitor->ShowMonitor(0);

  if (mode == "run") {
    scene.holdAtSixty = true;
    monitor->StartOptimize();  // returns after the hold
  } else if (mode == "result") {
    scene.freeAfterRun = scene.FreeNow() + 327625277;  // +312.45 M
    monitor->StartOptimize();
  }
  DWORD start = GetTickCount();
  while (GetTickCount() - start < seconds * 1000) {
    Application()->ProcessMessages();
    Sleep(20);
  }
  return 0;
}
