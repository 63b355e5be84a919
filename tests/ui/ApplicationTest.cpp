// The application object: its window, the subclassing chain on it, the message loop, the
// error display, and timers.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/Form.h"
#include "ui/MessageWindow.h"
#include "ui/Timer.h"
#include "util/ModalLoop.h"
#include "util/QvBaseUnit.h"

namespace {

TEST(Application, HasAHiddenWindowOfItsOwnClassTitledMemtide) {
  HWND wnd = Application()->Handle();
  ASSERT_TRUE(IsWindow(wnd));
  EXPECT_FALSE(IsWindowVisible(wnd));
  char text[32] = {}, cls[64] = {};
  GetWindowTextA(wnd, text, sizeof text);
  GetClassNameA(wnd, cls, sizeof cls);
  EXPECT_STREQ(text, "Memtide");
  EXPECT_STREQ(cls, "MemtideApplication");
  EXPECT_EQ(Application()->Title(), "Memtide");
}

// Two units replace the application window's procedure and undo it in reverse order.
WNDPROC g_prev1 = nullptr, g_prev2 = nullptr;
std::vector<std::string> g_seen;
LRESULT CALLBACK Hook1(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_USER + 77) g_seen.push_back("hook1");
  return CallWindowProcA(g_prev1, w, m, wp, lp);
}
LRESULT CALLBACK Hook2(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_USER + 77) g_seen.push_back("hook2");
  return CallWindowProcA(g_prev2, w, m, wp, lp);
}

TEST(Application, WindowProcedureCanBeReplacedAndRestoredInAChain) {
  HWND wnd = Application()->Handle();
  g_seen.clear();
  g_prev1 = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Hook1)));
  g_prev2 = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Hook2)));
  ASSERT_NE(g_prev1, nullptr);
  SendMessageA(wnd, WM_USER + 77, 0, 0);
  EXPECT_EQ(g_seen, (std::vector<std::string>{"hook2", "hook1"}));
  SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_prev2));
  SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_prev1));
  g_seen.clear();
  SendMessageA(wnd, WM_USER + 77, 0, 0);
  EXPECT_TRUE(g_seen.empty());
  // The original procedure still answers, and WM_CLOSE does not destroy the window.
  EXPECT_EQ(SendMessageA(wnd, WM_GETTEXTLENGTH, 0, 0), 7);
}

TEST(Application, RunEndsWhenTheMainFormClosesAndFreesOwnedForms) {
  TApplication app;  // replaces the shared one for this test
  ASSERT_EQ(Application(), &app);
  auto* form = new TForm(&app);
  app.SetMainForm(form);
  bool closed = false;
  form->OnClose = [&](TObject*, TCloseAction&) { closed = true; };
  PostMessageA(form->Handle(), WM_CLOSE, 0, 0);
  app.Run();  // returns only because the main form closed
  EXPECT_TRUE(closed);
  EXPECT_TRUE(app.Terminated());
  // Nothing of the ending is left queued: a message box shown after Run (a settings write
  // error while the forms are freed) would otherwise close at once.
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST(Application, ClosingTheApplicationWindowEndsTheProgramInsteadOfDestroyingIt) {
  TApplication app;
  SendMessageA(app.Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(app.Handle()));
  EXPECT_TRUE(app.Terminated());
  MSG msg;
  PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TEST(Application, ProcessMessagesHandlesWhatIsPendingAndReturns) {
  int handled = 0;
  TMessageWindow win([&](UINT m, WPARAM, LPARAM, LRESULT& r) {
    if (m != WM_USER + 5) return false;
    ++handled;
    r = 0;
    return true;
  });
  for (int i = 0; i < 3; ++i) PostMessageA(win.Handle(), WM_USER + 5, 0, 0);
  Application()->ProcessMessages();
  EXPECT_EQ(handled, 3);
}

TEST(Application, HandlerFailureOfAHiddenWindowGoesToTheErrorDisplay) {
  std::vector<std::string> errors;
  Application()->OnException = [&](const std::string& m) { errors.push_back(m); };
  TMessageWindow win([](UINT m, WPARAM, LPARAM, LRESULT&) -> bool {
    if (m == WM_USER + 6) throw std::runtime_error("hidden failed");
    if (m == WM_USER + 7) throw 7;  // not a std::exception
    return false;
  });
  SendMessageA(win.Handle(), WM_USER + 6, 0, 0);
  SendMessageA(win.Handle(), WM_USER + 7, 0, 0);
  Application()->OnException = nullptr;
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0], "hidden failed");
  EXPECT_FALSE(errors[1].empty());
}

// What waits for the user in a loop of its own says so first, so that an optimization run
// below it can let go of its memory (the menu is covered with the monitor window's run).
TEST(Application, EveryModalLoopAnnouncesItselfBeforeItWaits) {
  std::vector<std::string> log;
  ModalLoopListener listener([&] { log.push_back("announced"); });
  SetMessageBoxFunction([&](HWND, const std::string&, const std::string&, UINT) {
    log.push_back("box");
    return IDOK;
  });
  ShowMessageBox("x", MB_OK);
  SetMessageBoxFunction(nullptr);
  Application()->OnException = [&](const std::string&) { log.push_back("error display"); };
  TMessageWindow win([](UINT m, WPARAM, LPARAM, LRESULT&) -> bool {
    if (m == WM_USER + 6) throw std::runtime_error("failed");
    return false;
  });
  SendMessageA(win.Handle(), WM_USER + 6, 0, 0);
  Application()->OnException = nullptr;
  TColorDialog colors(nullptr);
  colors.Runner = [&](TColorDialog&) {
    log.push_back("colour dialog");
    return false;
  };
  colors.Execute(nullptr);
  TOpenDialog open(nullptr);
  open.Runner = [&](TOpenDialog&) {
    log.push_back("open dialog");
    return false;
  };
  open.Execute(nullptr);
  TForm form(nullptr);
  SendMessageA(form.Handle(), WM_ENTERMENULOOP, TRUE, 0);  // its system menu
  SendMessageA(form.Handle(), WM_ENTERSIZEMOVE, 0, 0);     // moved by its frame
  EXPECT_EQ(log, (std::vector<std::string>{"announced", "box", "announced", "error display",
                                           "announced", "colour dialog", "announced",
                                           "open dialog", "announced", "announced"}));
}

TEST(Timer, PeriodicTimerTicksUntilDisabled) {
  TTimer timer(nullptr);
  timer.SetInterval(20);
  int ticks = 0;
  timer.OnTimer = [&](TObject* s) { ticks += s == &timer; };
  EXPECT_TRUE(testsupport::PumpUntil([&] { return ticks >= 3; }, 3000));
  timer.SetEnabled(false);
  int at = ticks;
  testsupport::PumpMessages(150);
  EXPECT_EQ(ticks, at);
}

TEST(Timer, OneShotHandlerDisablesItself) {
  TTimer timer(nullptr);
  timer.SetEnabled(false);
  timer.SetInterval(20);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) {
    timer.SetEnabled(false);
    ++ticks;
  };
  testsupport::PumpMessages(100);
  EXPECT_EQ(ticks, 0);  // created disabled: never fires
  timer.SetEnabled(true);
  EXPECT_TRUE(testsupport::PumpUntil([&] { return ticks == 1; }, 3000));
  testsupport::PumpMessages(150);
  EXPECT_EQ(ticks, 1);
}

TEST(Timer, FreedTimerNeverFiresAndAFailingHandlerIsReported) {
  std::vector<std::string> errors;
  Application()->OnException = [&](const std::string& m) { errors.push_back(m); };
  int ticks = 0;
  {
    TTimer gone(nullptr);
    gone.SetInterval(10);
    gone.OnTimer = [&](TObject*) { ++ticks; };
    Sleep(40);  // a WM_TIMER may already be due when the timer is freed
  }
  TTimer failing(nullptr);
  failing.SetInterval(10);
  failing.OnTimer = [&](TObject*) {
    failing.SetEnabled(false);
    throw std::runtime_error("tick failed");
  };
  EXPECT_TRUE(testsupport::PumpUntil([&] { return !errors.empty(); }, 3000));
  Application()->OnException = nullptr;
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(errors, std::vector<std::string>{"tick failed"});
}

// The handler's captures outlive the timer it frees: it runs from a copy of itself.
TEST(Timer, HandlerMayFreeItsOwnTimer) {
  auto* timer = new TTimer(nullptr);
  timer->SetInterval(10);
  auto token = std::make_shared<int>(0);
  std::weak_ptr<int> watch = token;
  bool capturesLivedOn = false;
  bool ran = false;
  timer->OnTimer = [token, timer, &watch, &capturesLivedOn, &ran](TObject*) {
    delete timer;
    capturesLivedOn = !watch.expired();
    ran = true;
  };
  token.reset();
  EXPECT_TRUE(testsupport::PumpUntil([&] { return ran; }, 3000));
  EXPECT_TRUE(capturesLivedOn);
  EXPECT_TRUE(watch.expired()) << "the copy is gone after the call";
}

TEST(Timer, OwnedTimerIsFreedWithItsOwner) {
  auto* owner = new TComponent(nullptr);
  auto* timer = new TTimer(owner);
  timer->SetInterval(10);
  int ticks = 0;
  timer->OnTimer = [&](TObject*) { ++ticks; };
  delete owner;
  testsupport::PumpMessages(100);
  EXPECT_EQ(ticks, 0);
}

}  // namespace
