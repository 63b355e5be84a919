#include <gtest/gtest.h>

#include <string>

#include "shell/WindowHook.h"

namespace {

std::string g_trace;
WNDPROC g_foreignPrev = nullptr;

LRESULT CALLBACK BaseProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_APP) {
    g_trace += "base;";
    return 42;
  }
  return DefWindowProcA(w, m, wp, lp);
}

LRESULT CALLBACK ForeignProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_APP) g_trace += "foreign;";
  return CallWindowProcA(g_foreignPrev, w, m, wp, lp);
}

struct HookChain : testing::Test {
  HWND wnd = nullptr;
  void SetUp() override {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BaseProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "HookChainTest";
    RegisterClassA(&wc);
    wnd = CreateWindowExA(0, "HookChainTest", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                          nullptr, nullptr);
    g_trace.clear();
  }
  void TearDown() override { DestroyWindow(wnd); }
  TWindowHook::Watcher Tracer(const std::string& name) {
    return [name](UINT m, WPARAM, LPARAM) {
      if (m == WM_APP) g_trace += name + ";";
    };
  }
  LRESULT Send() {
    g_trace.clear();
    return SendMessageA(wnd, WM_APP, 0, 0);
  }
};

}  // namespace

TEST_F(HookChain, WatchersSeeMessagesBeforeThePreviousProcedureAnswers) {
  const LONG_PTR base = GetWindowLongPtrA(wnd, GWLP_WNDPROC);
  {
    TWindowHook a(wnd, Tracer("a"));
    TWindowHook b(wnd, Tracer("b"));
    EXPECT_EQ(Send(), 42);
    EXPECT_EQ(g_trace, "b;a;base;");
  }
  EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), base);
  EXPECT_EQ(Send(), 42);
  EXPECT_EQ(g_trace, "base;");
}

TEST_F(HookChain, OutOfOrderRemovalKeepsLaterProceduresInTheChain) {
  auto a = std::make_unique<TWindowHook>(wnd, Tracer("a"));
  g_foreignPrev = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ForeignProc)));
  auto c = std::make_unique<TWindowHook>(wnd, Tracer("c"));
  EXPECT_EQ(Send(), 42);
  EXPECT_EQ(g_trace, "c;foreign;a;base;");
  a.reset();  // removed while the foreign procedure still sits above it
  EXPECT_EQ(Send(), 42);
  EXPECT_EQ(g_trace, "c;foreign;base;");
  c.reset();
  EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(ForeignProc));
  EXPECT_EQ(Send(), 42);
  EXPECT_EQ(g_trace, "foreign;base;");
  SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_foreignPrev));
}

TEST_F(HookChain, MiddleOfOwnLinksCanGoFirst) {
  TWindowHook a(wnd, Tracer("a"));
  auto b = std::make_unique<TWindowHook>(wnd, Tracer("b"));
  TWindowHook c(wnd, Tracer("c"));
  b.reset();
  EXPECT_EQ(Send(), 42);
  EXPECT_EQ(g_trace, "c;a;base;");
}

TEST_F(HookChain, WindowDestroyedBeforeTheHook) {
  auto a = std::make_unique<TWindowHook>(wnd, Tracer("a"));
  DestroyWindow(wnd);
  a.reset();  // nothing left to restore, nothing breaks
  SetUp();
  TWindowHook b(wnd, Tracer("b"));  // a new window, possibly with the same handle
  EXPECT_EQ(Send(), 42);
  EXPECT_EQ(g_trace, "b;base;");
}

TEST_F(HookChain, NewHookAboveAForeignProcedureKeepsTheOlderLinks) {
  TWindowHook a(wnd, Tracer("a"));
  g_foreignPrev = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ForeignProc)));
  {
    TWindowHook b(wnd, Tracer("b"));
    EXPECT_EQ(Send(), 42);
    EXPECT_EQ(g_trace, "b;foreign;a;base;");
  }
  EXPECT_EQ(Send(), 42);
  EXPECT_EQ(g_trace, "foreign;a;base;");
  SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_foreignPrev));
}
