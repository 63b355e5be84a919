// The desktop's shell (Explorer) ends and starts again while Memtide.exe runs: the new
// taskbar announces itself with "TaskbarCreated" and the program's tray icon must come back.
// The program sets no tooltip text on its icon (its hint is empty), so the tooltip that
// comes back is the empty one; the icon itself is checked through the shell and on screen.
// Under Wine the shell cannot be restarted (see the first test); there the second test
// plays the new shell.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "util/ScopedHandles.h"

namespace {

constexpr UINT kTrayIconId = 1;
// How long the tests wait for the program or the shell to react: generous, as a loaded
// machine takes seconds where an idle one takes milliseconds. A wait ends when its state
// holds.
constexpr DWORD kReactionMs = 30000;

struct Found {
  DWORD Pid;
  std::vector<HWND> Windows;
};

BOOL CALLBACK CollectMessageWindows(HWND wnd, LPARAM param) {
  auto* found = reinterpret_cast<Found*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  char cls[64] = {};
  GetClassNameA(wnd, cls, sizeof cls);
  if (pid == found->Pid && std::string(cls) == "MemtideMessageWindow")
    found->Windows.push_back(wnd);
  return TRUE;
}

// The program's message window the shell knows its icon by, or null. A modification that
// changes nothing succeeds only for an icon the shell knows.
HWND TrayIconWindow(DWORD pid) {
  Found found{pid, {}};
  EnumWindows(&CollectMessageWindows, reinterpret_cast<LPARAM>(&found));
  for (HWND wnd : found.Windows) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = wnd;
    data.uID = kTrayIconId;
    if (Shell_NotifyIconA(NIM_MODIFY, &data)) return wnd;
  }
  return nullptr;
}

bool TrayIconKnown(DWORD pid) { return TrayIconWindow(pid) != nullptr; }

int CountProcesses(const char* exeName) {
  UniqueFileHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return -1;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int n = 0;
  for (BOOL ok = Process32First(snap.get(), &entry); ok; ok = Process32Next(snap.get(), &entry))
    if (lstrcmpiA(entry.szExeFile, exeName) == 0) ++n;
  return n;
}

UniqueHandle StartProcess(const std::string& exe, const std::string& args, DWORD* pid) {
  std::string cmd = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
  std::vector<char> buf(cmd.begin(), cmd.end());
  buf.push_back('\0');
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(exe.c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return UniqueHandle();
  }
  UniqueHandle thread(pi.hThread);
  if (pid) *pid = pi.dwProcessId;
  return UniqueHandle(pi.hProcess);
}

HWND Taskbar() {
  HWND bar = FindWindowA("Shell_TrayWnd", nullptr);
  RECT r{};
  if (!bar || !GetWindowRect(bar, &r) || r.right - r.left <= 0) return nullptr;
  return bar;
}

// Pixels of the right-most notification-area square that pass `test` (given the pixel and
// the bar's background, the colour of its middle).
template <class Test>
int CountIconPixels(Test test) {
  HWND bar = Taskbar();
  if (!bar) return 0;
  RECT r{};
  GetWindowRect(bar, &r);
  const int size = GetSystemMetrics(SM_CXSMICON);
  const int cx = r.right - (size + 4) / 2, cy = (r.top + r.bottom) / 2;
  ScopedGetDC screen(nullptr);
  const COLORREF background = GetPixel(screen.get(), (r.left + r.right) / 2, cy);
  int n = 0;
  for (int y = cy - size / 2; y < cy + size / 2; ++y)
    for (int x = cx - size / 2; x < cx + size / 2; ++x)
      if (test(GetPixel(screen.get(), x, y), background)) ++n;
  return n;
}

// Pixels that differ from the bar's background: an icon is drawn.
int IconPixels() {
  return CountIconPixels([](COLORREF px, COLORREF background) { return px != background; });
}

// Pixels in the free-memory figure's background, the memory chart's cyan by default.
int FigurePixels() {
  return CountIconPixels([](COLORREF px, COLORREF) {
    return GetRValue(px) < 0x60 && GetGValue(px) > 0xC0 && GetBValue(px) > 0xC0;
  });
}

// The figure setting in the user's settings key for one test, removed again after it.
class FigureSettingOn {
 public:
  FigureSettingOn() {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        key_.put(), nullptr) != ERROR_SUCCESS) {
      key_.release();
      return;
    }
    const DWORD on = 1;
    RegSetValueExA(key_.get(), kName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);
  }
  ~FigureSettingOn() {
    if (key_) RegDeleteValueA(key_.get(), kName);
  }
  bool Ready() const { return static_cast<bool>(key_); }

 private:
  static constexpr const char* kSettingsKey = "Software\\Quorix\\Memtide";
  static constexpr const char* kName = "ShowFreeMemoryInTrayIcon";
  UniqueHKey key_;
};

struct MainFormQuery {
  DWORD Pid;
  HWND Wnd;
};

BOOL CALLBACK MatchMainForm(HWND wnd, LPARAM param) {
  auto* q = reinterpret_cast<MainFormQuery*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  WCHAR title[64] = {};
  InternalGetWindowText(wnd, title, 64);
  if (pid == q->Pid && std::wstring(title) == L"FrmMemtideMain") q->Wnd = wnd;
  return TRUE;
}

class ExplorerRestart : public ::testing::Test {
 protected:
  void TearDown() override {
    if (memtide_ && WaitForSingleObject(memtide_.get(), 0) == WAIT_TIMEOUT) {
      if (HWND main = FindMainForm()) PostMessageA(main, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(memtide_.get(), kReactionMs) != WAIT_OBJECT_0)
        TerminateProcess(memtide_.get(), 1);
      WaitForSingleObject(memtide_.get(), 5000);
    }
    // Whatever happened, the other tests of this program get a desktop shell back.
    if (!Taskbar()) StartShell();
  }

  HWND FindMainForm() const {
    MainFormQuery q{pid_, nullptr};
    EnumWindows(&MatchMainForm, reinterpret_cast<LPARAM>(&q));
    return q.Wnd;
  }

  // Skips when there is nothing to test on; true once the program's icon is known.
  bool StartMemtide() {
    if (!testsupport::PumpUntil([] { return Taskbar() != nullptr; }, kReactionMs)) {
      ADD_FAILURE() << "no taskbar: the Wine prefix has no shared virtual desktop";
      return false;
    }
    const std::string exe = testsupport::ExeFolder() + "Memtide.exe";
    if (GetFileAttributesA(exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
      ADD_FAILURE() << "Memtide.exe is not built beside the tests";
      return false;
    }
    if (!testsupport::PumpUntil([] { return CountProcesses("Memtide.exe") == 0; }, kReactionMs)) {
      ADD_FAILURE() << "another Memtide is still running";
      return false;
    }
    memtide_ = StartProcess(exe, "", &pid_);
    if (!memtide_) return false;
    const bool known =
        testsupport::PumpUntil([this] { return TrayIconKnown(pid_); }, kReactionMs);
    if (!known) ADD_FAILURE() << "the tray icon never appeared";
    return known;
  }

  void ExpectIconBack() {
    EXPECT_TRUE(testsupport::PumpUntil([this] { return TrayIconKnown(pid_); }, kReactionMs))
        << "the tray icon did not come back after \"TaskbarCreated\"";
    const int iconSize = GetSystemMetrics(SM_CXSMICON);
    EXPECT_TRUE(
        testsupport::PumpUntil([&] { return IconPixels() > iconSize * iconSize / 4; },
                               kReactionMs))
        << "the icon is not drawn in the notification area";
    EXPECT_EQ(WaitForSingleObject(memtide_.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the program ended";
  }

  // What a new shell knows of the old icons: nothing. The icon is removed from outside.
  bool ForgetTheIcon() const {
    HWND iconWindow = TrayIconWindow(pid_);
    if (!iconWindow) return false;
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = iconWindow;
    data.uID = kTrayIconId;
    return Shell_NotifyIconA(NIM_DELETE, &data) != FALSE;
  }

  // "TaskbarCreated" to every top-level window, as a new shell broadcasts it.
  static void AnnounceANewTaskbar() {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0,
                        SMTO_ABORTIFHUNG, 5000, &ignored);
  }

  static bool StartShell() {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    DWORD pid = 0;
    // "/desktop" alone opens the desktop this process is on, with the size the prefix sets.
    UniqueHandle shell = StartProcess(std::string(system) + "\\explorer.exe", "/desktop", &pid);
    return shell && testsupport::PumpUntil([] { return Taskbar() != nullptr; }, kReactionMs);
  }

  UniqueHandle memtide_;
  DWORD pid_ = 0;
};

}  // namespace

TEST_F(ExplorerRestart, ShellEndsAndStartsAgain_TrayIconComesBack) {
  if (testsupport::RunningUnderWine()) {
    // Wine 8 cannot give a desktop a new shell while programs stay on it:
    // - wineserver keeps the desktop window when its owner (explorer.exe) dies
    //   (destroy_thread_windows detaches it), with its "__wine_x11_whole_window" property
    //   naming the X window that died with the old explorer's X connection;
    // - a new "explorer.exe /desktop" (or "/desktop=Default,1024x768") takes that dead X
    //   window as its root, its first XCreateWindow fails with BadWindow and Xlib ends the
    //   process; with the property removed it loads winex11.drv and exits anyway, as the
    //   desktop window it would create already exists: no Shell_TrayWnd comes back;
    // - every process left on the desktop keeps the dead X window as its root: the program
    //   ended with BadWindow on its next X_CreateWindow, and so would this test program;
    // - Wine's explorer never broadcasts "TaskbarCreated" either;
    // - without a virtual desktop a new explorer.exe does start, with a new desktop window
    //   and a new Shell_TrayWnd, but every process that outlived the old shell keeps the
    //   old desktop window: its FindWindow, and so its Shell_NotifyIcon, never sees the
    //   new notification area.
    // The next test covers what the program itself does when a new shell announces itself.
    GTEST_SKIP() << "Wine 8 cannot restart the shell of a desktop that still has programs: "
                    "the new explorer.exe finds the old desktop window and its dead X window "
                    "(X BadWindow, or exits without a taskbar); see ShellForgetsTheIcon...";
  }
  ASSERT_TRUE(StartMemtide());

  // End the shell: the process that owns the taskbar.
  DWORD shellPid = 0;
  GetWindowThreadProcessId(Taskbar(), &shellPid);
  ASSERT_NE(shellPid, 0u);
  {
    UniqueHandle shell(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, shellPid));
    ASSERT_TRUE(shell) << "cannot open the shell process " << shellPid;
    ASSERT_TRUE(TerminateProcess(shell.get(), 1));
    ASSERT_EQ(WaitForSingleObject(shell.get(), kReactionMs), WAIT_OBJECT_0);
  }
  if (!testsupport::PumpUntil([] { return Taskbar() == nullptr; }, 5000))
    GTEST_SKIP() << "the shell came back by itself at once; nothing is left to observe";
  EXPECT_FALSE(TrayIconKnown(pid_)) << "with no shell no icon can be known";
  ASSERT_EQ(WaitForSingleObject(memtide_.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the program ended with the shell";

  ASSERT_TRUE(StartShell()) << "the desktop shell did not start again";
  ExpectIconBack();
}

// What a new shell does to a running program: it knows none of the old icons and
// broadcasts "TaskbarCreated". Here the icon is removed from outside and the message sent
// to every top-level window, as the shell does.
TEST_F(ExplorerRestart, ShellForgetsTheIconAndAnnouncesANewTaskbar_TrayIconComesBack) {
  ASSERT_TRUE(StartMemtide());
  ASSERT_TRUE(ForgetTheIcon());
  ASSERT_FALSE(TrayIconKnown(pid_));
  AnnounceANewTaskbar();
  ExpectIconBack();
}

// The same with the free-memory figure on: the figure comes back, not the program icon.
TEST_F(ExplorerRestart, ShellAnnouncesANewTaskbarWithTheFigureOn_TheFigureComesBack) {
  FigureSettingOn figure;
  ASSERT_TRUE(figure.Ready());
  ASSERT_TRUE(StartMemtide());
  const int iconSize = GetSystemMetrics(SM_CXSMICON);
  ASSERT_TRUE(
      testsupport::PumpUntil([&] { return FigurePixels() > iconSize * iconSize / 3; }, 10000))
      << "the figure was never shown";
  ASSERT_TRUE(ForgetTheIcon());
  ASSERT_TRUE(testsupport::PumpUntil([&] { return FigurePixels() == 0; }, 5000))
      << "the figure stayed on screen without an icon";
  AnnounceANewTaskbar();
  ExpectIconBack();
  // Back at once with the figure: its number does not have to change first.
  EXPECT_GT(FigurePixels(), iconSize * iconSize / 3) << "the program icon came back instead";
}
