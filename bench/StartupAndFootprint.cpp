// Start-up time, footprint and idle cost of the real Memtide.exe, each against
// bench_Baseline.exe (starts GDI+, shows one window, wakes once a second) run at the same
// time on the same machine. Both programs must sit beside this one.
//   Start-up: CreateProcess to Memtide's tray icon being known to the shell, against
//             CreateProcess to the baseline's first visible window (median of rounds).
//   Footprint: committed private bytes, working set, GDI and USER counts after start, after
//             the hidden-monitor idle phase and after 20 optimization sequences.
//   Idle cost: CPU time (GetProcessTimes) per one-second tick, monitor hidden and shown.
//   Tray figure: a second Memtide with the free-memory figure in its tray icon on, GDI and
//             USER counts after start and after as many ticks again, while this program
//             takes and gives back memory so that the figure keeps changing.
// Run time three to four minutes, most of it the sequences; every figure is printed, no
// goal is asserted. "--quick" shortens every phase; "--startup-only [N]" measures start-up
// alone, over N rounds.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../tests/reliability/Footprint.h"
#include "BenchSupport.h"
#include "memory/MemtideMemOpt.h"
#include "monitor/MemtideMessages.h"
#include "monitor/MonitorRules.h"
#include "util/ScopedHandles.h"

namespace {

int kStartRounds = 5;
// Pause before each start so that neither program starts while the one before it is
// still being taken down.
constexpr DWORD kQuietMs = 500;
constexpr DWORD kSettleMs = 5000;  // the monitor shows itself at start, then hides
int kHiddenTicks = 600;            // one tick a second
int kShownTicks = 120;
int kSequences = 20;
constexpr std::uint64_t kRunRise = 64ull << 20;  // a run commits far more than this
constexpr UINT kTrayIconId = 1;

std::string ExeFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  return s.substr(0, s.find_last_of('\\') + 1);
}

struct Process {
  UniqueHandle Handle;
  DWORD Id = 0;
  bool Running() const { return Handle && WaitForSingleObject(Handle.get(), 0) == WAIT_TIMEOUT; }
};

Process Start(const std::string& exe, const std::string& args) {
  std::string cmd = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
  std::vector<char> buf(cmd.begin(), cmd.end());
  buf.push_back('\0');
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  Process p;
  if (!CreateProcessA(exe.c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return p;
  }
  UniqueHandle thread(pi.hThread);
  p.Handle.reset(pi.hProcess);
  p.Id = pi.dwProcessId;
  return p;
}

struct Window {
  HWND Wnd;
  std::string Class;
  std::string Title;
};

BOOL CALLBACK CollectWindow(HWND wnd, LPARAM param) {
  auto* out = reinterpret_cast<std::pair<DWORD, std::vector<Window>*>*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (pid != out->first) return TRUE;
  char cls[128] = {};
  GetClassNameA(wnd, cls, sizeof cls);
  // Not WM_GETTEXT: a busy program must not stall the measurement.
  WCHAR wide[128] = {};
  InternalGetWindowText(wnd, wide, 128);
  char title[128] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, title, sizeof title, nullptr, nullptr);
  out->second->push_back({wnd, cls, title});
  return TRUE;
}

std::vector<Window> TopWindows(DWORD pid) {
  std::vector<Window> out;
  std::pair<DWORD, std::vector<Window>*> param{pid, &out};
  EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&param));
  return out;
}

HWND FindWindowOf(DWORD pid, const char* title) {
  for (const auto& w : TopWindows(pid))
    if (w.Title == title && w.Class != "MemtideApplication" && w.Class != "#32770") return w.Wnd;
  return nullptr;
}

HWND MainForm(DWORD pid) { return FindWindowOf(pid, "FrmMemtideMain"); }
HWND Monitor(DWORD pid) { return FindWindowOf(pid, "Memtide"); }

// The tray icon lives on one of the program's message windows; a modification that changes
// nothing succeeds only for an icon the shell knows.
bool TrayIconPresent(DWORD pid) {
  for (const auto& w : TopWindows(pid)) {
    if (w.Class != "MemtideMessageWindow") continue;
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = w.Wnd;
    data.uID = kTrayIconId;
    if (Shell_NotifyIconA(NIM_MODIFY, &data)) return true;
  }
  return false;
}

bool FirstWindowVisible(DWORD pid) {
  for (const auto& w : TopWindows(pid))
    if (IsWindowVisible(w.Wnd)) return true;
  return false;
}

template <class Pred>
bool WaitUntil(Pred pred, DWORD ms, DWORD stepMs) {
  const DWORD start = GetTickCount();
  while (!pred()) {
    if (GetTickCount() - start > ms) return false;
    Sleep(stepMs);
  }
  return true;
}

void End(Process& p, bool memtide) {
  if (!p.Running()) return;
  HWND target = memtide ? MainForm(p.Id) : nullptr;
  if (!memtide) {
    for (const auto& w : TopWindows(p.Id))
      if (w.Class == "MemtideBaseline") target = w.Wnd;
  }
  if (target) PostMessageA(target, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(p.Handle.get(), 10000) != WAIT_OBJECT_0) {
    TerminateProcess(p.Handle.get(), 1);
    WaitForSingleObject(p.Handle.get(), 5000);
  }
}

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string ReadAll(const std::string& path) {
  UniqueFileHandle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
  if (!f) return {};
  std::string out;
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  return out;
}

// Wine answers 0 for GetProcessTimes of another process. Its processes are Linux processes
// whose command line names the Windows executable: their user and system time come from
// /proc/<pid>/stat, read through the drive that maps the root folder.
struct UnixProcess {
  std::string StatPath;
  bool Found() const { return !StatPath.empty(); }
};

UnixProcess FindUnixProcess(const std::string& exe) {
  const std::string tail = Lower(exe.size() > 2 ? exe.substr(2) : exe);
  UnixProcess found;
  unsigned long long newest = 0;
  WIN32_FIND_DATAA fd{};
  HANDLE h = FindFirstFileA("Z:\\proc\\*", &fd);
  if (h == INVALID_HANDLE_VALUE) return found;
  do {
    if (fd.cFileName[0] < '0' || fd.cFileName[0] > '9') continue;
    const std::string dir = std::string("Z:\\proc\\") + fd.cFileName + "\\";
    std::string cmd = ReadAll(dir + "cmdline");
    for (auto& c : cmd) c = c == '/' ? '\\' : c;
    cmd = Lower(cmd);
    if (cmd.find(tail) == std::string::npos) continue;
    const std::string stat = ReadAll(dir + "stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    // Field 22, the start time, counted from field 3 just after the name.
    const char* at = stat.c_str() + close + 2;
    unsigned long long start = 0;
    for (int field = 3; field <= 22 && *at; ++field) {
      if (field == 22) start = std::strtoull(at, nullptr, 10);
      while (*at && *at != ' ') ++at;
      while (*at == ' ') ++at;
    }
    if (start >= newest) {
      newest = start;
      found.StatPath = dir + "stat";
    }
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return found;
}

double UnixCpuSeconds(const UnixProcess& p) {
  const std::string stat = ReadAll(p.StatPath);
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  const char* at = stat.c_str() + close + 2;
  unsigned long long ticks = 0;
  for (int field = 3; field <= 15 && *at; ++field) {
    if (field == 14 || field == 15) ticks += std::strtoull(at, nullptr, 10);
    while (*at && *at != ' ') ++at;
    while (*at == ' ') ++at;
  }
  return static_cast<double>(ticks) / 100.0;  // USER_HZ
}

struct CpuClock {
  HANDLE Process;
  UnixProcess Unix;
  bool FromProc = false;
  double Seconds() const {
    if (FromProc) return UnixCpuSeconds(Unix);
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(Process, &created, &exited, &kernel, &user)) return 0;
    auto value = [](FILETIME t) {
      return static_cast<double>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                                 t.dwLowDateTime) / 1e7;
    };
    return value(kernel) + value(user);
  }
};

// /proc where there is one (under Wine), GetProcessTimes otherwise.
CpuClock MakeClock(const Process& p, const std::string& exe) {
  CpuClock c{p.Handle.get(), {}, false};
  c.Unix = FindUnixProcess(exe);
  c.FromProc = c.Unix.Found();
  return c;
}

BOOL CALLBACK CountChild(HWND, LPARAM param) {
  ++*reinterpret_cast<DWORD*>(param);
  return TRUE;
}

// Footprint of another process; where Wine answers 0 for the USER count, the number of the
// process's windows (top-level and their children) stands in for it.
struct Reading {
  Footprint F;
  bool UserFromWindows = false;
};

Reading Read(const Process& p) {
  Reading r;
  r.F = ReadFootprint(p.Handle.get());
  if (r.F.UserObjects == 0) {
    DWORD windows = 0;
    for (const auto& w : TopWindows(p.Id)) {
      ++windows;
      EnumChildWindows(w.Wnd, &CountChild, reinterpret_cast<LPARAM>(&windows));
    }
    r.F.UserObjects = windows;
    r.UserFromWindows = true;
  }
  return r;
}

void Print(const char* who, const char* when, const Reading& r) {
  std::printf("  %-8s %-26s private %7.2f MiB  working set %7.2f MiB  GDI %4lu  USER %4lu%s\n",
              who, when, static_cast<double>(r.F.PrivateBytes) / 1048576.0,
              static_cast<double>(r.F.WorkingSet) / 1048576.0,
              static_cast<unsigned long>(r.F.GdiObjects),
              static_cast<unsigned long>(r.F.UserObjects),
              r.UserFromWindows ? " (windows)" : "");
}

std::uint64_t Committed(HANDLE process) {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  if (GetProcessMemoryInfo(process, &pmc, sizeof pmc) && pmc.PagefileUsage != 0)
    return pmc.PagefileUsage;
  return CommittedPrivateBytes(process);
}

// Starts one optimization sequence through the main form and waits until its memory rose
// and fell back; false when no run was seen.
bool RunSequence(const Process& p) {
  HWND main = MainForm(p.Id);
  if (!main) return false;
  const std::uint64_t before = Committed(p.Handle.get());
  auto rose = [&] { return Committed(p.Handle.get()) >= before + kRunRise; };
  // A request that arrives while the last run is still winding up is ignored: ask again.
  bool started = false;
  for (int attempt = 0; attempt < 3 && !started; ++attempt) {
    PostMessageA(main, WM_STARTOPTIMIZE, 0, 0);
    started = WaitUntil(rose, 4000, 10);
  }
  if (!started) return false;
  const bool fell =
      WaitUntil([&] { return Committed(p.Handle.get()) < before + kRunRise / 2; }, 60000, 20);
  Sleep(300);
  return fell;
}

void MoveCursor(int x, int y) {
  const int w = GetSystemMetrics(SM_CXSCREEN);
  const int h = GetSystemMetrics(SM_CYSCREEN);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = (x * 65535 + (w - 1) / 2) / (w - 1);
  in.mi.dy = (y * 65535 + (h - 1) / 2) / (h - 1);
  in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  SendInput(1, &in, sizeof in);
}

// Shows the monitor as a user does: the cursor over the tray icon, then resting on the
// monitor itself so it stays.
bool ShowMonitor(DWORD pid) {
  HWND bar = FindWindowA("Shell_TrayWnd", nullptr);
  HWND monitor = Monitor(pid);
  if (!bar || !monitor) {
    std::printf("  (no %s)\n", bar ? "monitor window" : "taskbar");
    return false;
  }
  RECT r{};
  GetWindowRect(bar, &r);
  const int icon = GetSystemMetrics(SM_CXSMICON) + 4;
  const int x = r.right - icon / 2, y = (r.top + r.bottom) / 2;
  for (int i = 0; i < 3 && !IsWindowVisible(monitor); ++i) {
    MoveCursor(x - 1, y);
    Sleep(50);
    MoveCursor(x, y);
    WaitUntil([&] { return IsWindowVisible(monitor) != FALSE; }, 2000, 20);
  }
  if (!IsWindowVisible(monitor)) {
    POINT at{};
    GetCursorPos(&at);
    std::printf("  (monitor not shown: cursor at %ld,%ld, taskbar %ld,%ld-%ld,%ld)\n", at.x, at.y,
                r.left, r.top, r.right, r.bottom);
    return false;
  }
  // Every notice of the cursor over the icon is handled before it moves on: the window's
  // place follows the cursor position at the time a notice is handled.
  Sleep(500);
  RECT m{};
  GetWindowRect(monitor, &m);
  MoveCursor(m.left + 40, m.top + 100);
  Sleep(1500);
  if (!IsWindowVisible(monitor)) {
    std::printf("  (monitor hid itself when the cursor moved onto it at %ld,%ld)\n", m.left + 40,
                m.top + 100);
    return false;
  }
  return true;
}

// The free-memory figure setting of the real settings key, switched on for one phase and
// put back as it was afterwards.
class FigureSetting {
 public:
  FigureSetting() {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quorix\\Memtide", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, key_.put(), nullptr) != ERROR_SUCCESS) {
      key_.release();
      return;
    }
    DWORD type = 0, size = sizeof old_;
    had_ = RegQueryValueExA(key_.get(), kName, nullptr, &type, reinterpret_cast<BYTE*>(&old_),
                            &size) == ERROR_SUCCESS &&
           type == REG_DWORD;
    const DWORD on = 1;
    ok_ = RegSetValueExA(key_.get(), kName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on),
                         sizeof on) == ERROR_SUCCESS;
  }
  ~FigureSetting() {
    if (!key_) return;
    if (had_)
      RegSetValueExA(key_.get(), kName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_),
                     sizeof old_);
    else
      RegDeleteValueA(key_.get(), kName);
  }
  bool On() const { return ok_; }

 private:
  static constexpr const char* kName = "ShowFreeMemoryInTrayIcon";
  UniqueHKey key_;
  DWORD old_ = 0;
  bool had_ = false, ok_ = false;
};

// Takes `mb` MiB (touched, so the system counts them as used) or gives them back.
class MemoryLoad {
 public:
  void Take(int mb) {
    for (int i = 0; i < mb; ++i) {
      void* block = VirtualAlloc(nullptr, kOptimizeBlockSize, MEM_COMMIT, PAGE_READWRITE);
      if (!block) break;
      std::memset(block, 1, kOptimizeBlockSize);
      blocks_.push_back(block);
    }
  }
  void Release() {
    for (void* block : blocks_) VirtualFree(block, 0, MEM_RELEASE);
    blocks_.clear();
  }
  ~MemoryLoad() { Release(); }
  int HeldMB() const { return static_cast<int>(blocks_.size()); }

 private:
  std::vector<void*> blocks_;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

int CountProcesses(const char* exeName) {
  UniqueFileHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int n = 0;
  for (BOOL ok = Process32First(snap.get(), &entry); ok; ok = Process32Next(snap.get(), &entry))
    if (lstrcmpiA(entry.szExeFile, exeName) == 0) ++n;
  return n;
}

double Signed(std::uint64_t before, std::uint64_t after) {
  return static_cast<double>(Growth(before, after));
}

std::string Ratio(double a, double b) {
  if (b <= 0) return "n/a (the baseline used less than the clock resolution)";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", a / b);
  return text;
}

// What committing and freeing as many blocks as one optimization run does to the working
// set of a process that runs none of Memtide's code: Memtide's own growth in its first run
// can then be told apart from what the system's memory manager keeps for itself.
struct BareRun {
  int Blocks = 0;
  double FirstGrowth = 0;
  double SecondGrowth = 0;
};

BareRun BareLoopWorkingSet() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  GlobalMemoryStatusEx(&status);
  BareRun run;
  run.Blocks = OptimizeBlockCount(OptimizeAmountMB(static_cast<std::int64_t>(status.ullTotalPhys)));
  auto once = [&] {
    std::vector<void*> blocks;
    for (int i = 0; i < run.Blocks; ++i) {
      void* block = VirtualAlloc(nullptr, kOptimizeBlockSize, MEM_COMMIT, PAGE_READWRITE | PAGE_NOCACHE);
      if (!block) break;  // the address space is used up, as in the optimizer: a shorter run
      std::memset(block, 0, kOptimizeBlockSize);
      blocks.push_back(block);
    }
    for (void* block : blocks) VirtualFree(block, 0, MEM_RELEASE);
  };
  const std::uint64_t ws0 = ReadFootprint().WorkingSet;
  once();
  const std::uint64_t ws1 = ReadFootprint().WorkingSet;
  once();
  const std::uint64_t ws2 = ReadFootprint().WorkingSet;
  run.FirstGrowth = Signed(ws0, ws1);
  run.SecondGrowth = Signed(ws1, ws2);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc > 1 && std::string(argv[1]) == "--quick") {
    kStartRounds = 1;
    kHiddenTicks = 5;
    kShownTicks = 5;
    kSequences = 2;
  }
  // Without a round count, "--startup-only" keeps the usual number of rounds rather than
  // falling through to the whole run.
  const bool startupOnly = argc > 1 && std::string(argv[1]) == "--startup-only";
  if (startupOnly && argc > 2) kStartRounds = std::max(1, std::atoi(argv[2]));
  const std::string memtide = ExeFolder() + "Memtide.exe";
  const std::string baseline = ExeFolder() + "bench_Baseline.exe";
  for (const auto& exe : {memtide, baseline}) {
    if (GetFileAttributesA(exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
      std::fprintf(stderr, "%s is missing: build it first\n", exe.c_str());
      return 1;
    }
  }
  if (!WaitUntil([] { return FindWindowA("Shell_TrayWnd", nullptr) != nullptr; }, 15000, 100)) {
    std::fprintf(stderr, "no taskbar on this desktop: the tray icon cannot appear\n");
    return 1;
  }
  if (CountProcesses("Memtide.exe") != 0) {
    std::fprintf(stderr, "Memtide.exe is already running; end it first\n");
    return 1;
  }

  // --- Start-up
  std::printf("Start-up (median of %d rounds, polled every 2 ms)\n", kStartRounds);
  std::vector<double> baseTimes, memTimes;
  for (int round = 0; round < kStartRounds; ++round) {
    Sleep(kQuietMs);
    double t0 = bench::Now();
    Process b = Start(baseline, "60");
    if (b.Handle && WaitUntil([&] { return FirstWindowVisible(b.Id); }, 15000, 2))
      baseTimes.push_back(bench::Now() - t0);
    End(b, false);

    Sleep(kQuietMs);
    t0 = bench::Now();
    Process m = Start(memtide, "");
    if (m.Handle && WaitUntil([&] { return TrayIconPresent(m.Id); }, 30000, 2))
      memTimes.push_back(bench::Now() - t0);
    // Its start-up work (first samples, the monitor shown and hidden) ends before it closes.
    Sleep(1500);
    End(m, true);
    std::printf("  round %d: baseline first window %s ms, Memtide tray icon %s ms\n", round + 1,
                baseTimes.size() > static_cast<size_t>(round)
                    ? std::to_string(static_cast<int>(baseTimes.back() * 1000)).c_str() : "-",
                memTimes.size() > static_cast<size_t>(round)
                    ? std::to_string(static_cast<int>(memTimes.back() * 1000)).c_str() : "-");
  }
  if (baseTimes.empty() || memTimes.empty()) {
    std::printf("  start-up could not be measured (no window or no tray icon seen)\n");
  } else {
    const double b = Median(baseTimes), m = Median(memTimes);
    std::printf("  baseline %.0f ms, Memtide %.0f ms, ratio %.2f (goal at most 2.00)\n\n",
                b * 1000, m * 1000, m / b);
  }
  if (startupOnly) return 0;

  // --- Footprint and idle cost: both programs run side by side.
  // The baseline ends itself after its lifetime: long enough for every reading below
  // (the sequences take well under ten minutes).
  const int baselineSeconds = static_cast<int>(kSettleMs / 1000) + kHiddenTicks + kShownTicks + 900;
  Process b = Start(baseline, std::to_string(baselineSeconds));
  Process m = Start(memtide, "");
  if (!b.Handle || !m.Handle) {
    std::fprintf(stderr, "could not start the programs\n");
    return 1;
  }
  Sleep(kSettleMs);
  HWND monitor = Monitor(m.Id);
  std::printf("Footprint (private = committed private bytes%s)\n",
              ReadFootprint(m.Handle.get()).GdiObjects == 0 ? "; GDI 0 = not reported here" : "");
  const Reading mStart = Read(m), bStart = Read(b);
  Print("Memtide", "after start (5 s)", mStart);
  Print("baseline", "after start (5 s)", bStart);

  const CpuClock mClock = MakeClock(m, memtide), bClock = MakeClock(b, baseline);
  double mCpu0 = mClock.Seconds(), bCpu0 = bClock.Seconds();
  double t0 = bench::Now();
  Sleep(kHiddenTicks * 1000);
  const double hiddenSecs = bench::Now() - t0;
  const double mHidden = mClock.Seconds() - mCpu0;
  const double bHidden = bClock.Seconds() - bCpu0;
  const bool stayedHidden = monitor && !IsWindowVisible(monitor);
  const Reading mTicks = Read(m), bTicks = Read(b);
  char label[64];
  std::snprintf(label, sizeof label, "after %d more ticks", kHiddenTicks);
  Print("Memtide", label, mTicks);
  Print("baseline", label, bTicks);

  // Shown: the cursor rests on the monitor.
  double mShown = -1, bShown = -1, shownSecs = 0;
  bool stayedShown = false;
  if (ShowMonitor(m.Id)) {
    mCpu0 = mClock.Seconds();
    bCpu0 = bClock.Seconds();
    t0 = bench::Now();
    Sleep(kShownTicks * 1000);
    shownSecs = bench::Now() - t0;
    mShown = mClock.Seconds() - mCpu0;
    bShown = bClock.Seconds() - bCpu0;
    stayedShown = IsWindowVisible(monitor) != FALSE;
  }
  MoveCursor(100, 100);

  int seen = 0;
  const double seqStart = bench::Now();
  Reading mFirst, mHalf;
  for (int i = 0; i < kSequences; ++i) {
    seen += RunSequence(m) ? 1 : 0;
    if (i == 0) {
      Sleep(2000);
      mFirst = Read(m);
      Print("Memtide", "after 1 sequence", mFirst);
    }
    if (i + 1 == kSequences / 2) {
      Sleep(2000);
      mHalf = Read(m);
      std::snprintf(label, sizeof label, "after %d sequences", kSequences / 2);
      Print("Memtide", label, mHalf);
    }
  }
  const double seqSecs = bench::Now() - seqStart;
  Sleep(2000);  // the last run's result text and balloon settle
  const Reading mSeq = Read(m), bSeq = Read(b);
  std::snprintf(label, sizeof label, "after %d sequences", kSequences);
  Print("Memtide", label, mSeq);
  Print("baseline", label, bSeq);
  std::printf("  optimization sequences seen running: %d of %d, %.1f s in all\n", seen,
              kSequences, seqSecs);
  const double over = Signed(bSeq.F.PrivateBytes, mSeq.F.PrivateBytes) / 1048576.0;
  std::printf("  private bytes above the baseline: after start %.2f MiB, after ticks %.2f MiB, "
              "last %.2f MiB (goal at most 4.00)\n",
              Signed(bStart.F.PrivateBytes, mStart.F.PrivateBytes) / 1048576.0,
              Signed(bTicks.F.PrivateBytes, mTicks.F.PrivateBytes) / 1048576.0, over);
  std::printf("  growth second -> last reading: private %+.0f KiB, working set %+.0f KiB, "
              "GDI %+ld, USER %+ld (goal: no growth)\n",
              Signed(mTicks.F.PrivateBytes, mSeq.F.PrivateBytes) / 1024.0,
              Signed(mTicks.F.WorkingSet, mSeq.F.WorkingSet) / 1024.0,
              static_cast<long>(mSeq.F.GdiObjects) - static_cast<long>(mTicks.F.GdiObjects),
              static_cast<long>(mSeq.F.UserObjects) - static_cast<long>(mTicks.F.UserObjects));
  std::printf("  of it in the first sequence: private %+.0f KiB, working set %+.0f KiB; "
              "from the first to the last sequence: private %+.0f KiB, working set %+.0f KiB\n",
              Signed(mTicks.F.PrivateBytes, mFirst.F.PrivateBytes) / 1024.0,
              Signed(mTicks.F.WorkingSet, mFirst.F.WorkingSet) / 1024.0,
              Signed(mFirst.F.PrivateBytes, mSeq.F.PrivateBytes) / 1024.0,
              Signed(mFirst.F.WorkingSet, mSeq.F.WorkingSet) / 1024.0);
  std::printf("  growth over the second half of the sequences: private %+.0f KiB, working set "
              "%+.0f KiB\n",
              Signed(mHalf.F.PrivateBytes, mSeq.F.PrivateBytes) / 1024.0,
              Signed(mHalf.F.WorkingSet, mSeq.F.WorkingSet) / 1024.0);
  const BareRun bare = BareLoopWorkingSet();
  std::printf("  the same run as a bare loop in this process (%d blocks of 1 MiB held at once, "
              "then freed): working set %+.0f KiB after the first run, %+.0f KiB after the "
              "second\n",
              bare.Blocks, bare.FirstGrowth / 1024.0, bare.SecondGrowth / 1024.0);
  std::printf("\n");

  std::printf("Idle cost (CPU time per one-second tick, %s)\n",
              mClock.FromProc ? "user + system time from /proc/<pid>/stat, 10 ms resolution"
                              : "GetProcessTimes");
  const double hidTicks = hiddenSecs;  // both programs wake once a second
  std::printf("  hidden (%.0f ticks%s): Memtide %.3f ms, baseline %.3f ms, above baseline "
              "%.3f ms (goal under 0.5), ratio %s\n",
              hidTicks, stayedHidden ? "" : ", monitor NOT hidden at the end",
              mHidden / hidTicks * 1000, bHidden / hidTicks * 1000,
              (mHidden - bHidden) / hidTicks * 1000,
              Ratio(mHidden, bHidden).c_str());
  if (mShown < 0) {
    std::printf("  shown: the monitor could not be shown from outside; not measured\n");
  } else {
    std::printf("  shown (%.0f ticks%s): Memtide %.3f ms, baseline %.3f ms, above baseline "
                "%.3f ms (goal under 2), ratio %s\n",
                shownSecs, stayedShown ? "" : ", monitor NOT shown at the end",
                mShown / shownSecs * 1000, bShown / shownSecs * 1000,
                (mShown - bShown) / shownSecs * 1000, Ratio(mShown, bShown).c_str());
  }

  End(m, true);

  // --- The free-memory figure in the tray icon: a fresh Memtide with the setting on.
  std::printf("\nTray figure (a second Memtide with ShowFreeMemoryInTrayIcon on, %d ticks; this "
              "program takes and gives back memory every 10 s so that the figure changes)\n",
              kHiddenTicks);
  {
    FigureSetting figure;
    if (!figure.On()) {
      std::printf("  the setting could not be written; not measured\n");
    } else {
      Sleep(kQuietMs);
      Process f = Start(memtide, "");
      Sleep(kSettleMs);
      const Reading fStart = Read(f);
      Print("Memtide", "after start (5 s)", fStart);
      MEMORYSTATUSEX status{};
      status.dwLength = sizeof status;
      GlobalMemoryStatusEx(&status);
      // A tenth of physical memory moves the figure by ten; the address space of a 32-bit
      // process may hold less.
      const int swingMB = static_cast<int>(std::min<std::uint64_t>(status.ullTotalPhys / 10 >> 20, 1024));
      MemoryLoad load;
      int swings = 0, heldMost = 0;
      const DWORD start = GetTickCount();
      while (GetTickCount() - start < static_cast<DWORD>(kHiddenTicks) * 1000) {
        if (load.HeldMB() == 0) {
          load.Take(swingMB);
          heldMost = std::max(heldMost, load.HeldMB());
        } else {
          load.Release();
        }
        ++swings;
        Sleep(std::min<DWORD>(10000, static_cast<DWORD>(kHiddenTicks) * 1000));
      }
      load.Release();
      Sleep(2000);
      const Reading fTicks = Read(f);
      std::snprintf(label, sizeof label, "after %d more ticks", kHiddenTicks);
      Print("Memtide", label, fTicks);
      std::printf("  memory taken or given back %d times (%d MiB at most, %.1f %% of physical "
                  "memory)\n",
                  swings, heldMost,
                  100.0 * heldMost * 1048576.0 / static_cast<double>(status.ullTotalPhys));
      std::printf("  growth start -> last reading: GDI %+ld, USER %+ld%s (goal: no growth)\n",
                  static_cast<long>(fTicks.F.GdiObjects) - static_cast<long>(fStart.F.GdiObjects),
                  static_cast<long>(fTicks.F.UserObjects) - static_cast<long>(fStart.F.UserObjects),
                  fStart.F.GdiObjects == 0 ? "; GDI 0 = not reported here, USER = windows" : "");
      End(f, true);
    }
  }
  End(b, false);
  return 0;
}
