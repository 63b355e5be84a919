// The tray controller inside the test process: its components, start-up, language,
// messages, balloons, About box and session end. The shell call of the tray icon and the
// message box are replaced so nothing waits for a user.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ProgramDriver.h"
#include "app/FormLinks.h"
#include "app/MemtideMainFrm.h"
#include "app/OptimizeOnce.h"
#include "controls/DockLabel.h"
#include "monitor/MemtideFrm.h"
#include "monitor/MemtideMessages.h"
#include "monitor/MonitorParts.h"
#include "monitor/MonitorRules.h"
#include "settings/MultiLanguage.h"
#include "settings/OptionsFrm.h"
#include "settings/OptionsUnit.h"
#include "shell/GlobalHotKeys.h"
#include "shell/TrayIcon.h"
#include "support/IconPixels.h"
#include "support/TestSupport.h"
#include "ui/Actions.h"
#include "ui/Application.h"
#include "ui/Menus.h"
#include "ui/Timer.h"
#include "util/QvBaseUnit.h"

namespace {

constexpr char kSettingsKey[] = "Software\\Quorix\\Memtide";

// A monitor window among the application's forms, whoever made it.
TFrmMemtide* MonitorOf(const TApplication& App) {
  for (int i = 0; i < App.ComponentCount(); ++i)
    if (auto* monitor = dynamic_cast<TFrmMemtide*>(App.Components(i))) return monitor;
  return nullptr;
}

struct ShellCall {
  DWORD Message;
  NOTIFYICONDATAA Data;
};

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_ = std::make_unique<e2e::RegistryKeyGuard>(HKEY_CURRENT_USER, kSettingsKey);
    settings_->Clear();
    SetMessageBoxFunction([this](HWND, const std::string& text, const std::string& caption,
                                 UINT flags) {
      boxes_.push_back({text, caption, flags});
      return IDOK;
    });
  }

  void TearDown() override {
    // The main form frees the monitor window and the dialog it made; each test starts afresh.
    main_.reset();
    SetMessageBoxFunction(nullptr);
    settings_.reset();
  }

  TFrmMemtideMain& Create() {
    main_ = std::make_unique<TFrmMemtideMain>(Application());
    main_->cti->SetShellNotify([this](DWORD message, NOTIFYICONDATAA* data) {
      shell_.push_back({message, *data});
      return TRUE;
    });
    return *main_;
  }

  std::vector<ShellCall> Balloons() const {
    std::vector<ShellCall> out;
    for (const auto& c : shell_) {
      if (c.Message == NIM_MODIFY && (c.Data.uFlags & NIF_INFO) && c.Data.szInfo[0] != '\0') {
        out.push_back(c);
      }
    }
    return out;
  }

  struct Box {
    std::string Text, Caption;
    UINT Flags;
  };
  std::unique_ptr<e2e::RegistryKeyGuard> settings_;
  std::unique_ptr<TFrmMemtideMain> main_;
  std::vector<ShellCall> shell_;
  std::vector<Box> boxes_;
};

}  // namespace

TEST_F(MainFormTest, MenuItemsInOrderWithBoldDefaultAndBoundActions) {
  TFrmMemtideMain& m = Create();
  TMenuItem* root = m.PopupMenu1->Items();
  const std::vector<std::string> expected = {
      "Start Optimize", "-", "Open Brisvane and AutoCleanup", "Open Brisvane", "-",
      "Options...", "-", "Check for updates", "About...", "Exit"};
  ASSERT_EQ(root->Count(), static_cast<int>(expected.size()));
  for (int i = 0; i < root->Count(); ++i) EXPECT_EQ(root->Items(i)->Caption(), expected[i]) << i;
  EXPECT_TRUE(root->Items(0)->Default());
  for (int i = 1; i < root->Count(); ++i) EXPECT_FALSE(root->Items(i)->Default()) << i;
  EXPECT_EQ(root->Items(0)->Action(), m.ActOptimize);
  EXPECT_EQ(root->Items(2)->Action(), m.ActRunBrisvane1);
  EXPECT_EQ(root->Items(3)->Action(), m.ActRunBrisvane2);
  EXPECT_EQ(root->Items(5)->Action(), m.ActOptions);
  EXPECT_EQ(root->Items(7)->Action(), m.ActCheckUpdate);
  EXPECT_EQ(root->Items(8)->Action(), m.ActAbout);
  EXPECT_EQ(root->Items(9)->Action(), m.ActExit);
  EXPECT_EQ(m.cti->PopupMenu(), m.PopupMenu1);
  EXPECT_EQ(m.ActionList1->ActionCount(), 7);
}

TEST_F(MainFormTest, StartUpCreatesHiddenFormMonitorHotKeyAndOneShotTimer) {
  TFrmMemtideMain& m = Create();
  const HWND mainWindow = m.Handle();
  EXPECT_EQ(InstanceMainWindow(*Application())(), mainWindow);
  EXPECT_EQ(m.Width(), 0);
  EXPECT_EQ(m.Height(), 0);
  ASSERT_TRUE(m.Options());
  ASSERT_TRUE(m.Language());
  ASSERT_TRUE(m.Monitor());
  EXPECT_EQ(m.Monitor()->Tag(), 1) << "placed beside the taskbar and shown once";
  ASSERT_EQ(m.HKM->HotKeys().size(), 1u);
  EXPECT_EQ(m.HKM->HotKeys()[0].HotKey, 49231u);
  EXPECT_TRUE(m.Timer1->Enabled());
  EXPECT_EQ(m.Timer1->Interval(), 2000u);
  m.Timer1->Timer();
  EXPECT_FALSE(m.Timer1->Enabled()) << "the start-up check runs once";
  // The program path is recorded at every start.
  EXPECT_TRUE(e2e::ReadValues(HKEY_CURRENT_USER, kSettingsKey).count("programfile"));
}

TEST_F(MainFormTest, RegisterOptimizeHotKeyReplacesThePreviousOne) {
  TFrmMemtideMain& m = Create();
  EXPECT_TRUE(m.RegisterOptimizeHotKey(0x4000 | 0x8000 | 'K'));
  ASSERT_EQ(m.HKM->HotKeys().size(), 1u);
  EXPECT_EQ(m.HKM->HotKeys()[0].HotKey, static_cast<std::uint32_t>(0x4000 | 0x8000 | 'K'));
  EXPECT_TRUE(m.RegisterOptimizeHotKey(0x4000 | 0x8000 | 'K'));  // the same again: kept
  ASSERT_EQ(m.HKM->HotKeys().size(), 1u);
}

namespace {
void WriteHotKeySetting(DWORD value) {
  UniqueHKey key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key.get(), "HotKey", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                 sizeof value);
}
}  // namespace

// A combination without Ctrl, Alt or Win would take a plain key from every other program.
TEST_F(MainFormTest, HotKeyWithoutCtrlAltOrWinIsNotRegistered) {
  WriteHotKeySetting('O');
  TFrmMemtideMain& m = Create();
  EXPECT_TRUE(m.HKM->HotKeys().empty());
  EXPECT_EQ(m.Options()->HotKey, 'O');  // kept, for the options dialog to show
  m.RegisterOptimizeHotKey(49231);
  m.RegisterOptimizeHotKey(0x2000 | VK_SPACE);  // Shift+Space
  EXPECT_TRUE(m.HKM->HotKeys().empty());
}

// Bits outside the key and the four modifiers take no part: the value registered, listed
// and compared is the same masked one, so the hot key fires.
TEST_F(MainFormTest, StoredHotKeyWithStrayBitsRegistersAndFiresAsItsCombination) {
  WriteHotKeySetting(0xC04F | 0x0100 | 0x100000);  // Ctrl+Alt+O with bits 8 and 20
  TFrmMemtideMain& m = Create();
  ASSERT_EQ(m.HKM->HotKeys().size(), 1u);
  EXPECT_EQ(m.HKM->HotKeys()[0].HotKey, 0xC04Fu);
  SendMessageA(m.HKM->Handle(), WM_HOTKEY, m.HKM->HotKeys()[0].Id,
               MAKELPARAM(MOD_CONTROL | MOD_ALT, 'O'));
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, m.Monitor()->Handle(), WM_STARTOPTIMIZE, WM_STARTOPTIMIZE,
                           PM_REMOVE));

  WriteHotKeySetting(12345);  // Shift+9 with bit 12: no Ctrl, Alt or Win at all
  m.Options()->LoadSettings();
  m.RegisterOptimizeHotKey(static_cast<std::uint32_t>(m.Options()->HotKey));
  EXPECT_TRUE(m.HKM->HotKeys().empty());
}

// Windows refuses a combination that another window holds; the previous hot key must not
// be lost on the way.
TEST_F(MainFormTest, HotKeyHeldElsewhereKeepsThePreviousOneRegistered) {
  TFrmMemtideMain& m = Create();
  HWND other = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(RegisterHotKey(other, 1, MOD_CONTROL | MOD_ALT, VK_F11));
  EXPECT_FALSE(m.RegisterOptimizeHotKey(0x4000 | 0x8000 | VK_F11));
  ASSERT_EQ(m.HKM->HotKeys().size(), 1u);
  EXPECT_EQ(m.HKM->HotKeys()[0].HotKey, 49231u);
  // Still registered: a second registration of Ctrl+Alt+O is refused.
  EXPECT_FALSE(RegisterHotKey(other, 2, MOD_CONTROL | MOD_ALT, 'O'));
  UnregisterHotKey(other, 1);
  DestroyWindow(other);
}

TEST_F(MainFormTest, ApplyLanguageTakesActionCaptionsAnEmptyValueWins) {
  TFrmMemtideMain& m = Create();
  testsupport::TempFolder folder;
  folder.Write("Test.lng", "[Language]\r\nActExit=\r\nActAbout=Info...\r\n");
  TMultiLanguage language;
  language.LoadFromFile(folder.File("Test.lng"));
  m.ApplyLanguage(&language);
  EXPECT_EQ(m.ActExit->Caption(), "");
  EXPECT_EQ(m.ActAbout->Caption(), "Info...");
  EXPECT_EQ(m.ActOptimize->Caption(), "Start Optimize");
  EXPECT_EQ(m.PopupMenu1->Items()->Items(8)->Caption(), "Info...");
  m.ApplyLanguage(nullptr);  // nothing happens
  EXPECT_EQ(m.ActAbout->Caption(), "Info...");
}

TEST_F(MainFormTest, GetTaskbarEdgeAnswersAnEdgeAndThickness) {
  TFrmMemtideMain& m = Create();
  int thickness = -1;
  const int edge = m.GetTaskbarEdge(thickness);
  EXPECT_GE(edge, tbBottom);
  EXPECT_LE(edge, tbRight);
  RECT bar{};
  if (HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr)) GetWindowRect(taskbar, &bar);
  if (bar.bottom == GetSystemMetrics(SM_CYSCREEN) && bar.left == 0 &&
      bar.right == GetSystemMetrics(SM_CXSCREEN) && bar.top > 0) {
    EXPECT_EQ(edge, tbBottom);
    EXPECT_EQ(thickness, bar.bottom - bar.top);
  }
}

TEST_F(MainFormTest, MouseOverTrayPlacesAndShowsMonitorWithHotSquare) {
  TFrmMemtideMain& m = Create();
  TFrmMemtide& monitor = *m.Monitor();
  monitor.HideMonitor();
  int thickness = 0;
  const int edge = m.GetTaskbarEdge(thickness);
  if (edge != tbBottom) GTEST_SKIP() << "placement checked for a bottom taskbar";
  const int sw = GetSystemMetrics(SM_CXSCREEN);
  const int sh = GetSystemMetrics(SM_CYSCREEN);
  m.ctiMouseMove(m.cti, 0, 300, sh - 5);
  EXPECT_EQ(monitor.Left(), 300 - monitor.Width() / 2);
  EXPECT_EQ(monitor.Top(), sh - monitor.Height() - thickness - 2);
  EXPECT_EQ(monitor.Tag(), 1);
  const RECT hot = monitor.TrayHotRect();
  EXPECT_EQ(hot.left, 292);
  EXPECT_EQ(hot.bottom, sh + 3);
  monitor.HideMonitor();
  m.ctiMouseMove(m.cti, 0, sw - 3, sh - 5);
  EXPECT_EQ(monitor.Left() + monitor.Width(), sw);
}

TEST_F(MainFormTest, BalloonsOnlyWhileMonitorHiddenAndSettingOn) {
  TFrmMemtideMain& m = Create();
  TFrmMemtide& monitor = *m.Monitor();
  HWND wnd = m.Handle();
  // Monitor shown (start-up placed it): no balloon.
  ASSERT_EQ(monitor.Tag(), 1);
  SendMessageA(wnd, WM_OPTIMIZING, 0, 0);
  SendMessageA(wnd, WM_OPTIMIZED, 0, 0);
  EXPECT_TRUE(Balloons().empty());

  monitor.HideMonitor();
  shell_.clear();
  SendMessageA(wnd, WM_OPTIMIZING, 0, 0);
  auto balloons = Balloons();
  ASSERT_EQ(balloons.size(), 1u);
  EXPECT_STREQ(balloons[0].Data.szInfo, "Optimizing...");
  EXPECT_STREQ(balloons[0].Data.szInfoTitle, "Memtide");
  EXPECT_EQ(balloons[0].Data.uTimeout, 60000u);
  EXPECT_EQ(balloons[0].Data.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));

  shell_.clear();
  SendMessageA(wnd, WM_OPTIMIZED, 0, 0);
  balloons = Balloons();
  if (!monitor.ResultText().empty()) {
    ASSERT_EQ(balloons.size(), 1u);
    EXPECT_EQ(balloons[0].Data.szInfo, monitor.ResultText());
    EXPECT_EQ(balloons[0].Data.uTimeout, 10000u);
  }

  m.Options()->ShowMessageWhenOptimizing = false;
  shell_.clear();
  SendMessageA(wnd, WM_OPTIMIZING, 0, 0);
  SendMessageA(wnd, WM_OPTIMIZED, 0, 0);
  EXPECT_TRUE(Balloons().empty());
}

TEST_F(MainFormTest, AboutBoxTextVersionLanguageAndAuthor) {
  TFrmMemtideMain& m = Create();
  m.ActAbout->Execute();
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].Flags, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(boxes_[0].Caption, "Memtide");
  const std::string& text = boxes_[0].Text;
  // The test program has no version resource of its own: the version part is empty.
  EXPECT_EQ(text.rfind("Memtide ", 0), 0u);
  EXPECT_NE(text.find("\r\n\r\nCopyright"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\nLanguage: English\r\nAuthor: "), std::string::npos) << text;
}

TEST_F(MainFormTest, BrisvanePathFromTheCurrentUsersEntry) {
  e2e::RegistryKeyGuard companion(HKEY_CURRENT_USER, "Software\\Quorix\\Brisvane");
  companion.Clear();
  TFrmMemtideMain& m = Create();
  EXPECT_EQ(m.GetBrisvanePath(), "");
  UniqueHKey key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quorix\\Brisvane", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  const char path[] = "C:\\Tools\\Brisvane.exe ";
  RegSetValueExA(key.get(), "programfile", 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                 sizeof(path));
  EXPECT_EQ(m.GetBrisvanePath(), "C:\\Tools\\Brisvane.exe");
}

TEST_F(MainFormTest, QueryEndSessionAnswersYesSavesAndCloses) {
  TFrmMemtideMain& m = Create();
  m.Options()->HotKey = 0x4000 | 'Q';
  const LRESULT answer = SendMessageA(m.Handle(), WM_QUERYENDSESSION, 0, 0);
  EXPECT_EQ(answer, 1);
  auto values = e2e::ReadValues(HKEY_CURRENT_USER, kSettingsKey);
  ASSERT_TRUE(values.count("HotKey"));
  EXPECT_EQ(values["HotKey"].Dword(), static_cast<DWORD>(0x4000 | 'Q'));
  EXPECT_EQ(values.size(), 17u);  // sixteen settings and programfile
}

namespace {
bool HasBalloon(const std::vector<ShellCall>& calls, const std::string& text) {
  for (const auto& c : calls) {
    if (c.Message == NIM_MODIFY && (c.Data.uFlags & NIF_INFO) && text == c.Data.szInfo) {
      return true;
    }
  }
  return false;
}
}  // namespace

TEST_F(MainFormTest, HotKeyOfTheSettingStartsARunAnotherValueDoesNot) {
  TFrmMemtideMain& m = Create();
  m.Monitor()->HideMonitor();
  m.HKMHotKeyPressed(0x4000 | 'Z', 1);
  testsupport::PumpMessages(300);
  EXPECT_FALSE(HasBalloon(shell_, "Optimizing...")) << "a run started for another key";

  m.HKMHotKeyPressed(49231, 1);
  EXPECT_TRUE(testsupport::PumpUntil([&] { return HasBalloon(shell_, "Optimizing..."); }, 5000));
  EXPECT_TRUE(testsupport::PumpUntil([&] { return !m.Monitor()->IsOptimizing(); }, 60000));
}

TEST_F(MainFormTest, StartRequestToTheMainFormIsForwardedToTheMonitor) {
  TFrmMemtideMain& m = Create();
  m.Monitor()->HideMonitor();
  PostMessageA(m.Handle(), WM_STARTOPTIMIZE, 0, 0);
  EXPECT_TRUE(testsupport::PumpUntil([&] { return HasBalloon(shell_, "Optimizing..."); }, 5000));
  EXPECT_TRUE(testsupport::PumpUntil([&] { return !m.Monitor()->IsOptimizing(); }, 60000));
}

namespace {
TFrmMemtideMain* g_probeMain = nullptr;
int g_enabledDuringRun = -1;
void CALLBACK ProbeMenuDuringRun(HWND, UINT, UINT_PTR id, DWORD) {
  const TFrmMemtide* monitor = g_probeMain->Monitor();
  if (!monitor || !monitor->IsOptimizing() || g_enabledDuringRun != -1) return;
  KillTimer(nullptr, id);
  g_probeMain->PopupMenu1Popup(g_probeMain->PopupMenu1);
  g_enabledDuringRun = g_probeMain->ActOptimize->Enabled() ? 1 : 0;
}

// Runs an optimization and opens the menu (its popup handler) once during it; returns
// whether Start Optimize was enabled then (-1: the menu was never looked at).
int RunWithTheMenuOpenedMeanwhile(TFrmMemtideMain& m) {
  // The run handles pending messages as it goes; the timer looks at the menu then.
  g_probeMain = &m;
  g_enabledDuringRun = -1;
  UINT_PTR timer = SetTimer(nullptr, 0, 1, &ProbeMenuDuringRun);
  m.ActOptimize->Execute();
  KillTimer(nullptr, timer);
  return g_enabledDuringRun;
}
}  // namespace

TEST_F(MainFormTest, PopupDisablesStartOptimizeOnlyWhileOptimizing) {
  TFrmMemtideMain& m = Create();
  m.PopupMenu1Popup(m.PopupMenu1);
  EXPECT_TRUE(m.ActOptimize->Enabled());
  EXPECT_EQ(RunWithTheMenuOpenedMeanwhile(m), 0)
      << "(-1: the menu was never looked at during the run)";
  m.PopupMenu1Popup(m.PopupMenu1);
  EXPECT_TRUE(m.ActOptimize->Enabled());
}

namespace {
bool g_sawRun = false;
void CALLBACK NoteRun(HWND, UINT, UINT_PTR, DWORD) {
  const TFrmMemtide* monitor = g_probeMain ? g_probeMain->Monitor() : nullptr;
  if (monitor && monitor->IsOptimizing()) g_sawRun = true;
}
}  // namespace

// A double click clicks the menu's default item without opening the menu: the state the
// last popup left (greyed, during a run) must not outlive the run.
TEST_F(MainFormTest, DoubleClickAfterARunSeenFromTheMenuStartsAnotherRun) {
  TFrmMemtideMain& m = Create();
  ASSERT_EQ(RunWithTheMenuOpenedMeanwhile(m), 0)
      << "(-1: the menu was never looked at during the run)";
  testsupport::PumpMessages(100);  // the end of the run reaches the main form
  g_sawRun = false;
  UINT_PTR timer = SetTimer(nullptr, 0, 1, &NoteRun);
  SendMessageA(m.cti->Handle(), tray::kCallbackMessage, tray::kIconId, WM_LBUTTONDBLCLK);
  testsupport::PumpMessages(100);
  KillTimer(nullptr, timer);
  EXPECT_TRUE(g_sawRun) << "the double click did not start a run";
  EXPECT_TRUE(m.ActOptimize->Enabled());
}

namespace {
// Portable mode for one test: the marker beside the test program and a Memtide.ini that
// cannot be written while it is held open without write sharing. Both go again afterwards.
class UnwritablePortableSettings {
 public:
  UnwritablePortableSettings()
      : marker_(testsupport::ExeFolder() + "PortableEdition.dat"),
        ini_(testsupport::ExeFolder() + "Memtide.ini") {
    for (const std::string* path : {&marker_, &ini_}) {
      HANDLE f = CreateFileA(path->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
      if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    }
    held_ = CreateFileA(ini_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  ~UnwritablePortableSettings() {
    if (held_ != INVALID_HANDLE_VALUE) CloseHandle(held_);
    DeleteFileA(ini_.c_str());
    DeleteFileA(marker_.c_str());
  }
  bool Ready() const { return held_ != INVALID_HANDLE_VALUE; }

 private:
  std::string marker_, ini_;
  HANDLE held_ = INVALID_HANDLE_VALUE;
};
}  // namespace

// At exit the monitor window is freed first, then the main form writes the settings; a
// write error is shown in a box whose message loop still serves the tray. Nothing may
// start from the tray then: no new monitor window, no run.
TEST_F(MainFormTest, TheTrayStartsNothingWhileTheSettingsAreWrittenAtExit) {
  UnwritablePortableSettings portable;
  ASSERT_TRUE(portable.Ready());
  TFrmMemtideMain& m = Create();
  ASSERT_TRUE(m.Options()->PortableMode());
  delete m.Monitor();
  int errors = 0;
  bool monitorBack = false;
  m.Options()->OnWriteError = [&](const std::string&) {
    ++errors;
    SendMessageA(m.cti->Handle(), tray::kCallbackMessage, tray::kIconId, WM_MOUSEMOVE);
    SendMessageA(m.cti->Handle(), tray::kCallbackMessage, tray::kIconId, WM_LBUTTONDBLCLK);
    monitorBack = m.Monitor() != nullptr;
  };
  main_.reset();
  EXPECT_EQ(errors, 1);
  EXPECT_FALSE(monitorBack) << "the tray opened a monitor window while the program closed";
  EXPECT_EQ(MonitorOf(*Application()), nullptr);
}

// The dialog opened from the monitor window's link belongs to that window and goes with
// it; the tray's action then makes a new one rather than reaching the freed one.
TEST_F(MainFormTest, OptionsDialogIsReusedAndGoesWithTheMonitorWindowThatOwnsIt) {
  TFrmMemtideMain& m = Create();
  TFrmMemtide* monitor = m.Monitor();
  monitor->lbl_optionsClick(monitor->lbl_options);
  TFrmOptions* dialog = m.OptionsDialog();
  ASSERT_TRUE(dialog);
  EXPECT_EQ(dialog->Owner(), monitor);
  m.ActOptions->Execute();
  EXPECT_EQ(m.OptionsDialog(), dialog) << "a second dialog was made";
  delete monitor;
  EXPECT_EQ(m.Monitor(), nullptr);
  EXPECT_EQ(m.OptionsDialog(), nullptr);
  m.ActOptions->Execute();
  ASSERT_TRUE(m.OptionsDialog());
  EXPECT_EQ(m.OptionsDialog()->Owner(), Application());
}

// --- the free-memory figure in the tray icon

namespace {

constexpr std::int64_t kTotal = 8LL << 30;
std::int64_t Free(double percent) { return static_cast<std::int64_t>(kTotal * percent / 100); }

// The figure's background, read where no digit reaches: the middle of the second row.
std::uint32_t FigureBackground(HICON icon) {
  const testsupport::IconPixels img = testsupport::ReadIconPixels(icon);
  return img.Width > 0 ? img.Rgb(img.Width / 2, 1) : ~0u;
}

constexpr std::uint32_t kCyanPixel = 0x00FFFF, kRedPixel = 0xFF0000;  // 0x00RRGGBB

}  // namespace

TEST_F(MainFormTest, TrayFigure_OffByDefaultTicksLeaveTheProgramIconAlone) {
  TFrmMemtideMain& m = Create();
  TFrmMemtide& monitor = *m.Monitor();
  monitor.Timer1->SetEnabled(false);  // ticks come from the test only
  EXPECT_FALSE(m.Options()->ShowFreeMemoryInTrayIcon);
  shell_.clear();
  m.MemorySampled(Free(42), kTotal);
  m.MemorySampled(Free(5), kTotal);
  monitor.Timer1Timer(monitor.Timer1);
  EXPECT_TRUE(shell_.empty()) << "the shell was called " << shell_.size() << " times";
  EXPECT_FALSE(m.ShownTrayFigure());
}

TEST_F(MainFormTest, TrayFigure_OneModificationPerChangeNoneWhileUnchanged) {
  ASSERT_TRUE(e2e::WriteDword(HKEY_CURRENT_USER, kSettingsKey, "ShowFreeMemoryInTrayIcon", 1));
  TFrmMemtideMain& m = Create();
  m.Monitor()->Timer1->SetEnabled(false);
  ASSERT_TRUE(m.Options()->ShowFreeMemoryInTrayIcon);
  // Until the first tick: the program icon.
  EXPECT_FALSE(m.ShownTrayFigure());
  const std::uint32_t programIcon = FigureBackground(m.cti->Icon());
  ASSERT_NE(programIcon, ~0u) << "the program icon did not load";
  ASSERT_NE(programIcon, kCyanPixel);
  shell_.clear();
  auto modifications = [&] {
    return std::count_if(shell_.begin(), shell_.end(),
                         [](const ShellCall& c) { return c.Message == NIM_MODIFY; });
  };

  m.MemorySampled(Free(42.2), kTotal);
  ASSERT_EQ(modifications(), 1);
  EXPECT_EQ(m.ShownTrayFigure()->Number, 42);
  EXPECT_EQ(shell_.back().Data.hIcon, m.cti->Icon());
  EXPECT_EQ(FigureBackground(m.cti->Icon()), kCyanPixel) << "the memory chart's high colour";

  // The same number and colour: nothing goes to the shell.
  m.MemorySampled(Free(42.2), kTotal);
  m.MemorySampled(Free(42.9), kTotal);
  EXPECT_EQ(modifications(), 1);

  m.MemorySampled(Free(43.1), kTotal);
  EXPECT_EQ(modifications(), 2);
  EXPECT_EQ(m.ShownTrayFigure()->Number, 43);

  // Below the auto-optimize limit: another colour, though 8 % shows as 7.
  m.MemorySampled(Free(7.9), kTotal);
  EXPECT_EQ(modifications(), 3);
  EXPECT_EQ(FigureBackground(m.cti->Icon()), kRedPixel) << "the memory chart's low colour";
  m.MemorySampled(Free(7.5), kTotal);
  EXPECT_EQ(modifications(), 3);

  // A new taskbar gets the figure back, not the program icon.
  shell_.clear();
  SendMessageA(Application()->Handle(), TTrayIcon::TaskbarCreatedMessage(), 0, 0);
  auto add = std::find_if(shell_.begin(), shell_.end(),
                          [](const ShellCall& c) { return c.Message == NIM_ADD; });
  ASSERT_NE(add, shell_.end()) << "the icon was not added to the new taskbar";
  EXPECT_EQ(FigureBackground(add->Data.hIcon), kRedPixel);

  // Switched off (the options dialog's OK): the program icon comes back at once.
  shell_.clear();
  m.Options()->ShowFreeMemoryInTrayIcon = false;
  m.ApplyTrayIcon();
  EXPECT_EQ(modifications(), 1);
  EXPECT_FALSE(m.ShownTrayFigure());
  EXPECT_EQ(FigureBackground(m.cti->Icon()), programIcon);
  m.MemorySampled(Free(20), kTotal);
  EXPECT_EQ(modifications(), 1);

  // An unknown total cannot be drawn: the program icon.
  m.Options()->ShowFreeMemoryInTrayIcon = true;
  m.MemorySampled(Free(20), 0);
  EXPECT_FALSE(m.ShownTrayFigure());
  EXPECT_EQ(modifications(), 1);
}

// --- "-optimize" without a running copy

namespace {

struct OnceWorld {
  std::vector<DWORD> trimmed;
  int optimizeCalls = 0;
  int amountMB = -1;
};

class OnceOptimizer final : public IMonitorOptimizer {
 public:
  explicit OnceOptimizer(OnceWorld& w) : w_(w) {}
  std::int64_t FreeMemory() override { return 1LL << 30; }
  std::int64_t TotalMemory() const override { return 4LL << 30; }
  bool Working() const override { return false; }
  void Optimize(int amountMB, std::function<void(int)> onProgress) override {
    ++w_.optimizeCalls;
    w_.amountMB = amountMB;
    onProgress(100);
  }
  void Stop() override {}
  void EndNow() override {}

 private:
  OnceWorld& w_;
};

class OnceProcesses final : public IMonitorProcesses {
 public:
  explicit OnceProcesses(OnceWorld& w) : w_(w) {}
  std::vector<DWORD> RefreshProcessIds() override { return {7, 8}; }
  void TrimWorkingSet(DWORD id) override { w_.trimmed.push_back(id); }

 private:
  OnceWorld& w_;
};

TMonitorParts OnceParts(OnceWorld& w) {
  TMonitorParts parts;
  parts.MakeOptimizer = [&w] { return std::make_shared<OnceOptimizer>(w); };
  parts.MakeProcesses = [&w] { return std::make_shared<OnceProcesses>(w); };
  return parts;
}

}  // namespace

TEST(OptimizeOnce, RunsTheWholeSequenceOnceAndAnswersDone) {
  OnceWorld w;
  EXPECT_EQ(RunOptimizeOnce(OnceParts(w)), kOptimizeOnceDone);
  EXPECT_EQ(w.trimmed, (std::vector<DWORD>{7, 8}));
  EXPECT_EQ(w.optimizeCalls, 1);
  EXPECT_EQ(w.amountMB, 512);  // one eighth of 4 GiB
}

TEST(OptimizeOnce, WithoutAnOptimizerItCouldNotRun) {
  OnceWorld w;
  TMonitorParts parts = OnceParts(w);
  parts.MakeOptimizer = [] { return std::shared_ptr<IMonitorOptimizer>(); };
  EXPECT_NE(RunOptimizeOnce(parts), kOptimizeOnceDone);
  EXPECT_TRUE(w.trimmed.empty());
}

TEST(OptimizeOnce, AFailingStepAnswersCouldNotRun) {
  OnceWorld w;
  TMonitorParts parts = OnceParts(w);
  struct Failing final : IMonitorProcesses {
    std::vector<DWORD> RefreshProcessIds() override { throw std::runtime_error("no snapshot"); }
    void TrimWorkingSet(DWORD) override {}
  };
  parts.MakeProcesses = [] { return std::make_shared<Failing>(); };
  EXPECT_EQ(RunOptimizeOnce(parts), kOptimizeOnceFailed);
  EXPECT_EQ(w.optimizeCalls, 0);
}
