// Drives the real Memtide.exe from outside, as a user and an observer would: starting and
// ending processes, finding their windows, reading memory counters, the registry and the
// screen, and sending mouse and keyboard input through the system.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "util/ScopedHandles.h"

namespace e2e {

// How long a test waits for the program to react to something. A loaded machine takes
// seconds where an idle one takes milliseconds; a wait returns as soon as its state holds,
// so only a test that is failing anyway waits this long.
constexpr DWORD kReactionMs = 30000;

// A started program. Ends it on destruction: first politely (WM_CLOSE to its main form),
// then by force.
class Program {
 public:
  Program() = default;
  Program(Program&&) = default;
  Program& operator=(Program&&) = default;
  ~Program();

  // Starts exe with the given argument text; false when CreateProcess refused.
  bool Start(const std::string& exe, const std::string& args = "");
  DWORD Id() const { return id_; }
  // GetTickCount just before the process was created.
  DWORD StartTick() const { return start_tick_; }
  HANDLE Handle() const { return process_.get(); }
  bool Running() const;
  // Waits up to ms for the process to end; its exit code then, or nullopt.
  std::optional<DWORD> WaitExit(DWORD ms) const;
  // Ends the program as a user would (WM_CLOSE to the main form) and waits for it.
  bool Close(DWORD ms = kReactionMs);
  void Kill();
  // The most memory the process ever committed, as its job object recorded it; it stays
  // readable after the process has ended. 0 where the system keeps no such record.
  std::uint64_t PeakCommitted() const;

 private:
  UniqueHandle process_;
  UniqueHandle job_;  // holds the process from its first instruction on
  DWORD id_ = 0;
  DWORD start_tick_ = 0;
};

struct WindowInfo {
  HWND Wnd = nullptr;
  std::string Class;
  std::string Title;
  RECT Rect{};
  bool Visible = false;
  LONG_PTR Style = 0;
  LONG_PTR ExStyle = 0;
  HWND Owner = nullptr;
};
WindowInfo Describe(HWND wnd);
// Top-level windows of a process.
std::vector<WindowInfo> TopWindows(DWORD pid);
// The first top-level window of pid with that class and/or title (empty: any).
HWND FindTopWindow(DWORD pid, const std::string& cls, const std::string& title);
// The program's hidden main form, its monitor window and the application window.
HWND MainFormWindow(DWORD pid);
HWND MonitorWindow(DWORD pid);
HWND ApplicationWindow(DWORD pid);
// True once the program has shown its monitor window for the first time, also after the
// window has hidden itself again: ShowMonitor makes the window topmost, it is not created
// so, and nothing takes it back. Visibility alone cannot tell "not shown yet" from
// "hidden again", and a wait for a hidden window that has not been shown yet returns
// before the program has even placed it.
bool MonitorShownOnce(HWND monitor);
// Number of running processes whose executable has that file name (any case).
int CountProcesses(const std::string& exeName);
// Memtide.exe as built beside the tests.
std::string ProgramPath();
// Waits (as WaitFor does) until no Memtide.exe runs any more, for at most ms.
bool NoProgramRunning(DWORD ms = kReactionMs);

// Committed (page-file backed) bytes and peak working set of a process.
struct MemoryCounters {
  std::uint64_t Committed = 0;
  std::uint64_t PeakWorkingSet = 0;
};
MemoryCounters ReadMemory(HANDLE process);

// Watches a process's committed memory: the highest value seen since Reset().
class MemoryWatch {
 public:
  explicit MemoryWatch(HANDLE process) : process_(process) { Reset(); }
  void Reset();
  void Sample();
  std::uint64_t Baseline() const { return baseline_; }
  std::uint64_t Peak() const { return peak_; }
  std::uint64_t Rise() const { return peak_ > baseline_ ? peak_ - baseline_ : 0; }
  std::uint64_t Current() const { return current_; }

 private:
  HANDLE process_;
  std::uint64_t baseline_ = 0, peak_ = 0, current_ = 0;
};

// Waits (pumping this thread's messages) until pred holds or ms pass.
bool WaitFor(const std::function<bool()>& pred, DWORD ms, DWORD stepMs = 50);

// Input through the system, as from the hardware.
void MoveMouse(int x, int y);
// Single clicks are spaced by more than the double-click time.
void Click(int x, int y, bool right = false);
void DoubleClick(int x, int y);
void PressKey(WORD vk);
void PressChord(const std::vector<WORD>& vks);  // held in order, released in reverse
// A key pressed in an open menu of another program, posted to the menu's own window, whose
// menu loop reads it from its thread's queue as it reads typed keys. Not through the
// system: Wine 8 routes typed keys to the foreground window, and after a program the
// tested one started has ended there was none; the tested program's SetForegroundWindow
// before its menu (on its hidden main form) did not give it back, and the keys were lost
// (seen with FakeCompanion under load: no foreground window for 10 s, the menu open).
void MenuKey(HWND menu, WORD vk);

// The desktop's taskbar and the point over the first icon of its notification area.
RECT TaskbarRect();
POINT TrayIconPoint();
// Why an end-to-end test cannot run here (no taskbar on the desktop after waiting for it,
// or no program at `exe`); empty when it can.
std::string EndToEndSkipReason(const std::string& exe);

// True when a tray icon with this window and id is known to the notification area.
bool TrayIconExists(HWND wnd, UINT id);

// A copy of part of the screen; pixels as 0x00RRGGBB.
class ScreenShot {
 public:
  explicit ScreenShot(const RECT& area);
  int Width() const { return w_; }
  int Height() const { return h_; }
  std::uint32_t At(int x, int y) const { return pixels_[static_cast<size_t>(y * w_ + x)]; }
  // Pixels of the given sub-rectangle (relative to the shot) that pass the test.
  int Count(const RECT& part, const std::function<bool(std::uint32_t)>& test) const;
  bool SavePng(const std::string& path) const;  // through GDI+

 private:
  int w_ = 0, h_ = 0;
  std::vector<std::uint32_t> pixels_;
};

// Takes the values of a registry key (no sub-keys) and puts them back on destruction.
class RegistryKeyGuard {
 public:
  RegistryKeyGuard(HKEY root, std::string path);
  ~RegistryKeyGuard();
  RegistryKeyGuard(const RegistryKeyGuard&) = delete;
  RegistryKeyGuard& operator=(const RegistryKeyGuard&) = delete;
  void Clear() const;  // deletes the key now

 private:
  struct Value {
    DWORD Type;
    std::vector<BYTE> Data;
  };
  HKEY root_;
  std::string path_;
  bool existed_ = false;
  std::map<std::string, Value> values_;
};

struct RegValue {
  DWORD Type = REG_NONE;
  std::vector<BYTE> Data;
  std::string Text() const;
  DWORD Dword() const;
};
// Writes a REG_DWORD value, creating the key if needed; false when it could not.
bool WriteDword(HKEY root, const std::string& path, const char* name, DWORD value);

// All values of a key by name; empty when the key does not exist.
std::map<std::string, RegValue> ReadValues(HKEY root, const std::string& path);

std::string ReadTextFile(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace e2e
