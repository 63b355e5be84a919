// The single-instance unit inside one process: the mutex claim and the instance hook on the
// application window. Crossing processes is covered by the end-to-end tests.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/multinst.h"
#include "monitor/MemtideMessages.h"
#include "support/TestSupport.h"

namespace {
std::string UniqueName(const char* what) {
  static int counter = 0;
  return std::string("MemtideTest ") + what + " " + std::to_string(GetCurrentProcessId()) + " " +
         std::to_string(++counter);
}
}  // namespace

TEST(CreateInstanceMutex, FirstClaimWinsSecondSeesItRunning) {
  const std::string name = UniqueName("mutex");
  bool running = true;
  UniqueHandle first = multinst::CreateInstanceMutex(name.c_str(), running);
  EXPECT_TRUE(first);
  EXPECT_FALSE(running);
  bool runningAgain = false;
  UniqueHandle second = multinst::CreateInstanceMutex(name.c_str(), runningAgain);
  EXPECT_TRUE(runningAgain);
  EXPECT_FALSE(second);  // a second instance holds nothing
}

TEST(CreateInstanceMutex, FreedAfterTheFirstEndsSoTheNextIsFirstAgain) {
  const std::string name = UniqueName("mutex");
  bool running = true;
  { UniqueHandle first = multinst::CreateInstanceMutex(name.c_str(), running); }
  UniqueHandle next = multinst::CreateInstanceMutex(name.c_str(), running);
  EXPECT_FALSE(running);
  EXPECT_TRUE(next);
}

TEST(CreateInstanceMutex, StartsAtTheSameMomentLeaveExactlyOneFirst) {
  const std::string name = UniqueName("race");
  constexpr int kStarters = 8;
  for (int round = 0; round < 20; ++round) {
    const std::string roundName = name + "-" + std::to_string(round);
    std::atomic<int> ready{0};
    std::atomic<int> firsts{0};
    std::vector<UniqueHandle> held(kStarters);
    std::vector<std::thread> threads;
    for (int i = 0; i < kStarters; ++i) {
      threads.emplace_back([&, i] {
        ++ready;
        while (ready < kStarters) std::this_thread::yield();
        bool running = true;
        held[i] = multinst::CreateInstanceMutex(roundName.c_str(), running);
        if (!running) ++firsts;
      });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(firsts.load(), 1) << "round " << round;
  }
}

TEST(RequestValue, OneOnlyForTheSwitch) {
  EXPECT_EQ(multinst::RequestValue(true), 1);
  EXPECT_EQ(multinst::RequestValue(false), 0);
}

TEST(InstanceMessage, RegisteredUnderTheInstanceName) {
  UINT msg = multinst::RegisterInstanceMessage();
  EXPECT_GE(msg, 0xC000u);
  EXPECT_EQ(msg, RegisterWindowMessageA("The Quorix Memtide inst unit"));
  EXPECT_EQ(multinst::InstanceMessage(), msg);
}

// A stand-in application window and main form, both recording what reaches them.
class InstanceProcTest : public ::testing::Test {
 protected:
  static LRESULT CALLBACK Record(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<InstanceProcTest*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (self && (msg == WM_STARTOPTIMIZE || msg == multinst::WM_INSTANCENOTICE ||
                 msg == WM_APP + 7)) {
      (wnd == self->mainForm_ ? self->mainFormGot_ : self->appGot_).push_back(msg);
      if (msg == WM_APP + 7) return 1234;
    }
    return DefWindowProcA(wnd, msg, w, l);
  }

  void SetUp() override {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &Record;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MemtideInstanceProcTest";
    RegisterClassA(&wc);
    app_ = CreateWindowA(wc.lpszClassName, "app", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                         wc.hInstance, nullptr);
    mainForm_ = CreateWindowA(wc.lpszClassName, "main", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              wc.hInstance, nullptr);
    SetWindowLongPtrA(app_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(mainForm_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    msg_ = multinst::RegisterInstanceMessage();
    Hook(nullptr);
  }
  void TearDown() override {
    hook_.reset();
    DestroyWindow(app_);
    DestroyWindow(mainForm_);
  }
  // Puts the hook on the application window anew, finding the main form through MainWindow.
  void Hook(std::function<HWND()> MainWindow) {
    hook_.reset();
    hook_.emplace(app_, std::move(MainWindow));
    ASSERT_TRUE(hook_->Installed());
  }
  void Deliver(LPARAM request) {
    SendMessageA(app_, msg_, 0, request);
    testsupport::PumpMessages(50);
  }

  HWND app_ = nullptr;
  HWND mainForm_ = nullptr;
  UINT msg_ = 0;
  std::optional<multinst::TInstanceHook> hook_;
  std::vector<UINT> appGot_;
  std::vector<UINT> mainFormGot_;
};

TEST_F(InstanceProcTest, AutoOptimizeRequestReachesTheMainForm) {
  Hook([this] { return mainForm_; });
  Deliver(1);
  EXPECT_EQ(mainFormGot_, (std::vector<UINT>{multinst::WM_INSTANCENOTICE, WM_STARTOPTIMIZE}));
  EXPECT_TRUE(appGot_.empty());
}

TEST_F(InstanceProcTest, PlainSecondStartStartsNoOptimization) {
  Hook([this] { return mainForm_; });
  Deliver(0);
  Deliver(2);  // only exactly 1 asks for a run
  EXPECT_EQ(mainFormGot_,
            (std::vector<UINT>{multinst::WM_INSTANCENOTICE, multinst::WM_INSTANCENOTICE}));
}

TEST_F(InstanceProcTest, NotificationBeforeTheMainFormExistsIsDropped) {
  Hook([] { return HWND{}; });
  Deliver(1);
  Hook(nullptr);
  Deliver(1);
  EXPECT_TRUE(mainFormGot_.empty());
  EXPECT_TRUE(appGot_.empty());
}

TEST_F(InstanceProcTest, OtherMessagesGoToThePreviousProcedureWithTheirResult) {
  EXPECT_EQ(SendMessageA(app_, WM_APP + 7, 0, 0), 1234);
  EXPECT_EQ(appGot_, (std::vector<UINT>{WM_APP + 7}));
}

TEST_F(InstanceProcTest, UnhookPutsThePreviousProcedureBack) {
  Hook([this] { return mainForm_; });
  EXPECT_NE(GetWindowLongPtrA(app_, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&Record));
  hook_.reset();
  EXPECT_EQ(GetWindowLongPtrA(app_, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&Record));
  Deliver(1);
  EXPECT_TRUE(mainFormGot_.empty());
}

TEST(ForceForeground, OwnVisibleWindowBecomesForeground) {
  HWND wnd = CreateWindowA("STATIC", "fg", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(wnd);
  EXPECT_TRUE(multinst::ForceForeground(wnd));
  EXPECT_EQ(GetForegroundWindow(), wnd);
  EXPECT_TRUE(multinst::ForceForeground(wnd));  // already in front
  DestroyWindow(wnd);
}
