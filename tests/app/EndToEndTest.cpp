// End-to-end tests: the real Memtide.exe under Wine on the shared virtual desktop, observed
// from outside through windows, styles, rectangles, the registry, files, process lists,
// memory counters and the screen, and driven through system input like a user.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cctype>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ProgramDriver.h"
#include "support/TestSupport.h"

using namespace e2e;

namespace {

constexpr char kSettingsKey[] = "Software\\Quorix\\Memtide";
constexpr char kCompanionKey[] = "Software\\Quorix\\Brisvane";
constexpr int kMonitorWidth = 257;
constexpr int kMonitorHeight = 268;
// An optimization commits one eighth of physical memory (as much of it as a process can
// hold); a rise of this much in committed memory is nothing else.
constexpr std::uint64_t kRunRise = 128ull << 20;

const char* kSettingNames[] = {
    "ShowMessageWhenOptimizing", "AutoOptimize",      "HotKey",
    "CPUGridColor",              "CPUStartBackColor", "CPUEndBackColor",
    "CPUHighCPUColor",           "CPULowCPUColor",    "RAMGridColor",
    "RAMStartBackColor",         "RAMEndBackColor",   "RAMHighRAMColor",
    "RAMLowRAMColor",            "CPUDataFromSystemPerform", "Language",
    "ShowFreeMemoryInTrayIcon"};

class MemtideEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = EndToEndSkipReason(ProgramPath());
    if (!why.empty()) GTEST_SKIP() << why;
    ASSERT_TRUE(NoProgramRunning()) << "another Memtide is still running";
    settings_ = std::make_unique<RegistryKeyGuard>(HKEY_CURRENT_USER, kSettingsKey);
    companion_ = std::make_unique<RegistryKeyGuard>(HKEY_CURRENT_USER, kCompanionKey);
    settings_->Clear();
    companion_->Clear();
    Park();
  }

  void TearDown() override {
    CloseDialogs();
    program_.reset();
    for (auto& p : extra_) p.reset();
    settings_.reset();
    companion_.reset();
  }

  // The cursor somewhere far from the tray icon and from the monitor window.
  static void Park() { MoveMouse(100, 100); }

  // Starts the program and waits until it has its main form and monitor window.
  Program& Start(const std::string& args = "", const std::string& exe = ProgramPath()) {
    program_ = std::make_unique<Program>();
    EXPECT_TRUE(program_->Start(exe, args));
    const DWORD pid = program_->Id();
    EXPECT_TRUE(WaitFor([pid] { return MainFormWindow(pid) && MonitorWindow(pid); }, kReactionMs))
        << "the program's windows did not appear";
    const RECT bar = TaskbarRect();
    EXPECT_TRUE(bar.right > bar.left && bar.bottom > bar.top) << "the taskbar has no size";
    return *program_;
  }

  // Waits until the monitor window has hidden itself (the cursor is parked elsewhere)
  // after it was shown: at start-up it exists hidden before the program shows it.
  bool WaitMonitorHidden(DWORD ms = kReactionMs) {
    const DWORD pid = program_->Id();
    return WaitFor([pid] {
      HWND m = MonitorWindow(pid);
      return MonitorShownOnce(m) && !IsWindowVisible(m);
    }, ms);
  }

  // Waits until the program has handled the cursor resting on its tray icon (the monitor
  // window is shown and placed there), then gives the window.
  HWND ShowMonitorFromTray() {
    const POINT icon = TrayIconPoint();
    MoveMouse(icon.x - 1, icon.y);
    MoveMouse(icon.x, icon.y);
    HWND monitor = MonitorWindow(program_->Id());
    if (!WaitFor([&] { return IsWindowVisible(monitor) != FALSE; }, kReactionMs)) return nullptr;
    return monitor;
  }

  // Waits until an optimization has committed memory and given it back.
  struct RunSeen {
    bool Rose = false;
    bool FellBack = false;
    std::uint64_t Rise = 0;
    DWORD RoseAfterMs = 0;
  };
  RunSeen WatchForRun(DWORD ms) {
    RunSeen seen;
    MemoryWatch watch(program_->Handle());
    const DWORD start = GetTickCount();
    seen.Rose = WaitFor([&] {
      watch.Sample();
      return watch.Rise() >= kRunRise;
    }, ms, 20);
    seen.RoseAfterMs = GetTickCount() - start;
    seen.Rise = watch.Rise();
    if (seen.Rose) {
      seen.FellBack = WaitFor([&] {
        watch.Sample();
        return watch.Current() < watch.Baseline() + kRunRise / 2;
      }, 60000, 50);
    }
    return seen;
  }

  // No run starts within ms.
  bool NoRunWithin(DWORD ms) {
    MemoryWatch watch(program_->Handle());
    WaitFor([&] {
      watch.Sample();
      return watch.Rise() >= kRunRise;
    }, ms, 20);
    return watch.Rise() < kRunRise;
  }

  HWND OpenTrayMenu() {
    const POINT icon = TrayIconPoint();
    MoveMouse(icon.x, icon.y);
    Click(icon.x, icon.y, /*right=*/true);
    HWND menu = nullptr;
    const DWORD pid = program_->Id();
    // Closed menus may leave hidden menu windows behind: look for a shown one.
    WaitFor([&] {
      menu = nullptr;
      for (const auto& w : TopWindows(pid)) {
        if (w.Class == "#32768" && w.Visible) menu = w.Wnd;
      }
      return menu != nullptr;
    }, kReactionMs);
    if (!menu || !IsWindowVisible(menu)) {
      const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
      ScreenShot(screen).SavePng(testsupport::ExeFolder() + "menu-missing.png");
      std::string windows;
      for (const auto& w : TopWindows(pid)) {
        windows += "\n  " + w.Class + " '" + w.Title + "' visible=" + std::to_string(w.Visible) +
                   " enabled=" + std::to_string(IsWindowEnabled(w.Wnd));
      }
      ADD_FAILURE() << "the tray menu did not open; see menu-missing.png; windows:" << windows
                    << "\n  foreground " << Describe(GetForegroundWindow()).Class;
      return nullptr;
    }
    return menu;
  }

  // Opens the tray menu and chooses the item at 1-based position n (separators skipped).
  bool ChooseMenuItem(int n) {
    HWND menu = OpenTrayMenu();
    if (!menu) return false;
    for (int i = 0; i < n; ++i) MenuKey(menu, VK_DOWN);
    MenuKey(menu, VK_RETURN);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); }, kReactionMs))
        << "the menu stayed open after item " << n << " was chosen";
    return true;
  }

  // A message box of the program, with its text.
  HWND WaitMessageBox(std::string& text, DWORD ms = kReactionMs) {
    HWND box = nullptr;
    const DWORD pid = program_->Id();
    WaitFor([&] {
      box = FindTopWindow(pid, "#32770", "Memtide");
      return box && IsWindowVisible(box);
    }, ms);
    text.clear();
    if (!box) return nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      char cls[64] = {};
      GetClassNameA(child, cls, sizeof(cls));
      if (lstrcmpiA(cls, "Static") != 0) continue;
      char buf[1024] = {};
      DWORD_PTR copied = 0;
      SendMessageTimeoutA(child, WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf),
                          SMTO_ABORTIFHUNG, 2000, &copied);
      if (std::string(buf).size() > text.size()) text = buf;
    }
    return box;
  }

  void CloseDialogs() {
    if (!program_) return;
    const DWORD pid = program_->Id();
    for (int i = 0; i < 5; ++i) {
      HWND box = FindTopWindow(pid, "#32770", "");
      if (!box) break;
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      testsupport::PumpMessages(200);
    }
    for (const auto& w : TopWindows(pid)) {
      if (w.Class == "#32768" && w.Visible) MenuKey(w.Wnd, VK_ESCAPE);
    }
  }

  std::unique_ptr<Program> program_;
  std::vector<std::unique_ptr<Program>> extra_;
  std::unique_ptr<RegistryKeyGuard> settings_;
  std::unique_ptr<RegistryKeyGuard> companion_;
};

bool IsDark(std::uint32_t px) {
  return ((px >> 16) & 0xFF) < 0x60 && ((px >> 8) & 0xFF) < 0x60 && (px & 0xFF) < 0x60;
}

// A system colour as the screen shots hold pixels (0x00RRGGBB).
std::uint32_t ScreenColor(int index) {
  const COLORREF c = GetSysColor(index);
  return (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

// The first row of an open menu as it is drawn: mostly the menu's background with a caption
// on it, in the normal or the greyed text colour; its dark pixels are counted. Whether
// another process has painted its window cannot be seen from outside, and a menu shown a
// moment ago may still show what lay beneath it (here the monitor window's texts), so this
// waits for the menu's own looks on the screen.
int FirstMenuRowDark(HWND menu, int& drawnAfterMs) {
  RECT r{};
  GetWindowRect(menu, &r);
  const RECT row{4, 2, r.right - r.left - 4, GetSystemMetrics(SM_CYMENU)};
  const int rowPixels = (row.right - row.left) * (row.bottom - row.top);
  const std::uint32_t background = ScreenColor(COLOR_MENU);
  int dark = 0;
  const DWORD start = GetTickCount();
  WaitFor([&] {
    const ScreenShot shot(r);
    const int plain = shot.Count(row, [&](std::uint32_t px) { return px == background; });
    dark = shot.Count(row, IsDark);
    const int ink = shot.Count(row, [&](std::uint32_t px) { return px != background; });
    return 2 * plain >= rowPixels && ink > 10;
  }, kReactionMs, 20);
  drawnAfterMs = static_cast<int>(GetTickCount() - start);
  return dark;
}

}  // namespace

TEST_F(MemtideEndToEnd, Start_TrayIconAndMonitorBesideTaskbarThenHidden) {
  Program& p = Start();
  const DWORD pid = p.Id();

  // Shown at once in the corner beside the taskbar. The place stays when the window hides
  // again, so it is read once the program has shown the window, whether or not this test
  // was quick enough to see it on the screen.
  HWND monitor = MonitorWindow(pid);
  bool seenVisible = false;
  ASSERT_TRUE(WaitFor([&] {
    seenVisible = IsWindowVisible(monitor) != FALSE;
    return seenVisible || MonitorShownOnce(monitor);
  }, kReactionMs, 10)) << "the monitor window was never shown";
  RECT shownAt{};
  GetWindowRect(monitor, &shownAt);
  const int sw = GetSystemMetrics(SM_CXSCREEN);
  EXPECT_EQ(shownAt.right - shownAt.left, kMonitorWidth);
  EXPECT_EQ(shownAt.bottom - shownAt.top, kMonitorHeight);
  EXPECT_EQ(shownAt.right, sw);
  EXPECT_EQ(shownAt.bottom, TaskbarRect().top);

  // About a second later it hides itself: the cursor is elsewhere.
  const DWORD seen = GetTickCount();
  ASSERT_TRUE(WaitMonitorHidden());
  if (seenVisible) {
    EXPECT_GE(GetTickCount() - seen, 300u);
  }

  // The icon is drawn in the notification area: its square differs from the bar's plain
  // background.
  const RECT bar = TaskbarRect();
  ASSERT_GT(bar.right - bar.left, 0);
  const ScreenShot strip(bar);
  const std::uint32_t background = strip.At(strip.Width() / 2, strip.Height() / 2);
  const int iconSize = GetSystemMetrics(SM_CXSMICON);
  const POINT icon = TrayIconPoint();
  const RECT iconSquare{icon.x - bar.left - iconSize / 2, icon.y - bar.top - iconSize / 2,
                        icon.x - bar.left + iconSize / 2, icon.y - bar.top + iconSize / 2};
  EXPECT_GT(strip.Count(iconSquare, [&](std::uint32_t px) { return px != background; }),
            iconSize * iconSize / 4)
      << "no icon in the notification area";

  // No taskbar button: every window of the program is a tool window or owned, never an
  // app window; the application window itself carries WS_EX_TOOLWINDOW.
  HWND app = ApplicationWindow(pid);
  ASSERT_TRUE(app);
  EXPECT_TRUE(GetWindowLongPtrA(app, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  const auto monitorInfo = Describe(monitor);
  EXPECT_TRUE(monitorInfo.ExStyle & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(monitorInfo.ExStyle & WS_EX_NOACTIVATE);
  EXPECT_TRUE(monitorInfo.Style & WS_POPUP);
  EXPECT_TRUE(monitorInfo.ExStyle & WS_EX_TOPMOST);
  for (const auto& w : TopWindows(pid)) {
    EXPECT_FALSE(w.ExStyle & WS_EX_APPWINDOW) << w.Class << " " << w.Title;
    if (w.Visible && !w.Owner) {
      EXPECT_TRUE(w.ExStyle & WS_EX_TOOLWINDOW) << w.Class;
    }
  }
  HWND main = MainFormWindow(pid);
  ASSERT_TRUE(main);
  EXPECT_FALSE(IsWindowVisible(main));
  RECT mainRect{};
  GetWindowRect(main, &mainRect);
  EXPECT_EQ(mainRect.right - mainRect.left, 0);
  EXPECT_EQ(mainRect.bottom - mainRect.top, 0);
}

// The common controls and dialogs serve the options dialog only; loading them at every
// start cost the tray icon tens of milliseconds.
TEST_F(MemtideEndToEnd, Start_LeavesCommonControlsAndDialogsUnloaded) {
  Program& p = Start();
  std::vector<std::string> modules;
  HMODULE handles[512];
  DWORD needed = 0;
  ASSERT_TRUE(EnumProcessModules(p.Handle(), handles, sizeof handles, &needed));
  const DWORD count = std::min<DWORD>(needed / sizeof(HMODULE), 512);
  for (DWORD i = 0; i < count; ++i) {
    char name[MAX_PATH] = {};
    if (GetModuleBaseNameA(p.Handle(), handles[i], name, MAX_PATH)) {
      std::string lower(name);
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      modules.push_back(lower);
    }
  }
  ASSERT_FALSE(modules.empty());
  EXPECT_NE(std::find(modules.begin(), modules.end(), "gdiplus.dll"), modules.end());
  EXPECT_EQ(std::find(modules.begin(), modules.end(), "comctl32.dll"), modules.end());
  EXPECT_EQ(std::find(modules.begin(), modules.end(), "comdlg32.dll"), modules.end());
}

TEST_F(MemtideEndToEnd, SecondStart_EndsAtOnceLeavingOneProcessAndNoRun) {
  Program& first = Start();
  ASSERT_TRUE(WaitMonitorHidden());
  Program second;
  ASSERT_TRUE(second.Start(ProgramPath()));
  auto code = second.WaitExit(kReactionMs);
  ASSERT_TRUE(code.has_value()) << "the second instance kept running";
  EXPECT_EQ(*code, 0u);
  EXPECT_TRUE(TopWindows(second.Id()).empty());
  EXPECT_EQ(CountProcesses("Memtide.exe"), 1);
  EXPECT_TRUE(first.Running());
  // The running instance's application window is brought to the front.
  const HWND app = ApplicationWindow(first.Id());
  EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == app; }, kReactionMs))
      << "foreground: " << Describe(GetForegroundWindow()).Class;
  EXPECT_TRUE(NoRunWithin(4000)) << "a plain second start must not optimize";
}

TEST_F(MemtideEndToEnd, SecondStartWithAutoOptimize_FirstInstanceRuns) {
  Start();
  ASSERT_TRUE(WaitMonitorHidden());
  ASSERT_TRUE(NoRunWithin(2500));  // past the start-up check of the first instance
  Program second;
  ASSERT_TRUE(second.Start(ProgramPath(), "-AutoOptimize"));
  ASSERT_TRUE(second.WaitExit(kReactionMs).has_value());
  RunSeen run = WatchForRun(kReactionMs);
  EXPECT_TRUE(run.Rose) << "rise seen: " << (run.Rise >> 20) << " MiB";
  EXPECT_TRUE(run.FellBack);
  EXPECT_EQ(CountProcesses("Memtide.exe"), 1);
}

// "-optimize" with no copy running: one run, watched from outside until the process ends.
TEST_F(MemtideEndToEnd, OptimizeSwitch_NoCopyRunning_OneRunWithoutWindowsOrSettingsThenExitZero) {
  ASSERT_TRUE(ReadValues(HKEY_CURRENT_USER, kSettingsKey).empty());
  Program p;
  ASSERT_TRUE(p.Start(ProgramPath(), "-OPTIMIZE"));
  MemoryWatch watch(p.Handle());
  std::string shown;
  bool trayIcon = false;
  std::optional<DWORD> code;
  // Every few milliseconds until the process has ended; the job's record of the peak makes
  // the rise certain even if the run fell between two looks.
  WaitFor([&] {
    watch.Sample();
    for (const auto& w : TopWindows(p.Id())) {
      if (w.Visible) shown += " " + w.Class + " '" + w.Title + "'";
      if (w.Class == "MemtideMessageWindow" && TrayIconExists(w.Wnd, 1)) trayIcon = true;
    }
    code = p.WaitExit(0);
    return code.has_value();
  }, 120000, 10);
  ASSERT_TRUE(code.has_value()) << "the one-shot run did not end";
  EXPECT_EQ(*code, 0u) << "the run did not complete";
  const std::uint64_t peak = std::max(watch.Peak(), p.PeakCommitted());
  EXPECT_GE(peak, watch.Baseline() + kRunRise) << "peak seen: " << (peak >> 20) << " MiB";
  EXPECT_TRUE(shown.empty()) << "shown:" << shown;
  EXPECT_FALSE(trayIcon) << "a tray icon was added";
  // Nothing written: not the settings, not the program path.
  EXPECT_TRUE(ReadValues(HKEY_CURRENT_USER, kSettingsKey).empty());
  EXPECT_TRUE(NoProgramRunning());
}

TEST_F(MemtideEndToEnd, OptimizeSwitch_CopyRunning_ItRunsThereAndTheNewProcessEndsAtOnce) {
  Program& first = Start();
  ASSERT_TRUE(WaitMonitorHidden());
  ASSERT_TRUE(NoRunWithin(2500));  // past the start-up check of the first instance
  const auto settingsBefore = ReadValues(HKEY_CURRENT_USER, kSettingsKey);
  Program second;
  ASSERT_TRUE(second.Start(ProgramPath(), "-Optimize"));
  auto code = second.WaitExit(10000);
  ASSERT_TRUE(code.has_value()) << "the second process kept running";
  EXPECT_EQ(*code, 0u);
  EXPECT_TRUE(TopWindows(second.Id()).empty());
  EXPECT_LT(second.PeakCommitted(), kRunRise) << "the second process ran the optimization itself";
  RunSeen run = WatchForRun(10000);
  EXPECT_TRUE(run.Rose) << "rise seen: " << (run.Rise >> 20) << " MiB";
  EXPECT_TRUE(run.FellBack);
  EXPECT_EQ(CountProcesses("Memtide.exe"), 1);
  EXPECT_TRUE(first.Running());
  const auto settingsAfter = ReadValues(HKEY_CURRENT_USER, kSettingsKey);
  ASSERT_EQ(settingsAfter.size(), settingsBefore.size());
  for (const auto& [name, value] : settingsBefore) {
    ASSERT_TRUE(settingsAfter.count(name)) << name;
    EXPECT_EQ(settingsAfter.at(name).Data, value.Data) << name;
  }
}

// With the setting on, the notification area shows the figure on the memory chart's high
// colour (cyan by default) instead of the program icon.
TEST_F(MemtideEndToEnd, TrayFigure_SettingOnShowsTheFigureInTheNotificationArea) {
  ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, kSettingsKey, "ShowFreeMemoryInTrayIcon", 1));
  Start();
  ASSERT_TRUE(WaitMonitorHidden());
  const RECT bar = TaskbarRect();
  const int iconSize = GetSystemMetrics(SM_CXSMICON);
  const POINT icon = TrayIconPoint();
  const RECT square{icon.x - bar.left - iconSize / 2, icon.y - bar.top - iconSize / 2,
                    icon.x - bar.left + iconSize / 2, icon.y - bar.top + iconSize / 2};
  auto cyan = [](std::uint32_t px) {
    return ((px >> 16) & 0xFF) < 0x60 && ((px >> 8) & 0xFF) > 0xC0 && (px & 0xFF) > 0xC0;
  };
  // The first tick draws it within a second or so.
  int count = 0;
  EXPECT_TRUE(WaitFor([&] {
    count = ScreenShot(bar).Count(square, cyan);
    return count > iconSize * iconSize / 3;
  }, 10000)) << "cyan pixels in the icon's square: " << count;
  if (count <= iconSize * iconSize / 3)
    ScreenShot(bar).SavePng(testsupport::ExeFolder() + "tray-figure-missing.png");
}

TEST_F(MemtideEndToEnd, SecondStartWithSwitchAsSecondArgument_NoRun) {
  Start();
  ASSERT_TRUE(NoRunWithin(2500));
  Program second;
  ASSERT_TRUE(second.Start(ProgramPath(), "x -autooptimize"));
  ASSERT_TRUE(second.WaitExit(kReactionMs).has_value());
  EXPECT_TRUE(NoRunWithin(4000));
}

TEST_F(MemtideEndToEnd, TwoStartsAtTheSameMoment_LeaveExactlyOne) {
  for (int round = 0; round < 3; ++round) {
    Program a, b;
    ASSERT_TRUE(a.Start(ProgramPath()));
    ASSERT_TRUE(b.Start(ProgramPath()));
    // The loser ends; the winner comes up with its windows and keeps running.
    ASSERT_TRUE(WaitFor([&] { return !a.Running() || !b.Running(); }, kReactionMs));
    Program& winner = a.Running() ? a : b;
    const DWORD pid = winner.Id();
    EXPECT_TRUE(WaitFor([&] {
      return (MainFormWindow(pid) && MonitorWindow(pid)) || !winner.Running();
    }, kReactionMs)) << "round " << round;
    EXPECT_EQ(CountProcesses("Memtide.exe"), 1) << "round " << round;
    EXPECT_NE(a.Running(), b.Running()) << "round " << round;
    a.Close();
    b.Close();
    ASSERT_TRUE(NoProgramRunning());
  }
}

TEST_F(MemtideEndToEnd, StartWithAutoOptimize_RunsAboutTwoSecondsAfterStart) {
  Program& p = Start("-AUTOOPTIMIZE");
  const DWORD watching = GetTickCount();
  RunSeen run = WatchForRun(kReactionMs);
  ASSERT_TRUE(run.Rose) << "rise seen: " << (run.Rise >> 20) << " MiB";
  // The two-second timer starts after the process does, so no run can come sooner
  // (less a clock tick); counted from the windows, later than about two seconds means the
  // check was not the one that ran it.
  const DWORD sinceStart = watching + run.RoseAfterMs - p.StartTick();
  EXPECT_GE(sinceStart, 1950u) << "the run came before the two-second check";
  EXPECT_LE(run.RoseAfterMs, 15000u);
  EXPECT_TRUE(run.FellBack);
}

TEST_F(MemtideEndToEnd, MouseOverTrayIcon_ShowsMonitorAboveTheIconFlushRight) {
  Start();
  ASSERT_TRUE(WaitMonitorHidden());
  HWND monitor = ShowMonitorFromTray();
  ASSERT_TRUE(monitor) << "the monitor window did not show";
  RECT r{};
  GetWindowRect(monitor, &r);
  const RECT bar = TaskbarRect();
  const int sw = GetSystemMetrics(SM_CXSCREEN);
  const int sh = GetSystemMetrics(SM_CYSCREEN);
  // Centred on the cursor would cross the right screen edge: it ends flush with it.
  EXPECT_EQ(r.right, sw);
  EXPECT_EQ(r.top, sh - kMonitorHeight - (bar.bottom - bar.top) - 2);
  // While the cursor rests on the icon the window stays.
  testsupport::PumpMessages(2500);
  EXPECT_TRUE(IsWindowVisible(monitor));
  Park();
  EXPECT_TRUE(WaitMonitorHidden());
}

TEST_F(MemtideEndToEnd, TrayMenu_ItemsInTheirOrder) {
  Program& p = Start();
  ASSERT_TRUE(WaitMonitorHidden());
  const DWORD pid = p.Id();

  // Sixth item: About, with the version and the language lines.
  ASSERT_TRUE(ChooseMenuItem(6));
  std::string text;
  HWND box = WaitMessageBox(text);
  ASSERT_TRUE(box) << "About box did not appear";
  EXPECT_EQ(text.rfind("Memtide 1.0.6.917\r\n\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("Language: English"), std::string::npos) << text;
  EXPECT_NE(text.find("Author: "), std::string::npos) << text;
  EXPECT_TRUE(GetWindow(box, GW_OWNER)) << "a box without owner would get a taskbar button";
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }, kReactionMs));

  // Fourth item: Options..., a window captioned "Options".
  ASSERT_TRUE(ChooseMenuItem(4));
  EXPECT_TRUE(WaitFor([&] {
    HWND options = FindTopWindow(pid, "", "Options");
    return options && IsWindowVisible(options);
  }, kReactionMs)) << "the options dialog did not open";
  if (HWND options = FindTopWindow(pid, "", "Options")) {
    const WindowInfo info = Describe(options);
    EXPECT_TRUE(info.Owner || (info.ExStyle & WS_EX_TOOLWINDOW))
        << "the dialog would get a taskbar button";
    EXPECT_FALSE(info.ExStyle & WS_EX_APPWINDOW);
  }
  if (HWND options = FindTopWindow(pid, "", "Options")) {
    PostMessageA(options, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(options); }, kReactionMs))
        << "the options dialog did not close";
  }

  // First item: Start Optimize.
  ASSERT_TRUE(ChooseMenuItem(1));
  RunSeen run = WatchForRun(kReactionMs);
  EXPECT_TRUE(run.Rose);

  // Seventh and last: Exit.
  ASSERT_TRUE(ChooseMenuItem(7));
  EXPECT_TRUE(p.WaitExit(kReactionMs).has_value()) << "Exit did not end the program";
}

TEST_F(MemtideEndToEnd, TrayMenu_HasSevenItemsAndThreeSeparators) {
  Start();
  ASSERT_TRUE(WaitMonitorHidden());
  HWND menu = OpenTrayMenu();
  ASSERT_TRUE(menu);
  RECT r{};
  GetWindowRect(menu, &r);
  // Every text row is taller than a separator row; ten rows of which three are thin.
  const int itemHeight = GetSystemMetrics(SM_CYMENU);
  EXPECT_GT(r.bottom - r.top, 7 * (itemHeight - 4));
  EXPECT_LT(r.bottom - r.top, 10 * itemHeight + 8);
  // Down eight times wraps from the seventh item back to the first (Start Optimize).
  for (int i = 0; i < 8; ++i) MenuKey(menu, VK_DOWN);
  MenuKey(menu, VK_RETURN);
  EXPECT_TRUE(WatchForRun(kReactionMs).Rose);
}

TEST_F(MemtideEndToEnd, TrayMenu_OpensAgainAfterItWasDismissed) {
  Start();
  ASSERT_TRUE(WaitMonitorHidden());
  for (int i = 0; i < 3; ++i) {
    HWND menu = OpenTrayMenu();
    ASSERT_TRUE(menu) << "opening " << i + 1;
    MenuKey(menu, VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); }, kReactionMs));
  }
}

TEST_F(MemtideEndToEnd, TrayIconDoubleClick_StartsOptimization) {
  Start();
  ASSERT_TRUE(WaitMonitorHidden());
  ASSERT_TRUE(NoRunWithin(2500));
  const POINT icon = TrayIconPoint();
  DoubleClick(icon.x, icon.y);
  RunSeen run = WatchForRun(kReactionMs);
  EXPECT_TRUE(run.Rose) << "rise seen: " << (run.Rise >> 20) << " MiB";
}

TEST_F(MemtideEndToEnd, HotKeyCtrlAltO_StartsOptimization) {
  Start();
  ASSERT_TRUE(NoRunWithin(2500));
  PressChord({VK_CONTROL, VK_MENU, 'O'});
  RunSeen run = WatchForRun(kReactionMs);
  EXPECT_TRUE(run.Rose) << "rise seen: " << (run.Rise >> 20) << " MiB";
  EXPECT_TRUE(run.FellBack);
}

TEST_F(MemtideEndToEnd, TrayMenu_StartOptimizeDisabledDuringRun) {
  Program& p = Start();
  ASSERT_TRUE(WaitMonitorHidden());
  ASSERT_TRUE(NoRunWithin(2500));

  // Idle: the first row's caption is drawn in the normal (dark) text colour.
  HWND menu = OpenTrayMenu();
  ASSERT_TRUE(menu);
  int drawnAfterMs = 0;
  const int idleDark = FirstMenuRowDark(menu, drawnAfterMs);
  MenuKey(menu, VK_ESCAPE);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); }, kReactionMs));
  ASSERT_GT(idleDark, 10) << "no caption seen in the idle menu (" << drawnAfterMs << " ms)";

  // During a run: the menu opens inside the run and shows the item greyed out.
  MemoryWatch watch(p.Handle());
  PressChord({VK_CONTROL, VK_MENU, 'O'});
  ASSERT_TRUE(WaitFor([&] {
    watch.Sample();
    return watch.Rise() >= kRunRise / 4;
  }, kReactionMs, 10)) << "no run started";
  menu = OpenTrayMenu();
  ASSERT_TRUE(menu) << "the menu did not open during the run";
  const int busyDark = FirstMenuRowDark(menu, drawnAfterMs);
  MenuKey(menu, VK_ESCAPE);
  EXPECT_LT(busyDark, idleDark / 3) << "Start Optimize is not greyed during the run ("
                                    << drawnAfterMs << " ms)";
  watch.Sample();
  EXPECT_TRUE(WaitFor([&] {
    watch.Sample();
    return watch.Current() < watch.Baseline() + kRunRise / 2;
  }, 60000)) << "the run did not end after the menu closed";
}

TEST_F(MemtideEndToEnd, Companion_RegisteredHelperStartedWithAndWithoutParameter) {
  const std::string helper = testsupport::ExeFolder() + "FakeCompanion.exe";
  const std::string record = helper + ".args.txt";
  ASSERT_TRUE(FileExists(helper));
  {
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kCompanionKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    const std::string value = " " + helper + " ";  // blanks around the path are dropped
    RegSetValueExA(key.get(), "programfile", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
  }
  Start();
  ASSERT_TRUE(WaitMonitorHidden());

  // The helper writes its record in one go and ends: the record is whole once it has ended.
  auto recorded = [&] {
    EXPECT_TRUE(WaitFor([&] {
      return FileExists(record) && CountProcesses("FakeCompanion.exe") == 0;
    }, kReactionMs)) << "companion not started, or still running";
    return ReadTextFile(record);
  };
  DeleteFileA(record.c_str());
  ASSERT_TRUE(ChooseMenuItem(2));  // Open Brisvane and AutoCleanup
  EXPECT_EQ(recorded(), "[-autocleanup]");

  DeleteFileA(record.c_str());
  ASSERT_TRUE(ChooseMenuItem(3));  // Open Brisvane
  EXPECT_EQ(recorded(), "[]");
  DeleteFileA(record.c_str());
}

TEST_F(MemtideEndToEnd, Companion_NotInstalledShowsTheMessage) {
  {
    // Registered with another value type counts as not installed.
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kCompanionKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    DWORD number = 7;
    RegSetValueExA(key.get(), "programfile", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof(number));
  }
  Start();
  ASSERT_TRUE(WaitMonitorHidden());
  ASSERT_TRUE(ChooseMenuItem(3));
  std::string text;
  HWND box = WaitMessageBox(text);
  ASSERT_TRUE(box) << "no message";
  EXPECT_EQ(text,
            "Brisvane is not installed on your computer, click \"OK\" to download Brisvane "
            "freeware now.");
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }, kReactionMs));
}

TEST_F(MemtideEndToEnd, Settings_RegistryModeStoresSixteenTypedValuesAtExit) {
  Program& p = Start();
  auto atStart = ReadValues(HKEY_CURRENT_USER, kSettingsKey);
  ASSERT_TRUE(atStart.count("programfile"));
  EXPECT_EQ(atStart["programfile"].Type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(lstrcmpiA(atStart["programfile"].Text().c_str(), ProgramPath().c_str()), 0)
      << atStart["programfile"].Text();
  ASSERT_TRUE(p.Close());

  auto values = ReadValues(HKEY_CURRENT_USER, kSettingsKey);
  for (const char* name : kSettingNames) {
    ASSERT_TRUE(values.count(name)) << name;
    const DWORD expected = std::string(name) == "Language" ? REG_SZ : REG_DWORD;
    EXPECT_EQ(values[name].Type, expected) << name;
  }
  EXPECT_EQ(values.size(), 17u);  // sixteen settings and programfile
  EXPECT_EQ(values["HotKey"].Dword(), 49231u);
  EXPECT_EQ(values["ShowMessageWhenOptimizing"].Dword(), 1u);
  EXPECT_EQ(values["CPUDataFromSystemPerform"].Dword(), 0u);
  EXPECT_EQ(values["CPUGridColor"].Dword(), 16757683u);
  EXPECT_EQ(values["Language"].Text(), "English");

  // programfile is written again at every start.
  {
    UniqueHKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_ALL_ACCESS, key.put()),
              ERROR_SUCCESS);
    RegDeleteValueA(key.get(), "programfile");
    DWORD hotKey = 0x4000 | 0x8000 | 'P';  // a stored setting survives the next run
    RegSetValueExA(key.get(), "HotKey", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&hotKey),
                   sizeof(hotKey));
  }
  Program& again = Start();
  EXPECT_TRUE(ReadValues(HKEY_CURRENT_USER, kSettingsKey).count("programfile"));
  ASSERT_TRUE(again.Close());
  EXPECT_EQ(ReadValues(HKEY_CURRENT_USER, kSettingsKey)["HotKey"].Dword(), 0xC050u);
}

TEST_F(MemtideEndToEnd, Settings_SessionEndSavesAndCloses) {
  Program& p = Start();
  HWND main = MainFormWindow(p.Id());
  ASSERT_TRUE(main);
  ASSERT_EQ(ReadValues(HKEY_CURRENT_USER, kSettingsKey).count("HotKey"), 0u);
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG,
                                  kReactionMs, &answer));
  EXPECT_EQ(answer, 1u);
  // Saved while the message was handled.
  auto values = ReadValues(HKEY_CURRENT_USER, kSettingsKey);
  EXPECT_EQ(values.size(), 17u);
  EXPECT_TRUE(p.WaitExit(kReactionMs).has_value()) << "the program did not close";
}

TEST_F(MemtideEndToEnd, Settings_PortableModeWritesIniBesideTheProgram) {
  testsupport::TempFolder folder;
  const std::string exe = folder.File("Memtide.exe");
  ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), exe.c_str(), FALSE));
  for (const char* asset : {"p1.png", "p2.png"}) {
    CopyFileA((testsupport::ExeFolder() + asset).c_str(), folder.File(asset).c_str(), FALSE);
  }
  folder.Write("PortableEdition.dat", "");
  Program& p = Start("", exe);

  // About box in portable mode.
  ASSERT_TRUE(WaitMonitorHidden());
  ASSERT_TRUE(ChooseMenuItem(6));
  std::string text;
  HWND box = WaitMessageBox(text);
  ASSERT_TRUE(box);
  EXPECT_EQ(text.rfind("Memtide 1.0.6.917 Portable\r\n\r\n", 0), 0u) << text;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }, kReactionMs));
  ASSERT_TRUE(p.Close());

  const std::string ini = folder.File("Memtide.ini");
  ASSERT_TRUE(FileExists(ini));
  char buf[64] = {};
  for (const char* name : kSettingNames) {
    EXPECT_GT(GetPrivateProfileStringA("Options", name, "", buf, sizeof(buf), ini.c_str()), 0u)
        << name;
  }
  GetPrivateProfileStringA("Options", "HotKey", "", buf, sizeof(buf), ini.c_str());
  EXPECT_STREQ(buf, "49231");
  GetPrivateProfileStringA("Options", "Language", "", buf, sizeof(buf), ini.c_str());
  EXPECT_STREQ(buf, "English");
  // The registry holds only the program path, written in portable mode too.
  auto values = ReadValues(HKEY_CURRENT_USER, kSettingsKey);
  EXPECT_EQ(values.size(), 1u);
  ASSERT_TRUE(values.count("programfile"));
  EXPECT_EQ(lstrcmpiA(values["programfile"].Text().c_str(), exe.c_str()), 0);
}

TEST_F(MemtideEndToEnd, Optimization_MemoryRisesAndFallsAndTheResultIsShown) {
  Start();
  ASSERT_TRUE(WaitMonitorHidden());
  // Show the monitor from the tray, then rest the cursor on it so it stays. A notice of the
  // cursor over the icon still queued then places the window around the cursor's new
  // position (the placement follows the cursor when a notice is handled): the cursor stays
  // on the window, whose place is read afresh for every picture.
  HWND monitor = ShowMonitorFromTray();
  ASSERT_TRUE(monitor) << "the monitor window did not show";
  RECT r{};
  GetWindowRect(monitor, &r);
  MoveMouse(r.left + 40, r.top + 100);
  testsupport::PumpMessages(1500);
  ASSERT_TRUE(IsWindowVisible(monitor)) << "the window hid while the cursor rested on it";
  GetWindowRect(monitor, &r);
  // The result sits in the title strip, right of the title, in frame blue.
  const RECT resultArea{101, 3, 229, 18};
  auto frameBlue = [](std::uint32_t px) {
    const int red = (px >> 16) & 0xFF, green = (px >> 8) & 0xFF, blue = px & 0xFF;
    return blue > 150 && red < 140 && blue - red > 60 && blue - green > 30;
  };
  const int before = ScreenShot(r).Count(resultArea, frameBlue);

  PressChord({VK_CONTROL, VK_MENU, 'O'});
  RunSeen run = WatchForRun(kReactionMs);
  ASSERT_TRUE(run.Rose) << "rise seen: " << (run.Rise >> 20) << " MiB";
  EXPECT_TRUE(run.FellBack);
  // The result is drawn once the run has handed back its memory and ended.
  int after = 0;
  auto shot = std::make_unique<ScreenShot>(r);
  WaitFor([&] {
    GetWindowRect(monitor, &r);
    shot = std::make_unique<ScreenShot>(r);
    after = shot->Count(resultArea, frameBlue);
    return after > before + 20;
  }, kReactionMs);
  ASSERT_TRUE(IsWindowVisible(monitor)) << "the window hid while the cursor rested on it";
  EXPECT_GT(after, before + 20) << "no result text in the title strip; see monitor-after-run.png";
  shot->SavePng(testsupport::ExeFolder() + "monitor-after-run.png");

  // The desktop with the monitor after the run and the open tray menu, for the docs.
  if (HWND menu = OpenTrayMenu()) {
    int drawnAfterMs = 0;
    FirstMenuRowDark(menu, drawnAfterMs);
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    ScreenShot(screen).SavePng(testsupport::ExeFolder() + "desktop.png");
    MenuKey(menu, VK_ESCAPE);
  }
}

namespace {

// Libraries planted beside a copy of the program under the names of the libraries it uses
// that are not KnownDLLs: Windows would look for those in the program's folder first. Wine,
// told to prefer native copies (WINEDLLOVERRIDES "n,b"), does the same. Left out, because
// Wine differs from Windows there and such a name says nothing about the program:
// - the KnownDLLs the executable imports (kernel32, user32, gdi32, advapi32, shell32,
//   msvcrt): Wine has no KnownDLLs and takes a planted one, where Windows never does;
// - shcore, which the program loads for per-monitor DPI: Wine's shell32, imported before
//   any of the program's code runs, forwards to it (Windows 8 and later take their
//   KnownDLL, Windows 7 has none);
// - windowscodecs and propsys: Wine's own gdiplus delay-loads them, and Wine 8 resolves a
//   delay-loaded import (LdrResolveDelayLoadedAPI) with the search path the process started
//   with, ignoring SetDefaultDllDirectories (seen with WINEDEBUG=+module: "looking for
//   windowscodecs.dll in (null)", then the program's folder). Windows applies the process's
//   default directories, and the flags gdiplus.dll was loaded with, to delay loads too.
const char* const kPlantedLibraries[] = {
    // Named by the program.
    "pdh", "version", "crypt32", "gdiplus", "comctl32", "comdlg32",
    // Loaded on its behalf by the system's libraries (themes, drawing, the shell, the
    // common dialogs).
    "uxtheme", "dwmapi", "oleacc", "msimg32", "winmm", "wtsapi32", "userenv", "cryptbase",
    "secur32", "apphelp", "ntmarta", "profapi", "wintrust", "dbghelp", "bcrypt",
    "compstui", "winspool.drv"};

std::string FileName(const std::string& library) {
  return library.find('.') == std::string::npos ? library + ".dll" : library;
}

BOOL CALLBACK FindThreeDotButton(HWND child, LPARAM found) {
  char caption[8] = {};
  GetWindowTextA(child, caption, sizeof(caption));
  if (lstrcmpA(caption, "...") != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

}  // namespace

TEST_F(MemtideEndToEnd, PlantedLibraries_BesideThePortableCopy_AreNeverLoaded) {
  testsupport::TempFolder folder;
  const std::string exe = folder.File("Memtide.exe");
  ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), exe.c_str(), FALSE));
  for (const char* asset : {"p1.png", "p2.png", "English.lng"}) {
    CopyFileA((testsupport::ExeFolder() + asset).c_str(), folder.File(asset).c_str(), FALSE);
  }
  std::string overrides;
  for (const char* name : kPlantedLibraries) {
    ASSERT_TRUE(CopyFileA((testsupport::ExeFolder() + "PlantedLibrary.dll").c_str(),
                          folder.File(FileName(name)).c_str(), FALSE));
    if (!overrides.empty()) overrides += ',';
    overrides += name;
  }
  char inherited[1024] = {};
  const DWORD had = GetEnvironmentVariableA("WINEDLLOVERRIDES", inherited, sizeof(inherited));
  std::string all = overrides + "=n,b";
  if (had) {
    all += ';';
    all += inherited;
  }
  SetEnvironmentVariableA("WINEDLLOVERRIDES", all.c_str());
  struct Restore {
    bool Had;
    const char* Value;
    ~Restore() { SetEnvironmentVariableA("WINEDLLOVERRIDES", Had ? Value : nullptr); }
  } restore{had > 0, inherited};
  {
    // The companion launch too.
    const std::string helper = testsupport::ExeFolder() + "FakeCompanion.exe";
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kCompanionKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key.get(), "programfile", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(helper.c_str()),
                   static_cast<DWORD>(helper.size() + 1));
  }

  const auto loaded = [&folder] {
    std::string names;
    for (const char* name : kPlantedLibraries) {
      if (!FileExists(folder.File(FileName(name) + ".loaded"))) continue;
      names += ' ';
      names += FileName(name);
    }
    return names;
  };
  Program& p = Start("", exe);
  ASSERT_TRUE(p.Running()) << "the program did not start beside the planted libraries; loaded:"
                           << loaded();
  const DWORD pid = p.Id();
  ASSERT_TRUE(WaitMonitorHidden());

  // About box.
  ASSERT_TRUE(ChooseMenuItem(6));
  std::string text;
  HWND box = WaitMessageBox(text);
  ASSERT_TRUE(box) << "About box did not appear";
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }, 3000));

  // Options dialog (tab and hot-key controls), and its file dialog of the language button.
  ASSERT_TRUE(ChooseMenuItem(4));
  HWND options = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    options = FindTopWindow(pid, "", "Options");
    return options && IsWindowVisible(options);
  }, 5000)) << "the options dialog did not open";
  HWND add = nullptr;
  EXPECT_TRUE(WaitFor([&] {
    EnumChildWindows(options, FindThreeDotButton, reinterpret_cast<LPARAM>(&add));
    return add != nullptr;
  }, 5000));
  ASSERT_TRUE(add) << "no language button";
  PostMessageA(add, BM_CLICK, 0, 0);
  HWND fileDialog = nullptr;
  EXPECT_TRUE(WaitFor([&] {
    for (const auto& w : TopWindows(pid)) {
      if (w.Class == "#32770" && w.Visible && w.Wnd != options) fileDialog = w.Wnd;
    }
    return fileDialog != nullptr;
  }, 10000)) << "the file dialog did not open";
  if (fileDialog) {
    PostMessageA(fileDialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(fileDialog); }, 5000));
  }
  PostMessageA(options, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(options); }, 5000));

  // The companion launch.
  const std::string record = testsupport::ExeFolder() + "FakeCompanion.exe.args.txt";
  DeleteFileA(record.c_str());
  ASSERT_TRUE(ChooseMenuItem(3));
  EXPECT_TRUE(WaitFor([&] { return FileExists(record); }, 10000)) << "companion not started";
  // Gone before the tray menu is opened again: while it ends, the keys sent to the menu
  // may reach it instead.
  EXPECT_TRUE(WaitFor([] { return CountProcesses("FakeCompanion.exe") == 0; }, 10000));
  DeleteFileA(record.c_str());

  // An optimization.
  ASSERT_TRUE(ChooseMenuItem(1));
  EXPECT_TRUE(WatchForRun(10000).Rose) << "no optimization ran";

  ASSERT_TRUE(ChooseMenuItem(7));
  const auto code = p.WaitExit(10000);
  ASSERT_TRUE(code.has_value()) << "Exit did not end the program";
  EXPECT_EQ(*code, 0u);

  EXPECT_EQ(loaded(), "") << "loaded from the program's folder";
}
