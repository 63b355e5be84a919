// The real monitor window, driven in-process with a fake CPU, memory, optimizer and process
// list: its sampling tick, the optimization sequence, showing, hiding, placing, dragging,
// the pin button, the title menu, chart colours and language.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "MonitorFakes.h"
#include "controls/ColorUnit.h"
#include "controls/GdiPlus.h"
#include "controls/DockButton.h"
#include "controls/DockContainer.h"
#include "controls/DockLabel.h"
#include "controls/DockPanel.h"
#include "controls/QvGDIPlusProgressBar.h"
#include "controls/QvGDIPlusTrendLine.h"
#include "memory/PublicUnit.h"
#include "monitor/MonitorRules.h"
#include "settings/MultiLanguage.h"
#include "settings/OptionsUnit.h"
#include "support/TestSupport.h"
#include "util/QvBaseUnit.h"
#include "util/ScopedHandles.h"
#include "ui/Application.h"
#include "support/GdiPlusEnvironment.h"
#include "ui/Menus.h"
#include "ui/Timer.h"

using testsupport::PumpMessages;
using testsupport::PumpUntil;
using testsupport::TempFolder;

namespace {

// A stand-in for the main form's window: records the messages the monitor posts, and
// whether a run was going on when each arrived.
struct MainWindowRecorder {
  struct Entry { UINT msg; bool optimizing; };
  std::vector<Entry> received;
  TFrmMemtide* monitor = nullptr;
  HWND wnd = nullptr;

  MainWindowRecorder() {
    static bool registered = false;
    if (!registered) {
      WNDCLASSA wc{};
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = "MonitorTestMainForm";
      RegisterClassA(&wc);
      registered = true;
    }
    wnd = CreateWindowExA(0, "MonitorTestMainForm", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                          GetModuleHandleA(nullptr), this);
  }
  ~MainWindowRecorder() { DestroyWindow(wnd); }
  std::vector<UINT> Messages() const {
    std::vector<UINT> m;
    for (const Entry& e : received) m.push_back(e.msg);
    return m;
  }

  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_NCCREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(l);
      SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<MainWindowRecorder*>(GetWindowLongPtrA(h, GWLP_USERDATA));
    if (self && (msg == WM_OPTIMIZING || msg == WM_OPTIMIZED)) {
      self->received.push_back({msg, self->monitor && self->monitor->IsOptimizing()});
      return 0;
    }
    return DefWindowProcA(h, msg, w, l);
  }
};

// The tray menu: records where it was asked to pop up instead of showing.
class RecordingMenu : public TPopupMenu {
 public:
  RecordingMenu() : TPopupMenu(nullptr) {}
  void Popup(int X, int Y) override { popups.push_back(POINT{X, Y}); }
  std::vector<POINT> popups;
};

// Settings in a scratch folder (portable mode), so the user's are never touched.
std::unique_ptr<TOptions> ScratchOptions(const TempFolder& folder) {
  folder.Write("PortableEdition.dat", "");
  TOptionsStorage storage;
  storage.ProgramFolder = folder.Path();
  storage.SettingsKey = "Software\\Quorix\\MemtideMonitorTest";
  storage.RunValue = "quorix_MemtideMonitorTest";
  storage.ExePath = folder.Path() + "Memtide.exe";
  auto options = std::make_unique<TOptions>(storage);
  options->OnWriteError = [](const std::string&) {};
  return options;
}

std::string LocaleDecimal() {
  char buf[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, sizeof buf);
  return buf;
}

class MonitorTest : public testing::Test {
 protected:
  void SetUp() override {
    options = ScratchOptions(temp);
    options->AutoOptimize = false;
    host.MainWindow = [this] { return mainWindow.wnd; };
    host.Options = options.get();
    host.Language = &language;
    host.PopupMenu1 = &menu;
    errors.clear();
    Application()->OnException = [this](const std::string& m) { errors.push_back(m); };
  }
  void TearDown() override {
    Destroy();
    Application()->OnException = nullptr;
  }

  TFrmMemtide& Create() {
    monitor.reset(new TFrmMemtide(nullptr, host, world.Parts()));
    world.monitor = monitor.get();
    mainWindow.monitor = monitor.get();
    return *monitor;
  }
  void Destroy() {
    world.monitor = nullptr;
    mainWindow.monitor = nullptr;
    monitor.reset();
  }
  // The log from the first entry that starts with `first`.
  std::vector<std::string> LogFrom(const std::string& first) const {
    auto it = std::find_if(world.log.begin(), world.log.end(),
                           [&](const std::string& e) { return e.rfind(first, 0) == 0; });
    return std::vector<std::string>(it, world.log.end());
  }
  // Removes a pending WM_STARTOPTIMIZE for the monitor; true if there was one.
  bool TakeStartRequest() {
    MSG msg;
    return PeekMessageA(&msg, monitor->Handle(), WM_STARTOPTIMIZE, WM_STARTOPTIMIZE, PM_REMOVE);
  }

  TempFolder temp;
  std::unique_ptr<TOptions> options;
  TMultiLanguage language;
  RecordingMenu menu;
  MainWindowRecorder mainWindow;
  TMonitorHost host;
  FakeWorld world;
  std::unique_ptr<TFrmMemtide> monitor;
  std::vector<std::string> errors;
};

// --- creation

TEST_F(MonitorTest, Create_IsAHiddenNonActivatingToolWindowBesideTheDesktop) {
  TFrmMemtide& m = Create();
  HWND h = m.Handle();
  LONG style = GetWindowLongA(h, GWL_STYLE);
  LONG ex = GetWindowLongA(h, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_EQ(style & WS_CAPTION, 0);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);  // no taskbar button
  EXPECT_TRUE(ex & WS_EX_NOACTIVATE);
  EXPECT_NE(GetWindow(h, GW_OWNER), Application()->Handle());
  EXPECT_FALSE(IsWindowVisible(h));
  EXPECT_EQ(m.Tag(), 0);
  EXPECT_FALSE(m.Visible());
  EXPECT_EQ(m.Name(), "FrmMemtide");
  EXPECT_EQ(m.Caption(), "Memtide");
  RECT client{};
  GetClientRect(h, &client);
  EXPECT_EQ(client.right, 257);
  EXPECT_EQ(client.bottom, 268);
  EXPECT_FALSE(m.IsOptimizing());
  EXPECT_FALSE(m.Pinned());
  RECT hot = m.TrayHotRect();
  EXPECT_EQ(hot.left | hot.top | hot.right | hot.bottom, 0);
}

TEST_F(MonitorTest, Create_BuildsEveryControlOnTheContainerInDesignOrder) {
  TFrmMemtide& m = Create();
  const char* order[] = {"lbl_cpu",      "cpuLine",      "pcDockPanel1", "lbl_title",
                         "lbl_ram",      "ramLine",      "lbl_cpuvalue", "lbl_ramvalue",
                         "btn_close",    "lbl_optimize", "lbl_options",  "pb",
                         "lbl_pb",       "lbl_ramplus"};
  ASSERT_EQ(m.p1->ControlCount(), 14);
  for (int i = 0; i < 14; ++i) EXPECT_EQ(m.p1->Controls(i)->Name(), order[i]) << i;
  EXPECT_EQ(m.p1->Width(), 257);
  EXPECT_EQ(m.p1->Height(), 268);

  struct Box { TControl* c; int l, t, w, h; };
  for (const Box& b : {Box{m.cpuLine, 8, 40, 241, 89}, Box{m.ramLine, 8, 152, 241, 89},
                       Box{m.pcDockPanel1, -1, -1, 262, 21}, Box{m.btn_close, 236, 1, 17, 17},
                       Box{m.pb, 88, 247, 89, 15}, Box{m.lbl_cpuvalue, 210, 24, 39, 15},
                       Box{m.lbl_ramvalue, 48, 136, 201, 15}, Box{m.lbl_options, 184, 248, 64, 15},
                       Box{m.lbl_ramplus, 101, 3, 128, 15}}) {
    SCOPED_TRACE(b.c->Name());
    EXPECT_EQ(b.c->Left(), b.l);
    EXPECT_EQ(b.c->Top(), b.t);
    EXPECT_EQ(b.c->Width(), b.w);
    EXPECT_EQ(b.c->Height(), b.h);
  }
  EXPECT_EQ(m.lbl_cpu->Caption(), "CPU");
  EXPECT_EQ(m.lbl_title->Caption(), "Memtide");
  EXPECT_EQ(m.lbl_ram->Caption(), "RAM");
  EXPECT_EQ(m.lbl_optimize->Caption(), "Start Optimize");
  EXPECT_EQ(m.lbl_options->Caption(), "Options");
  EXPECT_EQ(m.lbl_pb->Caption(), "0%");
  EXPECT_FALSE(m.pb->Visible());
  EXPECT_FALSE(m.lbl_pb->Visible());
  EXPECT_TRUE(m.lbl_optimize->Enabled());
  EXPECT_EQ(m.lbl_optimize->Cursor(), crHandPoint);
  EXPECT_EQ(m.cpuLine->Line1Color1(), 0x0000FFu);
  EXPECT_EQ(m.ramLine->Line1Color1(), 0x008000u);
  EXPECT_TRUE(m.Timer1->Enabled());
  EXPECT_FALSE(m.Timer2->Enabled());
  EXPECT_EQ(m.Timer1->Interval(), 1000u);
  EXPECT_EQ(m.btn_close->NormalSource(), "C:\\pins\\p1.png");
  EXPECT_EQ(m.btn_close->MouseOverSource(), "C:\\pins\\p1.png");
}

TEST_F(MonitorTest, Create_TakesTheCpuSourceFromTheSettingsAndDiscardsTheFirstSample) {
  options->CPUDataFromSystemPerform = true;
  world.cpuSamples = {99, 37};
  TFrmMemtide& m = Create();
  EXPECT_TRUE(world.usePdh);
  EXPECT_EQ(world.cpuCalls, 1);
  m.Timer1Timer(m.Timer1);
  ASSERT_EQ(m.cpuLine->Values(1).size(), 1u);
  EXPECT_EQ(m.cpuLine->Values(1).back(), 37);
  m.SetCPUSource(false);
  EXPECT_FALSE(world.usePdh);
}

// --- the sampling tick

TEST_F(MonitorTest, Tick_WritesBothValueLinesAndFeedsBothCharts) {
  world.cpuSamples = {0, 37};
  world.freeBytes = 1234567890;  // 28.74 % of 4 GiB
  world.totalBytes = 4LL << 30;
  TFrmMemtide& m = Create();
  m.Timer1->Timer();
  const std::string d = LocaleDecimal();
  EXPECT_EQ(m.lbl_cpuvalue->Caption(), "37%");
  EXPECT_EQ(m.lbl_ramvalue->Caption(), "1" + d + "1 G Free [28%] / 4" + d + "0 G");
  EXPECT_EQ(m.RamValueText(), m.lbl_ramvalue->Caption());
  EXPECT_EQ(m.cpuLine->Values(1).back(), 37);
  EXPECT_EQ(m.ramLine->Values(1).back(), 28);
  EXPECT_TRUE(errors.empty());
}

// The tray icon's figure is the tick's own status: one report per tick, with the bytes the
// charts got.
TEST_F(MonitorTest, Tick_ReportsItsMemoryStatusToTheHostOnce) {
  std::vector<std::pair<std::int64_t, std::int64_t>> reports;
  host.MemorySampled = [&](std::int64_t f, std::int64_t t) { reports.push_back({f, t}); };
  world.freeBytes = 1234567890;
  world.totalBytes = 4LL << 30;
  TFrmMemtide& m = Create();
  m.Timer1->SetEnabled(false);  // ticks come from the test only
  EXPECT_TRUE(reports.empty()) << "creation samples no memory";
  m.Timer1Timer(m.Timer1);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].first, 1234567890);
  EXPECT_EQ(reports[0].second, 4LL << 30);
}

TEST_F(MonitorTest, Tick_HiddenChartsCollectValuesButDrawOnlyOnceShown) {
  world.cpuSamples = {0, 10, 20, 30, 40};
  TFrmMemtide& m = Create();
  const int cpuRenders = m.cpuLine->RenderCount();
  const int ramRenders = m.ramLine->RenderCount();
  for (int i = 0; i < 3; ++i) m.Timer1Timer(m.Timer1);
  EXPECT_EQ(m.cpuLine->Values(1).back(), 30);
  EXPECT_EQ(m.cpuLine->RenderCount(), cpuRenders);
  EXPECT_EQ(m.ramLine->RenderCount(), ramRenders);

  m.ShowMonitor(0);
  EXPECT_EQ(m.cpuLine->RenderCount(), cpuRenders + 1);  // one picture with every value
  m.Timer1Timer(m.Timer1);
  EXPECT_EQ(m.cpuLine->RenderCount(), cpuRenders + 2);  // shown: every tick draws

  // Paused by the options dialog while shown, then resumed.
  m.SetChartsDrawing(false);
  m.Timer1Timer(m.Timer1);
  EXPECT_EQ(m.cpuLine->RenderCount(), cpuRenders + 2);
  m.SetChartsDrawing(true);
  EXPECT_EQ(m.cpuLine->RenderCount(), cpuRenders + 3);

  m.HideMonitor();
  m.Timer1Timer(m.Timer1);
  EXPECT_EQ(m.cpuLine->RenderCount(), cpuRenders + 3);
}

TEST_F(MonitorTest, Tick_FailedCpuSampleShowsMinusOne) {
  world.cpuSamples = {0, -1};
  TFrmMemtide& m = Create();
  m.Timer1Timer(m.Timer1);
  EXPECT_EQ(m.lbl_cpuvalue->Caption(), "-1%");
  EXPECT_EQ(m.cpuLine->Values(1).back(), -1);
}

TEST_F(MonitorTest, Tick_AutoOptimizeComparesTheUntruncatedPercentage) {
  options->AutoOptimize = true;
  world.totalBytes = 1000000000;
  TFrmMemtide& m = Create();
  TakeStartRequest();

  world.freeBytes = 79900000;  // 7.99 %: below 8
  m.Timer1Timer(m.Timer1);
  EXPECT_EQ(m.ramLine->Values(1).back(), 7);
  EXPECT_TRUE(TakeStartRequest());

  world.freeBytes = 80000000;  // exactly 8 %
  m.Timer1Timer(m.Timer1);
  EXPECT_FALSE(TakeStartRequest());

  world.freeBytes = 85000000;  // 8.5 %, truncated 8
  m.Timer1Timer(m.Timer1);
  EXPECT_EQ(m.ramLine->Values(1).back(), 8);
  EXPECT_FALSE(TakeStartRequest());

  options->AutoOptimize = false;
  world.freeBytes = 10000000;  // 1 %
  m.Timer1Timer(m.Timer1);
  EXPECT_FALSE(TakeStartRequest());
}

TEST_F(MonitorTest, Tick_WithoutTheMainFormsSettingsNeverAsksForARun) {
  host.Options = nullptr;
  world.freeBytes = 1;
  TFrmMemtide& m = Create();
  m.Timer1Timer(m.Timer1);
  EXPECT_FALSE(TakeStartRequest());
  EXPECT_EQ(m.lbl_ramvalue->Caption().find("Free [0%]") != std::string::npos, true);
}

TEST_F(MonitorTest, Tick_MemoryLineFollowsTheLanguageFileAndSurvivesOddPlaceholders) {
  world.freeBytes = 1LL << 30;
  world.totalBytes = 4LL << 30;
  const std::string d = LocaleDecimal();
  temp.Write("Deutsch.lng", "[Language]\nmsg_ramfree=%s frei von %s (%s)\n");
  language.LoadFromFile(temp.File("Deutsch.lng"));
  TFrmMemtide& m = Create();
  m.Timer1Timer(m.Timer1);
  EXPECT_EQ(m.lbl_ramvalue->Caption(), "1" + d + "0 G frei von 25% (4" + d + "0 G)");

  // Fewer placeholders drop values; more, or ones that take no text, still give a line.
  temp.Write("Odd.lng", "[Language]\nmsg_ramfree=%d%% %s / %s / %s / %s %n\n");
  language.LoadFromFile(temp.File("Odd.lng"));
  m.Timer1Timer(m.Timer1);
  EXPECT_EQ(m.lbl_ramvalue->Caption(), "%d% 1" + d + "0 G / 25% / 4" + d + "0 G /  %n");
  temp.Write("Few.lng", "[Language]\nmsg_ramfree=RAM %s\n");
  language.LoadFromFile(temp.File("Few.lng"));
  m.Timer1Timer(m.Timer1);
  EXPECT_EQ(m.lbl_ramvalue->Caption(), "RAM 1" + d + "0 G");
  EXPECT_TRUE(errors.empty());
}

// --- the optimization sequence

TEST_F(MonitorTest, Optimize_ShowsTrimmingThenOptimizerProgressThenTheResult) {
  world.freeBytes = 1LL << 30;
  world.freeAfterRun = (1LL << 30) + 327625277;  // gain 312.45 M
  world.totalBytes = 4LL << 30;
  world.trimTicks = kProgressPumpMs;  // each trim takes long enough to be shown
  TFrmMemtide& m = Create();
  m.StartOptimize();

  const std::vector<std::string> expected = {
      "refresh",
      "trim 11 pb=0 lbl=0% visible=1",
      "trim 22 pb=33 lbl=33% visible=1",
      "trim 33 pb=66 lbl=66% visible=1",
      "optimize 512",
      "progress 50 pb=50 lbl=50% visible=1",
      "progress 100 pb=100 lbl=100% visible=1",
      "optimize returned"};
  EXPECT_EQ(LogFrom("refresh"), expected);
  EXPECT_EQ(world.lastAmountMB, 512);  // one eighth of 4 GiB in MiB
  EXPECT_FALSE(m.pb->Visible());
  EXPECT_FALSE(m.lbl_pb->Visible());
  EXPECT_FALSE(m.IsOptimizing());
  EXPECT_TRUE(m.lbl_optimize->Enabled());
  const std::string d = LocaleDecimal();
  EXPECT_EQ(m.lbl_ramplus->Caption(), "14:03:27 +312" + d + "45 M");
  EXPECT_EQ(m.ResultText(), m.lbl_ramplus->Caption());

  // WM_OPTIMIZING arrived during the run (the progress handler pumps), WM_OPTIMIZED after.
  PumpMessages(50);
  ASSERT_EQ(mainWindow.Messages(), (std::vector<UINT>{WM_OPTIMIZING, WM_OPTIMIZED}));
  EXPECT_TRUE(mainWindow.received[0].optimizing);
  EXPECT_FALSE(mainWindow.received[1].optimizing);
}

TEST_F(MonitorTest, Optimize_TrimmingBarAfterEveryProcessReachesOneHundred) {
  world.pids = {1, 2, 3, 4, 5, 6, 7};
  world.progressSteps = {};
  world.trimTicks = kProgressPumpMs;
  TFrmMemtide& m = Create();
  m.StartOptimize();
  // Last trim saw the value for process 6 of 7; the loop ended at 100.
  EXPECT_EQ(LogFrom("trim 7").at(0), "trim 7 pb=85 lbl=85% visible=1");
  EXPECT_EQ(m.pb->Value(), 100);
  EXPECT_EQ(m.lbl_pb->Caption(), "100%");
}

TEST_F(MonitorTest, Optimize_EmptyProcessListKeepsTheBarUntilTheFirstProgress) {
  world.pids = {};
  world.progressSteps = {17, 33};
  world.afterStep = [&](int) { world.tickCount += kProgressPumpMs; };
  TFrmMemtide& m = Create();
  m.pb->SetValue(42);
  m.StartOptimize();
  const std::vector<std::string> expected = {"refresh", "optimize 512",
                                             "progress 17 pb=17 lbl=17% visible=1",
                                             "progress 33 pb=33 lbl=33% visible=1",
                                             "optimize returned"};
  EXPECT_EQ(LogFrom("refresh"), expected);
}

// Between repaints nobody sees the bar, so it is set only when messages are also handled:
// on the first step, on the last and once the pacing interval has passed; the trimming of
// a few hundred processes as much as the optimizer's run.
TEST_F(MonitorTest, Optimize_BarIsSetOnlyWhenTheProgressIsRepainted) {
  world.pids = {1, 2, 3, 4, 5};
  world.trimTicks = kProgressPumpMs / 2;
  world.progressSteps = {10, 20, 30, 40, 50, 100};
  world.afterStep = [&](int) { world.tickCount += kProgressPumpMs / 2; };
  Create();
  monitor->StartOptimize();
  const std::vector<std::string> expected = {"trim 1 pb=0 lbl=0% visible=1",
                                             "trim 2 pb=20 lbl=20% visible=1",
                                             "trim 3 pb=20 lbl=20% visible=1",
                                             "trim 4 pb=60 lbl=60% visible=1",
                                             "trim 5 pb=60 lbl=60% visible=1",
                                             "optimize 512",
                                             "progress 10 pb=10 lbl=10% visible=1",
                                             "progress 20 pb=10 lbl=10% visible=1",
                                             "progress 30 pb=30 lbl=30% visible=1",
                                             "progress 40 pb=30 lbl=30% visible=1",
                                             "progress 50 pb=50 lbl=50% visible=1",
                                             "progress 100 pb=100 lbl=100% visible=1",
                                             "optimize returned"};
  EXPECT_EQ(LogFrom("trim 1"), expected);
}

// Each run paces from its own first step: the second run's first value is shown although
// it comes within the interval of the first run's last repaint.
TEST_F(MonitorTest, Optimize_SecondRunStartsPacingAfresh) {
  world.pids = {};
  world.progressSteps = {5, 7};
  Create();
  monitor->StartOptimize();
  world.log.clear();
  world.progressSteps = {9, 11};
  monitor->StartOptimize();
  const std::vector<std::string> expected = {"optimize 512", "progress 9 pb=9 lbl=9% visible=1",
                                             "progress 11 pb=9 lbl=9% visible=1",
                                             "optimize returned"};
  EXPECT_EQ(LogFrom("optimize 512"), expected);
}

TEST_F(MonitorTest, Optimize_NegativeGainShowsZero) {
  world.freeBytes = 2LL << 30;
  world.freeAfterRun = 1LL << 30;
  TFrmMemtide& m = Create();
  m.StartOptimize();
  EXPECT_EQ(m.lbl_ramplus->Caption(), "14:03:27 +0");
}

TEST_F(MonitorTest, Optimize_SecondRequestDuringARunIsIgnored) {
  TFrmMemtide& m = Create();
  world.afterStep = [&](int step) {
    if (step != 50) return;
    EXPECT_TRUE(m.IsOptimizing());
    EXPECT_FALSE(m.StartOptimize()) << "no sequence ran in this call";
    m.lbl_optimizeClick(m.lbl_optimize);
    SendMessageA(m.Handle(), WM_STARTOPTIMIZE, 0, 0);
    PostMessageA(m.Handle(), WM_STARTOPTIMIZE, 0, 0);  // handled by the next step's pump
  };
  EXPECT_TRUE(m.StartOptimize()) << "this call ran a sequence to its end";
  EXPECT_EQ(world.optimizeCalls, 1);
  EXPECT_EQ(std::count(world.log.begin(), world.log.end(), "refresh"), 1);
  PumpMessages(50);
  EXPECT_EQ(world.optimizeCalls, 1);

  // Once the run is over a request starts the next one.
  world.afterStep = nullptr;
  SendMessageA(m.Handle(), WM_STARTOPTIMIZE, 0, 0);
  EXPECT_EQ(world.optimizeCalls, 2);
}

TEST_F(MonitorTest, Optimize_PostedStartRequestRunsTheSequence) {
  TFrmMemtide& m = Create();
  PostMessageA(m.Handle(), WM_STARTOPTIMIZE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return world.optimizeCalls == 1; }, 2000));
  EXPECT_FALSE(m.IsOptimizing());
}

TEST_F(MonitorTest, Optimize_AutoOptimizeRunsFollowEachOtherWhileMemoryStaysLow) {
  options->AutoOptimize = true;
  world.totalBytes = 1000000000;
  world.freeBytes = 50000000;  // 5 %
  TFrmMemtide& m = Create();
  m.Timer1->SetEnabled(false);  // ticks come from the test only
  m.Timer1Timer(m.Timer1);
  PumpUntil([&] { return world.optimizeCalls == 1; }, 2000);
  m.Timer1Timer(m.Timer1);
  PumpUntil([&] { return world.optimizeCalls == 2; }, 2000);
  EXPECT_EQ(world.optimizeCalls, 2);
  world.freeBytes = 500000000;
  m.Timer1Timer(m.Timer1);
  PumpMessages(50);
  EXPECT_EQ(world.optimizeCalls, 2);
}

TEST_F(MonitorTest, Optimize_DestroyingTheWindowMidRunStopsTheRunBeforeFreeingTheOptimizer) {
  world.progressSteps = {10, 20, 30, 40};
  Create();
  monitor->ShowMonitor(0);
  world.afterStep = [&](int step) {
    if (step == 20) Destroy();
  };
  TFrmMemtide* raw = monitor.get();
  EXPECT_FALSE(raw->StartOptimize());  // returns after the window is gone
  EXPECT_EQ(monitor, nullptr);
  const std::vector<std::string> expected = {"optimize 512",
                                             "progress 10 pb=10 lbl=10% visible=1",
                                             "progress 20 pb=10 lbl=10% visible=1",
                                             "stop",
                                             "optimize returned",
                                             "processes freed",
                                             "optimizer freed"};
  EXPECT_EQ(LogFrom("optimize 512"), expected);
  EXPECT_EQ(world.optimizeCalls, 1);
}

TEST_F(MonitorTest, Optimize_DestroyingTheWindowDuringTheProcessRefreshSkipsTheRun) {
  Create();
  world.duringRefresh = [&] { Destroy(); };
  TFrmMemtide* raw = monitor.get();
  raw->StartOptimize();
  EXPECT_EQ(world.optimizeCalls, 0);
  EXPECT_NE(std::find(world.log.begin(), world.log.end(), "optimizer freed"), world.log.end());
  EXPECT_NE(std::find(world.log.begin(), world.log.end(), "processes freed"), world.log.end());
}

// The main form hears of the end of a failed run too: its 60-second "Optimizing..."
// balloon must not stay up for a run that is not happening.
TEST_F(MonitorTest, Optimize_AFailingStepLeavesTheLinkUsableAndEndsTheRunForTheMainForm) {
  TFrmMemtide& m = Create();
  world.duringRefresh = [] { throw std::runtime_error("snapshot failed"); };
  EXPECT_THROW(m.StartOptimize(), std::runtime_error);
  EXPECT_FALSE(m.IsOptimizing());
  EXPECT_FALSE(m.pb->Visible());
  EXPECT_FALSE(m.lbl_pb->Visible());
  PumpMessages(50);
  EXPECT_EQ(mainWindow.Messages(), (std::vector<UINT>{WM_OPTIMIZING, WM_OPTIMIZED}));
  world.duringRefresh = nullptr;

  mainWindow.received.clear();
  world.afterStep = [](int) { throw std::runtime_error("progress failed"); };
  EXPECT_THROW(m.StartOptimize(), std::runtime_error);
  PumpMessages(50);
  EXPECT_EQ(mainWindow.Messages(), (std::vector<UINT>{WM_OPTIMIZING, WM_OPTIMIZED}));
  world.afterStep = nullptr;
  EXPECT_TRUE(m.StartOptimize());  // the next request runs
  EXPECT_EQ(world.optimizeCalls, 2);
}

namespace {
std::vector<std::string>* g_menuLog = nullptr;
void CALLBACK NoteMenuWaitingAndClose(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (g_menuLog) g_menuLog->push_back("menu waits");
  EndMenu();
}
}  // namespace

// A menu or message box opened from a message handled inside the run waits for the user;
// the run's memory must not stay committed meanwhile: the run ends as the loop starts.
TEST_F(MonitorTest, Optimize_AMenuOrMessageBoxOpenedInsideTheRunEndsItFirst) {
  world.progressSteps = {10, 20, 30, 40};
  TFrmMemtide& m = Create();
  SetMessageBoxFunction([&](HWND, const std::string&, const std::string&, UINT) {
    world.log.push_back("box waits");
    return IDOK;
  });
  world.afterStep = [&](int step) {
    if (step == 20) ShowMessageBox("About", MB_ICONINFORMATION);
  };
  m.StartOptimize();
  SetMessageBoxFunction(nullptr);
  EXPECT_EQ(LogFrom("progress 20"), (std::vector<std::string>{"progress 20 pb=10 lbl=10% visible=1",
                                                              "end now", "box waits",
                                                              "optimize returned"}));
  EXPECT_FALSE(m.IsOptimizing());
  PumpMessages(50);
  EXPECT_EQ(mainWindow.Messages(), (std::vector<UINT>{WM_OPTIMIZING, WM_OPTIMIZED}));

  // The real tray menu, closed by a timer once its loop runs.
  TPopupMenu tray(nullptr);
  auto* item = new TMenuItem(&tray);
  item->SetCaption("Exit");
  tray.Items()->Add(item);
  world.log.clear();
  g_menuLog = &world.log;
  world.afterStep = [&](int step) {
    if (step != 20) return;
    SetTimer(nullptr, 0, 100, NoteMenuWaitingAndClose);
    tray.Popup(10, 10);
  };
  m.StartOptimize();
  g_menuLog = nullptr;
  EXPECT_EQ(LogFrom("progress 20"), (std::vector<std::string>{"progress 20 pb=10 lbl=10% visible=1",
                                                              "end now", "menu waits",
                                                              "optimize returned"}));
  // Outside a run a box ends nothing.
  world.log.clear();
  SetMessageBoxFunction([](HWND, const std::string&, const std::string&, UINT) { return IDOK; });
  ShowMessageBox("About", MB_ICONINFORMATION);
  SetMessageBoxFunction(nullptr);
  EXPECT_TRUE(world.log.empty());
}

TEST_F(MonitorTest, Optimize_HidingDuringARunTellsTheMainFormAgain) {
  TFrmMemtide& m = Create();
  m.ShowMonitor(0);
  world.afterStep = [&](int step) {
    if (step == 50) m.HideMonitor();
  };
  m.StartOptimize();
  PumpMessages(50);
  EXPECT_EQ(mainWindow.Messages(),
            (std::vector<UINT>{WM_OPTIMIZING, WM_OPTIMIZING, WM_OPTIMIZED}));
  mainWindow.received.clear();
  m.HideMonitor();  // no run: nothing to say
  PumpMessages(20);
  EXPECT_TRUE(mainWindow.received.empty());
}

// --- showing, hiding, placing

TEST_F(MonitorTest, ShowMonitor_ShowsTopmostWithoutActivatingAndArmsAutoHide) {
  TFrmMemtide& m = Create();
  HWND before = GetForegroundWindow();
  m.ShowMonitor(1000);
  EXPECT_TRUE(IsWindowVisible(m.Handle()));
  EXPECT_TRUE(GetWindowLongA(m.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(m.Tag(), 1);
  EXPECT_FALSE(m.Visible());  // the property is not used for showing
  EXPECT_TRUE(m.Timer2->Enabled());
  EXPECT_EQ(m.Timer2->Interval(), 1000u);
  EXPECT_NE(GetActiveWindow(), m.Handle());
  EXPECT_EQ(GetForegroundWindow(), before);

  m.ShowMonitor(300);  // already shown: nothing changes
  EXPECT_EQ(m.Timer2->Interval(), 1000u);

  m.HideMonitor();
  EXPECT_FALSE(IsWindowVisible(m.Handle()));
  EXPECT_EQ(m.Tag(), 0);
  EXPECT_FALSE(m.Timer2->Enabled());

  m.ShowMonitor(0);  // shown without auto-hide
  EXPECT_EQ(m.Tag(), 1);
  EXPECT_FALSE(m.Timer2->Enabled());
}

TEST_F(MonitorTest, PlaceAtTaskbar_PutsTheWindowInTheCornerBesideEachEdge) {
  TFrmMemtide& m = Create();
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  struct Case { int edge, size, left, top; };
  for (const Case& c :
       {Case{tbBottom, 30, sw - 257, sh - 30 - 268}, Case{tbLeft, 60, 60, sh - 268},
        Case{tbTop, 25, sw - 257, 25}, Case{tbRight, 80, sw - 257 - 80, sh - 268}}) {
    SCOPED_TRACE(c.edge);
    m.HideMonitor();
    m.PlaceAtTaskbar(c.edge, c.size);
    EXPECT_EQ(m.Left(), c.left);
    EXPECT_EQ(m.Top(), c.top);
    RECT r{};
    GetWindowRect(m.Handle(), &r);
    EXPECT_EQ(r.left, c.left);
    EXPECT_EQ(r.top, c.top);
    EXPECT_EQ(r.right - r.left, 257);
    EXPECT_EQ(r.bottom - r.top, 268);
    EXPECT_EQ(m.Tag(), 1);
    EXPECT_TRUE(IsWindowVisible(m.Handle()));
    EXPECT_EQ(m.Timer2->Interval(), 1000u);
  }
  m.PlaceAtTaskbar(7, 30);  // unknown edge: stays put, still shown
  EXPECT_EQ(m.Left(), sw - 257 - 80);
  EXPECT_EQ(m.Top(), sh - 268);
}

TEST_F(MonitorTest, SetTrayHotRect_IsTheSquareAroundTheMouse) {
  TFrmMemtide& m = Create();
  m.SetTrayHotRect(1000, 760);
  RECT r = m.TrayHotRect();
  EXPECT_EQ(r.left, 992);
  EXPECT_EQ(r.top, 752);
  EXPECT_EQ(r.right, 1008);
  EXPECT_EQ(r.bottom, 768);
}

// Auto-hide reads the real cursor, moved here with SetCursorPos.
class AutoHideTest : public MonitorTest {
 protected:
  // Wine moves the X pointer asynchronously, and pointer events of an earlier move may still
  // be queued: settle until the position reads back and stays put across a pump.
  bool MoveCursor(int x, int y) {
    auto at = [&] {
      POINT p{};
      GetCursorPos(&p);
      return p.x == x && p.y == y;
    };
    for (int attempt = 0; attempt < 20; ++attempt) {
      SetCursorPos(x, y);
      PumpMessages(50);
      if (at()) {
        PumpMessages(50);
        if (at()) return true;
      }
    }
    return false;
  }
};

TEST_F(AutoHideTest, HidesOnlyWhenTheCursorIsAwayAndTheWindowIsNotPinned) {
  world.realCursor = true;
  TFrmMemtide& m = Create();
  m.SetBounds(500, 300, 257, 268);
  m.SetTrayHotRect(100, 700);
  m.ShowMonitor(1000);
  if (!MoveCursor(100, 700)) GTEST_SKIP() << "the cursor cannot be moved on this desktop";

  m.Timer2->Timer();  // cursor in the hot square, outside the window
  EXPECT_EQ(m.Tag(), 1);
  ASSERT_TRUE(MoveCursor(600, 400));  // over the window
  m.Timer2->Timer();
  EXPECT_EQ(m.Tag(), 1);

  ASSERT_TRUE(MoveCursor(20, 20));  // away, pinned
  m.btn_closeMouseDown(m.btn_close, mbLeft, ssLeft, 3, 3);
  m.Timer2->Timer();
  EXPECT_EQ(m.Tag(), 1);
  EXPECT_TRUE(IsWindowVisible(m.Handle()));

  m.btn_closeMouseDown(m.btn_close, mbLeft, ssLeft, 3, 3);  // unpinned
  m.Timer2->Timer();
  EXPECT_EQ(m.Tag(), 0);
  EXPECT_FALSE(IsWindowVisible(m.Handle()));
}

TEST_F(AutoHideTest, TheAutoHideTimerFiresByItself) {
  world.realCursor = true;
  TFrmMemtide& m = Create();
  m.SetBounds(500, 300, 257, 268);
  if (!MoveCursor(20, 20)) GTEST_SKIP() << "the cursor cannot be moved on this desktop";
  m.ShowMonitor(100);
  EXPECT_TRUE(PumpUntil([&] { return m.Tag() == 0; }, 3000));
  EXPECT_FALSE(IsWindowVisible(m.Handle()));
}

// --- mouse

TEST_F(MonitorTest, PinButton_TogglesWithAnyButtonAndSwapsThePicture) {
  TFrmMemtide& m = Create();
  m.btn_closeMouseDown(m.btn_close, mbRight, ssRight, 2, 2);
  EXPECT_TRUE(m.Pinned());
  EXPECT_EQ(m.btn_close->NormalSource(), "C:\\pins\\p2.png");
  EXPECT_EQ(m.btn_close->MouseOverSource(), "C:\\pins\\p2.png");
  m.btn_closeMouseDown(m.btn_close, mbLeft, ssLeft, 2, 2);
  EXPECT_FALSE(m.Pinned());
  EXPECT_EQ(m.btn_close->NormalSource(), "C:\\pins\\p1.png");
  m.btn_close->MouseDown(mbMiddle, ssMiddle, 2, 2);  // through the control's own event
  EXPECT_TRUE(m.Pinned());
}

TEST_F(MonitorTest, Drag_TheGrabbedPointFollowsTheMouse) {
  TFrmMemtide& m = Create();
  m.SetBounds(300, 200, 257, 268);
  m.pcDockPanel1MouseDown(m.pcDockPanel1, mbLeft, ssLeft, 10, 5);
  m.pcDockPanel1MouseMove(m.pcDockPanel1, ssLeft, 30, 25);
  EXPECT_EQ(m.Left(), 320);
  EXPECT_EQ(m.Top(), 220);
  m.pcDockPanel1MouseMove(m.pcDockPanel1, 0, 90, 90);  // no button held: no move
  EXPECT_EQ(m.Left(), 320);
  // The title label and the result label drag too, through their own events.
  m.lbl_ramplus->MouseDown(mbLeft, ssLeft, 4, 4);
  m.lbl_ramplus->MouseMove(ssLeft, 1, 2);
  EXPECT_EQ(m.Left(), 317);
  EXPECT_EQ(m.Top(), 218);
  RECT r{};
  GetWindowRect(m.Handle(), &r);
  EXPECT_EQ(r.left, 317);
  EXPECT_EQ(r.top, 218);
  EXPECT_TRUE(menu.popups.empty());
}

TEST_F(MonitorTest, TitleMenu_RightPressOnTheTitleLabelOrDoubleClickOpensTheTrayMenu) {
  world.cursor = POINT{640, 480};
  TFrmMemtide& m = Create();
  m.pcDockPanel1MouseDown(m.pcDockPanel1, mbRight, ssRight, 5, 5);
  m.pcDockPanel1MouseDown(m.lbl_ramplus, mbRight, ssRight, 5, 5);
  EXPECT_TRUE(menu.popups.empty());
  m.pcDockPanel1MouseDown(m.lbl_title, mbLeft, ssLeft, 5, 5);
  EXPECT_TRUE(menu.popups.empty());
  m.lbl_title->MouseDown(mbRight, ssRight, 5, 5);
  ASSERT_EQ(menu.popups.size(), 1u);
  EXPECT_EQ(menu.popups[0].x, 640);
  EXPECT_EQ(menu.popups[0].y, 480);
  m.lbl_titleDblClick(m.lbl_title);
  EXPECT_EQ(menu.popups.size(), 2u);
}

TEST_F(MonitorTest, OptionsLink_AsksTheHostForTheDialog) {
  TFrmMemtide* seen = nullptr;
  host.ShowOptions = [&](TFrmMemtide& mon) { seen = &mon; };
  TFrmMemtide& m = Create();
  m.lbl_optionsClick(m.lbl_options);
  EXPECT_EQ(seen, &m);
}

// --- settings and language

TEST_F(MonitorTest, ApplyOptions_CopiesTheTenChartColours) {
  TFrmMemtide& m = Create();
  options->CPUStartBackColor = 0x000001;
  options->CPUEndBackColor = 0x000002;
  options->CPUGridColor = 0x000003;
  options->CPUHighCPUColor = 0x000004;
  options->CPULowCPUColor = 0x000005;
  options->RAMStartBackColor = 0x000006;
  options->RAMEndBackColor = 0x000007;
  options->RAMGridColor = 0x000008;
  options->RAMHighRAMColor = 0x000009;
  options->RAMLowRAMColor = 0x00000A;
  m.ApplyOptions(options.get());
  EXPECT_EQ(m.cpuLine->BackColor1(), 1u);
  EXPECT_EQ(m.cpuLine->BackColor2(), 2u);
  EXPECT_EQ(m.cpuLine->GridColor(), 3u);
  EXPECT_EQ(m.cpuLine->Line1Color1(), 4u);
  EXPECT_EQ(m.cpuLine->Line1Color2(), 5u);
  EXPECT_EQ(m.ramLine->BackColor1(), 6u);
  EXPECT_EQ(m.ramLine->BackColor2(), 7u);
  EXPECT_EQ(m.ramLine->GridColor(), 8u);
  EXPECT_EQ(m.ramLine->Line1Color1(), 9u);
  EXPECT_EQ(m.ramLine->Line1Color2(), 10u);
  m.ApplyOptions(nullptr);
  EXPECT_EQ(m.ramLine->Line1Color2(), 10u);
}

TEST_F(MonitorTest, ApplyLanguage_ReadsEveryLabelFromTheFormsSection) {
  temp.Write("Deutsch.lng",
             "[FrmMemtide]\nlbl_title=Speicher\nlbl_optimize=Jetzt optimieren\n"
             "lbl_options=Optionen\nlbl_pb=-\nlbl_ramplus=neu\n[Language]\nlbl_cpu=nein\n");
  language.LoadFromFile(temp.File("Deutsch.lng"));
  TFrmMemtide& m = Create();
  m.ApplyLanguage(&language);
  EXPECT_EQ(m.lbl_title->Caption(), "Speicher");
  EXPECT_EQ(m.lbl_optimize->Caption(), "Jetzt optimieren");
  EXPECT_EQ(m.lbl_options->Caption(), "Optionen");
  EXPECT_EQ(m.lbl_pb->Caption(), "-");
  EXPECT_EQ(m.lbl_ramplus->Caption(), "neu");
  EXPECT_EQ(m.lbl_cpu->Caption(), "CPU");  // other sections do not count
  EXPECT_EQ(m.lbl_ram->Caption(), "RAM");
  m.ApplyLanguage(nullptr);
  EXPECT_EQ(m.lbl_title->Caption(), "Speicher");
}

// --- the pin pictures shipped beside the program

TEST(PinPictures, AreSmallDifferentAndTransparentAroundThePin) {
  std::string folder = testsupport::ExeFolder();
  std::wstring names[] = {L"p1.png", L"p2.png"};
  std::vector<std::vector<Gdiplus::ARGB>> pixels;
  for (const std::wstring& name : names) {
    std::wstring path(folder.begin(), folder.end());
    path += name;
    Gdiplus::Bitmap bmp(path.c_str());
    ASSERT_EQ(bmp.GetLastStatus(), Gdiplus::Ok) << "missing beside the program";
    ASSERT_LE(bmp.GetWidth(), 17u);
    ASSERT_LE(bmp.GetHeight(), 17u);
    std::vector<Gdiplus::ARGB> px;
    int opaque = 0;
    for (UINT y = 0; y < bmp.GetHeight(); ++y) {
      for (UINT x = 0; x < bmp.GetWidth(); ++x) {
        Gdiplus::Color c;
        bmp.GetPixel(static_cast<INT>(x), static_cast<INT>(y), &c);
        px.push_back(c.GetValue());
        if (c.GetA() > 200) ++opaque;
      }
    }
    Gdiplus::Color corner;
    bmp.GetPixel(0, 0, &corner);
    EXPECT_EQ(corner.GetA(), 0);
    bmp.GetPixel(static_cast<INT>(bmp.GetWidth()) - 1, static_cast<INT>(bmp.GetHeight()) - 1,
                 &corner);
    EXPECT_EQ(corner.GetA(), 0);
    EXPECT_GT(opaque, 30);  // a visible pin, not an empty picture
    pixels.push_back(px);
  }
  EXPECT_NE(pixels[0], pixels[1]);
}

}  // namespace
namespace {

bool GdiPlusHasTahoma() {
  Gdiplus::FontFamily family(L"Tahoma");
  return family.GetLastStatus() == Gdiplus::Ok;
}

// Dark pixels of the screen inside a control of the shown window.
int DarkPixelsOnScreen(const TFrmMemtide& m, const TControl* c) {
  ScopedGetDC dc(nullptr);
  int dark = 0;
  for (int y = 0; y < c->Height(); ++y) {
    for (int x = 0; x < c->Width(); ++x) {
      COLORREF px = GetPixel(dc.get(), m.Left() + c->Left() + x, m.Top() + c->Top() + y);
      if (GetRValue(px) + GetGValue(px) + GetBValue(px) < 450) ++dark;
    }
  }
  return dark;
}

TEST_F(MonitorTest, Paint_EveryLabelShowsItsTextOnScreen) {
  if (!GdiPlusHasTahoma()) GTEST_SKIP() << "GDI+ finds no Tahoma here; the labels draw no text";
  TFrmMemtide& m = Create();
  m.Timer1->SetEnabled(false);
  m.SetBounds(100, 100, 257, 268);
  m.Timer1Timer(m.Timer1);
  m.ShowMonitor(0);
  PumpMessages(200);
  // Fixed-size labels keep their design size once font and caption are set.
  EXPECT_EQ(m.lbl_ramvalue->Width(), 201);
  EXPECT_EQ(m.lbl_options->Width(), 64);
  for (const TPCDockLabel* c : {m.lbl_cpu, m.lbl_title, m.lbl_ram, m.lbl_cpuvalue,
                                m.lbl_ramvalue, m.lbl_optimize, m.lbl_options}) {
    EXPECT_GT(DarkPixelsOnScreen(m, c), 15) << c->Name();
  }
}

}  // namespace
