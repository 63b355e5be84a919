#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ShellTestUtil.h"
#include "shell/TrayIcon.h"
#include "support/TestSupport.h"
#include "ui/Actions.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Menus.h"
#include "ui/Timer.h"

using tray::Action;
using tray::Step;

// ---- The mouse-message table ----

namespace {
std::vector<Action> Steps(std::initializer_list<UINT> msgs, tray::MouseContext c, bool& leftDown) {
  std::vector<Action> all;
  for (UINT m : msgs) {
    auto steps = tray::MouseSteps(m, c, leftDown);
    all.insert(all.end(), steps.begin(), steps.end());
  }
  return all;
}
}  // namespace

TEST(TrayMouseTable, DoubleClickClicksOnceThenDblClickThenDefaultItem) {
  bool leftDown = false;
  tray::MouseContext c{true, false, true};
  const auto steps =
      Steps({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}, c, leftDown);
  const std::vector<Action> expected = {
      {Step::MouseDown, mbLeft}, {Step::Click, mbLeft},    {Step::MouseUp, mbLeft},
      {Step::DblClick, mbLeft},  {Step::ClickDefaultItem, mbLeft}, {Step::MouseUp, mbLeft}};
  EXPECT_EQ(steps, expected);
  EXPECT_FALSE(leftDown);
}

TEST(TrayMouseTable, DefaultItemNeedsAnAutoPopupMenuAndNoLeftPopup) {
  bool leftDown = false;
  EXPECT_EQ(tray::MouseSteps(WM_LBUTTONDBLCLK, {true, false, false}, leftDown),
            (std::vector<Action>{{Step::DblClick, mbLeft}}));
  EXPECT_EQ(tray::MouseSteps(WM_LBUTTONDBLCLK, {true, true, true}, leftDown),
            (std::vector<Action>{{Step::DblClick, mbLeft}}));
}

TEST(TrayMouseTable, ButtonsAndPopups) {
  bool leftDown = false;
  tray::MouseContext c{true, false, true};
  EXPECT_EQ(tray::MouseSteps(WM_RBUTTONDOWN, c, leftDown),
            (std::vector<Action>{{Step::MouseDown, mbRight}, {Step::Popup, mbRight}}));
  EXPECT_EQ(tray::MouseSteps(WM_RBUTTONUP, c, leftDown),
            (std::vector<Action>{{Step::MouseUp, mbRight}}));
  EXPECT_EQ(tray::MouseSteps(WM_MBUTTONDOWN, c, leftDown),
            (std::vector<Action>{{Step::MouseDown, mbMiddle}}));
  EXPECT_EQ(tray::MouseSteps(WM_MBUTTONUP, c, leftDown),
            (std::vector<Action>{{Step::MouseUp, mbMiddle}}));
  EXPECT_EQ(tray::MouseSteps(WM_MOUSEMOVE, c, leftDown),
            (std::vector<Action>{{Step::MouseMove, mbLeft}}));
  EXPECT_TRUE(tray::MouseSteps(WM_RBUTTONDBLCLK, c, leftDown).empty());
  c.leftPopup = true;
  EXPECT_EQ(tray::MouseSteps(WM_LBUTTONDOWN, c, leftDown),
            (std::vector<Action>{{Step::MouseDown, mbLeft}, {Step::Popup, mbLeft}}));
  EXPECT_TRUE(leftDown);
}

TEST(TrayMouseTable, UpWithoutDownIsNoClick) {
  bool leftDown = false;
  EXPECT_EQ(tray::MouseSteps(WM_LBUTTONUP, {true, false, false}, leftDown),
            (std::vector<Action>{{Step::MouseUp, mbLeft}}));
}

TEST(TrayMouseTable, DisabledDoesNothingAndKeepsTheMark) {
  bool leftDown = false;
  tray::MouseContext off{false, true, true};
  for (UINT m : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
                 WM_RBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP})
    EXPECT_TRUE(tray::MouseSteps(m, off, leftDown).empty()) << m;
  EXPECT_FALSE(leftDown);
}

// ---- Small pure pieces ----

TEST(TrayText, CutToFieldSizeWithoutSplittingDoubleByteCharacters) {
  const std::string hint(200, 'h');
  EXPECT_EQ(tray::CutText(hint, 127), std::string(127, 'h'));
  EXPECT_EQ(tray::CutText("short", 127), "short");
  auto lead = [](unsigned char c) { return c == 0x82; };
  std::string dbcs(126, 'a');
  dbcs += "\x82\xA0tail";
  EXPECT_EQ(tray::CutText(dbcs, 127, lead), std::string(126, 'a'));  // pair would not fit
  EXPECT_EQ(tray::CutText(dbcs, 128, lead).size(), 128u);

  char tip[128];
  tray::SetField(tip, hint);
  EXPECT_EQ(std::string(tip), std::string(127, 'h'));
}

TEST(TrayValues, BalloonFlagsCycleAndIndex) {
  EXPECT_EQ(tray::BalloonFlags(biNone), static_cast<DWORD>(NIIF_NONE));
  EXPECT_EQ(tray::BalloonFlags(biInfo), static_cast<DWORD>(NIIF_INFO));
  EXPECT_EQ(tray::BalloonFlags(biWarning), static_cast<DWORD>(NIIF_WARNING));
  EXPECT_EQ(tray::BalloonFlags(biError), static_cast<DWORD>(NIIF_ERROR));
  EXPECT_EQ(tray::NextCycleIndex(0, 3), 1);
  EXPECT_EQ(tray::NextCycleIndex(2, 3), 0);
  EXPECT_EQ(tray::NextCycleIndex(0, 1), 0);
  EXPECT_EQ(tray::ClampIconIndex(7, 3), 2);
  EXPECT_EQ(tray::ClampIconIndex(-1, 3), 0);
  EXPECT_EQ(tray::ClampIconIndex(5, 0), 0);
  EXPECT_EQ(tray::ShiftFromKeyStates(SHORT(0x8000), 0, 1), static_cast<TShiftState>(ssShift));
  EXPECT_EQ(tray::ShiftFromKeyStates(0, SHORT(0x8001), SHORT(0x8000)),
            static_cast<TShiftState>(ssAlt | ssCtrl));
}

// ---- The component, with the shell call recorded ----

namespace {

struct Sent {
  DWORD message;
  NOTIFYICONDATAA data;
};

struct TrayFixture : testing::Test {
  TForm* form = new TForm(nullptr);
  TTrayIcon* icon = nullptr;
  std::vector<Sent> sent;
  std::vector<std::string> events;

  void SetUp() override {
    icon = new TTrayIcon(form);
    icon->SetShellNotify([this](DWORD m, NOTIFYICONDATAA* d) {
      sent.push_back({m, *d});
      return TRUE;
    });
    icon->OnClick = [this](TObject*) { events.push_back("click"); };
    icon->OnDblClick = [this](TObject*) { events.push_back("dblclick"); };
    icon->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState s, int x, int y) {
      events.push_back("down" + std::to_string(b) + " " + std::to_string(s & (ssLeft | ssRight | ssMiddle)) +
                       " " + std::to_string(x) + "," + std::to_string(y));
    };
    icon->OnMouseUp = [this](TObject*, TMouseButton b, TShiftState, int, int) {
      events.push_back("up" + std::to_string(b));
    };
    icon->OnMouseMove = [this](TObject*, TShiftState, int x, int y) {
      events.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    };
  }
  void TearDown() override { delete form; }

  void Mouse(UINT msg) { SendMessageA(icon->Handle(), tray::kCallbackMessage, tray::kIconId, msg); }
};

}  // namespace

TEST_F(TrayFixture, FixedNotifyDataAndIconAddedWhenLoadingEnds) {
  const NOTIFYICONDATAA& d = icon->IconData();
  EXPECT_EQ(d.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V2_SIZE));
  if (sizeof(void*) == 4) {
    EXPECT_EQ(d.cbSize, 488u);
  }
  EXPECT_EQ(d.hWnd, icon->Handle());
  EXPECT_EQ(d.uID, 1u);
  EXPECT_EQ(d.uCallbackMessage, 0x800u);
  EXPECT_EQ(d.uFlags, 7u);
  sent.clear();
  icon->SetIcon(LoadIconA(nullptr, IDI_APPLICATION));
  form->BeginLoading();
  form->EndLoading();
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent.back().message, static_cast<DWORD>(NIM_ADD));
  EXPECT_NE(sent.back().data.hIcon, nullptr);
  EXPECT_NE(sent.back().data.hIcon, LoadIconA(nullptr, IDI_APPLICATION));  // a copy
}

TEST_F(TrayFixture, HintIsCutTo127AndHiddenWithoutShowHint) {
  icon->SetHint(std::string(200, 'x'));
  EXPECT_EQ(sent.back().message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(std::string(sent.back().data.szTip), std::string(127, 'x'));
  icon->SetShowHint(false);
  EXPECT_EQ(std::string(sent.back().data.szTip), "");
}

TEST_F(TrayFixture, BalloonClearsTheOldOneThenShowsCutTexts) {
  sent.clear();
  EXPECT_TRUE(icon->ShowBalloon(std::string(80, 't'), std::string(300, 'b'), biInfo, 60));
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(sent[0].data.uFlags, 7u | NIF_INFO);
  EXPECT_EQ(sent[0].data.szInfo[0], '\0');
  EXPECT_EQ(sent[1].data.uFlags, 7u | NIF_INFO);
  EXPECT_EQ(std::string(sent[1].data.szInfo), std::string(255, 'b'));
  EXPECT_EQ(std::string(sent[1].data.szInfoTitle), std::string(63, 't'));
  EXPECT_EQ(sent[1].data.uTimeout, 60000u);
  EXPECT_EQ(sent[1].data.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
  EXPECT_EQ(icon->IconData().uFlags, 7u);
  icon->SetShellNotify([](DWORD, NOTIFYICONDATAA*) { return FALSE; });
  EXPECT_FALSE(icon->ShowBalloon("Memtide", "x", biInfo, 10));
}

TEST_F(TrayFixture, DisabledIconShowsNoBalloonAndRaisesNoEvents) {
  icon->SetEnabled(false);
  sent.clear();
  EXPECT_TRUE(icon->ShowBalloon("Memtide", "Optimizing...", biInfo, 60));
  EXPECT_TRUE(sent.empty());
  for (UINT m : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN})
    Mouse(m);
  EXPECT_TRUE(events.empty());
}

TEST_F(TrayFixture, PostedCallbackMessagesBecomeEventsAtTheCursor) {
  // Each event carries the cursor's screen position at the time the message is handled
  // (a real pointer elsewhere on the X display may move it meanwhile, so read it there).
  std::vector<std::string> where;
  auto cursor = [&](int x, int y) {
    POINT pt;
    GetCursorPos(&pt);
    where.push_back(std::to_string(x - pt.x) + "," + std::to_string(y - pt.y));
  };
  icon->OnMouseMove = [&](TObject*, TShiftState, int x, int y) {
    events.push_back("move");
    cursor(x, y);
  };
  icon->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState s, int x, int y) {
    events.push_back("down" + std::to_string(b) + " " + std::to_string(s & (ssLeft | ssRight | ssMiddle)));
    cursor(x, y);
  };
  SetCursorPos(321, 123);
  for (UINT m : {WM_MOUSEMOVE, WM_MBUTTONDOWN, WM_MBUTTONUP})
    PostMessageA(icon->Handle(), tray::kCallbackMessage, tray::kIconId, m);
  testsupport::PumpMessages(50);
  EXPECT_EQ(events, (std::vector<std::string>{"move", "down2 32", "up2"}));
  EXPECT_EQ(where, (std::vector<std::string>{"0,0", "0,0"}));
}

TEST_F(TrayFixture, DoubleClickRunsTheDefaultItemOnce) {
  auto* menu = new TPopupMenu(form);
  auto* act = new TAction(form);
  int runs = 0;
  act->OnExecute = [&](TObject*) {
    events.push_back("optimize");
    ++runs;
  };
  auto* plain = new TMenuItem(form);
  plain->SetCaption("Other");
  plain->OnClick = [&](TObject*) { events.push_back("other"); };
  menu->Items()->Add(plain);
  auto* item = new TMenuItem(form);
  item->SetAction(act);
  item->SetDefault(true);
  menu->Items()->Add(item);
  icon->SetPopupMenu(menu);
  for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) Mouse(m);
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events[1], "click");
  EXPECT_EQ(events[2], "up0");
  EXPECT_EQ(events[3], "dblclick");
  EXPECT_EQ(events[4], "optimize");
  EXPECT_EQ(events[5], "up0");
  EXPECT_EQ(runs, 1);
  // A menu freed elsewhere is forgotten, so a later double click is harmless.
  delete menu;
  EXPECT_EQ(icon->PopupMenu(), nullptr);
  Mouse(WM_LBUTTONDBLCLK);
}

// The default item is judged as the open menu would show it: its OnPopup runs first.
TEST_F(TrayFixture, DoubleClickSeesTheDefaultItemAsTheMenuWouldShowIt) {
  auto* menu = new TPopupMenu(form);
  auto* act = new TAction(form);
  int runs = 0;
  act->OnExecute = [&](TObject*) { ++runs; };
  act->SetEnabled(false);  // as the last opening of the menu left it
  auto* item = new TMenuItem(form);
  item->SetAction(act);
  item->SetDefault(true);
  menu->Items()->Add(item);
  bool enable = true;
  menu->OnPopup = [&](TObject*) { act->SetEnabled(enable); };
  icon->SetPopupMenu(menu);
  Mouse(WM_LBUTTONDBLCLK);
  EXPECT_EQ(runs, 1);
  enable = false;
  Mouse(WM_LBUTTONDBLCLK);
  EXPECT_EQ(runs, 1);
}

namespace {
std::vector<UINT>* g_ownerMessages = nullptr;
void CALLBACK CloseMenuSoon(HWND wnd, UINT, UINT_PTR id, DWORD) {
  KillTimer(wnd, id);
  EndMenu();
}
}  // namespace

TEST_F(TrayFixture, RightClickOpensMenuThenPostsNullToTheOwner) {
  auto* menu = new TPopupMenu(form);
  auto* item = new TMenuItem(form);
  item->SetCaption("Exit");
  menu->Items()->Add(item);
  icon->SetPopupMenu(menu);
  std::vector<UINT> ownerMessages;
  g_ownerMessages = &ownerMessages;
  TComponent* popupFrom = nullptr;
  bool menuOpen = false;
  menu->OnPopup = [&](TObject*) {
    popupFrom = menu->PopupComponent();
    menuOpen = true;
  };
  {
    TWindowHook watch(form->Handle(), [&](UINT m, WPARAM, LPARAM) {
      if (m == WM_NULL) ownerMessages.push_back(m);
    });
    const UINT_PTR t = SetTimer(nullptr, 0, 300, CloseMenuSoon);
    Mouse(WM_RBUTTONDOWN);
    KillTimer(nullptr, t);
    EXPECT_TRUE(menuOpen);
    EXPECT_EQ(popupFrom, icon);
    EXPECT_TRUE(ownerMessages.empty());  // posted, not yet handled
    testsupport::PumpMessages(50);
    EXPECT_EQ(ownerMessages.size(), 1u);
  }
  g_ownerMessages = nullptr;
  // AutoPopup off: no menu at all.
  menuOpen = false;
  menu->SetAutoPopup(false);
  Mouse(WM_RBUTTONDOWN);
  EXPECT_FALSE(menuOpen);
}

TEST_F(TrayFixture, ClicksQueuedForARemovedIconAreIgnored) {
  int clicks = 0;
  icon->OnClick = [&](TObject*) { ++clicks; };
  icon->OnDblClick = [&](TObject*) { ++clicks; };
  icon->SetIconVisible(false);
  Mouse(WM_LBUTTONDOWN);
  Mouse(WM_LBUTTONUP);
  Mouse(WM_LBUTTONDBLCLK);
  EXPECT_EQ(clicks, 0);
  icon->SetIconVisible(true);
  Mouse(WM_LBUTTONDBLCLK);
  EXPECT_EQ(clicks, 1);
}

TEST_F(TrayFixture, TaskbarCreatedAddsTheIconAgainOnlyWhileVisible) {
  sent.clear();
  SendMessageA(Application()->Handle(), TTrayIcon::TaskbarCreatedMessage(), 0, 0);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].message, static_cast<DWORD>(NIM_ADD));
  icon->SetIconVisible(false);
  EXPECT_EQ(sent.back().message, static_cast<DWORD>(NIM_DELETE));
  sent.clear();
  SendMessageA(Application()->Handle(), TTrayIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_TRUE(sent.empty());
}

// ---- A shell that is not ready, or loses the icon ----

namespace {

// Plays the shell as Windows documents it: NIM_ADD of an icon the shell already shows fails,
// NIM_MODIFY of an icon it does not show fails, and while the notification area does not
// exist yet (at sign-in, before Explorer is up) every call fails.
struct FakeShell {
  bool ready = true;       // false: the notification area does not exist yet
  int refuseCalls = 0;     // calls refused although it exists (a busy shell timing out)
  bool shown = false;
  int added = 0;           // adds accepted
  int addsWhileShown = 0;  // adds sent while the icon was there
  std::string tip;

  tray::ShellNotify Notify() {
    return [this](DWORD m, NOTIFYICONDATAA* d) -> BOOL {
      if (m == NIM_ADD && shown) ++addsWhileShown;
      if (!ready) return FALSE;
      if (refuseCalls > 0) {
        --refuseCalls;
        return FALSE;
      }
      switch (m) {
        case NIM_ADD:
          if (shown) return FALSE;
          shown = true;
          ++added;
          break;
        case NIM_MODIFY:
          if (!shown) return FALSE;
          break;
        case NIM_DELETE:
          if (!shown) return FALSE;
          shown = false;
          return TRUE;
        default:
          return FALSE;
      }
      tip = d->szTip;
      return TRUE;
    };
  }
};

// Puts the fake shell behind the icon for the scope; the icon outlives the test body.
class UsingShell {
 public:
  UsingShell(TTrayIcon* icon, FakeShell& shell) : icon_(icon) { icon->SetShellNotify(shell.Notify()); }
  ~UsingShell() { icon_->SetShellNotify([](DWORD, NOTIFYICONDATAA*) { return TRUE; }); }
  UsingShell(const UsingShell&) = delete;
  UsingShell& operator=(const UsingShell&) = delete;

 private:
  TTrayIcon* icon_;
};

TTimer* AddRetryTimer(TTrayIcon* icon) {
  return dynamic_cast<TTimer*>(icon->FindComponent("AddRetryTimer"));
}

}  // namespace

// Memtide started with Windows: the first adds fail, and "TaskbarCreated" may have been sent
// before Memtide's window existed. The add is tried again on a timer until the icon is there.
TEST_F(TrayFixture, ShellNotReadyAtSignInTheAddIsRetriedUntilTheIconArrives) {
  FakeShell shell;
  shell.ready = false;
  UsingShell using_(icon, shell);
  auto* menu = new TPopupMenu(form);
  auto* item = new TMenuItem(form);
  int runs = 0;
  item->OnClick = [&](TObject*) { ++runs; };
  item->SetDefault(true);
  menu->Items()->Add(item);
  icon->SetPopupMenu(menu);
  form->BeginLoading();
  form->EndLoading();
  icon->SetHint("Memtide");
  EXPECT_FALSE(shell.shown);
  TTimer* retry = AddRetryTimer(icon);
  ASSERT_NE(retry, nullptr);
  EXPECT_TRUE(retry->Enabled());
  EXPECT_GE(retry->Interval(), 1000u);  // a few seconds apart
  EXPECT_LE(retry->Interval(), 10000u);
  retry->Timer();
  retry->Timer();
  EXPECT_FALSE(shell.shown);
  EXPECT_TRUE(retry->Enabled());
  shell.ready = true;  // the next try is the system's own timer's
  EXPECT_TRUE(testsupport::PumpUntil([&] { return shell.shown; }, 30000));
  EXPECT_FALSE(retry->Enabled());
  EXPECT_EQ(shell.tip, "Memtide");
  retry->Timer();  // a tick still queued changes nothing
  icon->SetHint("Memtide 2");
  EXPECT_EQ(shell.tip, "Memtide 2");
  Mouse(WM_LBUTTONDBLCLK);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(shell.added, 1);
  EXPECT_EQ(shell.addsWhileShown, 0);
}

TEST_F(TrayFixture, RetriesEndAfterABoundedTimeThenTaskbarCreatedBringsTheIcon) {
  FakeShell shell;
  shell.ready = false;
  UsingShell using_(icon, shell);
  icon->SetIconVisible(true);
  TTimer* retry = AddRetryTimer(icon);
  ASSERT_NE(retry, nullptr);
  int ticks = 0;
  while (retry->Enabled() && ticks < 10000) {
    retry->Timer();
    ++ticks;
  }
  EXPECT_FALSE(retry->Enabled());
  EXPECT_GE(static_cast<unsigned>(ticks) * retry->Interval(), 60000u);   // a minute at least
  EXPECT_LE(static_cast<unsigned>(ticks) * retry->Interval(), 900000u);  // not for ever
  shell.ready = true;
  SendMessageA(Application()->Handle(), TTrayIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_TRUE(shell.shown);
  EXPECT_EQ(shell.added, 1);
}

// Windows: when Explorer ends, its icons go with it, and a NIM_MODIFY fails until the icon
// is added again. When Explorer is merely busy, a call can time out and fail although the
// icon is shown; adding it then fails too, and a later modify finds it.
TEST_F(TrayFixture, AModifyThatFindsTheIconLostAddsItAgainAndNeverTwice) {
  FakeShell shell;
  UsingShell using_(icon, shell);
  icon->SetIconVisible(true);
  ASSERT_TRUE(shell.shown);
  TTimer* retry = AddRetryTimer(icon);
  ASSERT_NE(retry, nullptr);

  shell.shown = false;  // Explorer ended; no "TaskbarCreated" reaches us
  EXPECT_TRUE(icon->ShowBalloon("Memtide", "Optimizing...", biInfo, 60));
  EXPECT_TRUE(shell.shown);
  EXPECT_EQ(shell.added, 2);
  EXPECT_FALSE(retry->Enabled());

  shell.refuseCalls = 2;  // busy: the modify and the add time out
  icon->SetHint("busy");
  EXPECT_TRUE(retry->Enabled());
  retry->Timer();
  EXPECT_FALSE(retry->Enabled());
  EXPECT_EQ(shell.tip, "busy");
  EXPECT_EQ(shell.added, 2);

  shell.shown = false;
  shell.ready = false;  // lost, and the shell not back yet
  icon->SetHint("later");
  EXPECT_TRUE(retry->Enabled());
  shell.ready = true;
  retry->Timer();
  EXPECT_TRUE(shell.shown);
  EXPECT_EQ(shell.tip, "later");
  EXPECT_EQ(shell.added, 3);
  EXPECT_EQ(shell.addsWhileShown, 1);  // only the one of the busy shell, which it refused
}

TEST_F(TrayFixture, MinimizeToTrayHidesTheMainForm) {
  TForm* before = Application()->MainForm();
  Application()->SetMainForm(form);
  form->Show();
  SendMessageA(Application()->Handle(), WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_TRUE(IsWindowVisible(form->Handle()));  // not asked to
  icon->SetMinimizeToTray(true);
  SendMessageA(Application()->Handle(), WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  EXPECT_FALSE(IsWindowVisible(Application()->Handle()));
  Application()->SetMainForm(before);
}

TEST_F(TrayFixture, CyclingWalksTheImageList) {
  HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 0);
  for (int i = 0; i < 3; ++i) ImageList_AddIcon(list, LoadIconA(nullptr, IDI_APPLICATION));
  std::vector<int> next;
  icon->OnCycle = [&](TObject*, int n) { next.push_back(n); };
  icon->SetIconList(list);
  icon->SetIconIndex(9);
  EXPECT_EQ(icon->IconIndex(), 2);
  for (int i = 0; i < 3; ++i) icon->CycleTick();
  EXPECT_EQ(next, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(icon->IconIndex(), 2);
  EXPECT_NE(sent.back().data.hIcon, nullptr);
  icon->SetIconList(nullptr);
  icon->SetIconIndex(4);
  EXPECT_EQ(icon->IconIndex(), 0);
  ImageList_Destroy(list);
}

TEST_F(TrayFixture, DestructionRemovesTheIconAndRestoresTheWindowProcedures) {
  const LONG_PTR appProc = GetWindowLongPtrA(Application()->Handle(), GWLP_WNDPROC);
  const LONG_PTR formProc = GetWindowLongPtrA(form->Handle(), GWLP_WNDPROC);
  delete icon;
  icon = nullptr;
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back().message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_NE(GetWindowLongPtrA(Application()->Handle(), GWLP_WNDPROC), appProc);
  EXPECT_NE(GetWindowLongPtrA(form->Handle(), GWLP_WNDPROC), formProc);
}

// ---- The real notification area of the Wine virtual desktop ----
// Wine 8 paints the icons into the taskbar window itself (no window per icon), so the icon
// is found by what changes at the notification area's end of the taskbar.

namespace {

struct ShellTray : testing::Test {
  TForm form{nullptr};
  RECT strip = {};
  std::vector<DWORD> empty;

  void SetUp() override {
    if (!shelltest::VisibleTaskbar()) GTEST_SKIP() << "no taskbar on this desktop";
    strip = shelltest::IconStrip();
    testsupport::PumpMessages(100);
    empty = shelltest::CaptureScreen(strip);
  }
  // Waits until the strip differs from `from` (or equals it, when `equal`).
  bool WaitStrip(const std::vector<DWORD>& from, bool equal) {
    return testsupport::PumpUntil([&] {
      return (shelltest::CaptureScreen(strip) == from) == equal;
    }, 3000);
  }
};

}  // namespace

TEST_F(ShellTray, IconAppearsIsModifiedRemovedAndComesBackAfterTaskbarCreated) {
  auto* icon = new TTrayIcon(&form);
  icon->SetIcon(LoadIconA(nullptr, IDI_APPLICATION));
  icon->SetHint("Memtide");
  EXPECT_FALSE(icon->UpdateTrayIcon());  // not there yet
  form.BeginLoading();
  form.EndLoading();
  ASSERT_TRUE(WaitStrip(empty, false)) << "the icon did not appear";
  testsupport::PumpMessages(200);
  const std::vector<DWORD> shown = shelltest::CaptureScreen(strip);
  const auto cols = shelltest::ChangedColumns(empty, shown, strip);
  EXPECT_GT(cols.second - cols.first, 4);
  EXPECT_LE(cols.second - cols.first, 40);

  icon->SetIcon(LoadIconA(nullptr, IDI_ERROR));
  EXPECT_TRUE(WaitStrip(shown, false)) << "the modified icon was not painted";
  EXPECT_TRUE(icon->ShowBalloon("Memtide", "Optimizing...", biInfo, 60));
  icon->SetIcon(LoadIconA(nullptr, IDI_APPLICATION));
  EXPECT_TRUE(WaitStrip(shown, true));

  // The shell forgets the icon (as when Explorer restarts): the next update puts it back.
  NOTIFYICONDATAA lost = icon->IconData();
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &lost));
  EXPECT_TRUE(WaitStrip(empty, true));
  EXPECT_TRUE(icon->UpdateTrayIcon());
  EXPECT_TRUE(WaitStrip(shown, true)) << "the update did not bring the icon back";
  // Forgotten again, and a new taskbar announced.
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &lost));
  EXPECT_TRUE(WaitStrip(empty, true));
  SendMessageA(Application()->Handle(), TTrayIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_TRUE(WaitStrip(shown, true)) << "the icon did not come back";
  EXPECT_TRUE(icon->UpdateTrayIcon());

  icon->SetIconVisible(false);
  EXPECT_TRUE(WaitStrip(empty, true));
  EXPECT_FALSE(icon->UpdateTrayIcon());
  delete icon;
}

TEST_F(ShellTray, RealClicksOnTheIconRaiseEvents) {
  if (!shelltest::XdotoolAvailable()) GTEST_SKIP() << "xdotool cannot be started from here";
  auto* icon = new TTrayIcon(&form);
  icon->SetIcon(LoadIconA(nullptr, IDI_APPLICATION));
  std::vector<std::string> events;
  icon->OnClick = [&](TObject*) { events.push_back("click"); };
  icon->OnDblClick = [&](TObject*) { events.push_back("dblclick"); };
  POINT moved = {};
  icon->OnMouseMove = [&](TObject*, TShiftState, int x, int y) { moved = {x, y}; };
  icon->SetIconVisible(true);
  ASSERT_TRUE(WaitStrip(empty, false));
  testsupport::PumpMessages(200);
  const auto cols = shelltest::ChangedColumns(empty, shelltest::CaptureScreen(strip), strip);
  const int x = (cols.first + cols.second) / 2, y = (strip.top + strip.bottom) / 2;
  ASSERT_TRUE(shelltest::Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) +
                                 " click 1"));
  EXPECT_TRUE(testsupport::PumpUntil([&] { return !events.empty(); }, 3000));
  EXPECT_EQ(events, (std::vector<std::string>{"click"}));
  EXPECT_EQ(moved.x, x);  // screen coordinates of the cursor
  EXPECT_EQ(moved.y, y);
  events.clear();
  Sleep(GetDoubleClickTime() + 100);  // or the next press completes a double click
  ASSERT_TRUE(shelltest::Xdotool("click --repeat 2 --delay 80 1"));
  EXPECT_TRUE(testsupport::PumpUntil([&] { return events.size() >= 2; }, 3000));
  EXPECT_EQ(events, (std::vector<std::string>{"click", "dblclick"}));
  delete icon;
}
