// Windowless controls on a window: painting order and surface, repaint requests, mouse
// routing, enter/leave, cursor, and the error display for handlers that throw.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/GdiPlus.h"
#include "support/TestSupport.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/UiTestKit.h"

using uitest::Capture;
using uitest::PixelNear;

namespace {

// Fills its rectangle with one colour through GDI+, at the given alpha, and logs events.
class Swatch : public TControl {
 public:
  Swatch(TComponent* Owner, std::vector<std::string>* Log, std::string Id, TColor Color, int Alpha)
      : TControl(Owner), log_(Log), id_(std::move(Id)), color_(Color), alpha_(Alpha) {}
  void Paint(TCanvas& Canvas) override {
    Gdiplus::Graphics g(Canvas.Handle());
    Gdiplus::SolidBrush brush(Gdiplus::Color(static_cast<BYTE>(alpha_), GetRValue(color_),
                                             GetGValue(color_), GetBValue(color_)));
    // Deliberately larger than the control: the canvas must clip to its rectangle.
    g.FillRectangle(&brush, -50, -50, Width() + 100, Height() + 100);
  }
  void MouseEnter() override { Log("enter"); }
  void MouseLeave() override { Log("leave"); }
  void Log(const std::string& What) {
    if (log_) log_->push_back(id_ + ":" + What);
  }

 private:
  std::vector<std::string>* log_;
  std::string id_;
  TColor color_;
  int alpha_;
};

class WindowlessTest : public testing::Test {
 protected:
  // The ui library sits below the drawing controls and their GdiPlusSession, so this
  // suite starts GDI+ for itself.
  static void SetUpTestSuite() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token_, &input, nullptr);
  }
  static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(token_); }
  void SetUp() override {
    form_ = std::make_unique<TForm>(nullptr);
    form_->SetBorderStyle(bsNone);
    form_->SetColor(0x00FFFFFF);  // white background fill
    form_->SetBounds(100, 100, 200, 120);
    Application()->OnException = [this](const std::string& m) { errors_.push_back(m); };
  }
  void TearDown() override {
    form_.reset();
    Application()->OnException = nullptr;
  }
  Swatch* Add(const std::string& Id, int L, int T, int W, int H, TColor C = 0x0000FF,
              int Alpha = 255) {
    auto* s = new Swatch(form_.get(), &log_, Id, C, Alpha);
    s->SetBounds(L, T, W, H);
    s->SetParent(form_.get());
    s->OnMouseDown = [s](TObject*, TMouseButton b, TShiftState sh, int x, int y) {
      s->Log("down" + std::to_string(b) + (sh & ssDouble ? "d" : "") + "@" + std::to_string(x) +
             "," + std::to_string(y));
    };
    s->OnMouseUp = [s](TObject*, TMouseButton b, TShiftState, int x, int y) {
      s->Log("up" + std::to_string(b) + "@" + std::to_string(x) + "," + std::to_string(y));
    };
    s->OnMouseMove = [s](TObject*, TShiftState, int x, int y) {
      s->Log("move@" + std::to_string(x) + "," + std::to_string(y));
    };
    s->OnClick = [s](TObject*) { s->Log("click"); };
    s->OnDblClick = [s](TObject*) { s->Log("dblclick"); };
    return s;
  }
  // The X server moves the pointer asynchronously and may deliver an older position late:
  // a position counts only once it has held for a while.
  static bool MoveCursorTo(POINT Target) {
    for (int attempt = 0; attempt < 5; ++attempt) {
      if (!SetCursorPos(Target.x, Target.y)) return false;
      POINT now;
      auto there = [&] { return GetCursorPos(&now) && now.x == Target.x && now.y == Target.y; };
      if (!testsupport::PumpUntil(there, 2000)) continue;
      testsupport::PumpMessages(150);
      if (there()) return true;
    }
    return false;
  }
  LRESULT Send(UINT Msg, WPARAM W, int X, int Y) {
    return SendMessageA(form_->Handle(), Msg, W, MAKELPARAM(X, Y));
  }
  static ULONG_PTR token_;
  std::unique_ptr<TForm> form_;
  std::vector<std::string> log_;
  std::vector<std::string> errors_;
};
ULONG_PTR WindowlessTest::token_ = 0;

TEST_F(WindowlessTest, PaintsChildrenOverBackgroundInZOrderClippedToTheirRectangles) {
  Add("a", 10, 10, 40, 30, 0x0000FF);         // red, opaque
  Add("b", 30, 20, 40, 30, 0xFF0000, 128);    // blue, half, over a and the background
  auto pic = Capture(*form_);
  ASSERT_EQ(pic.width, 200);
  EXPECT_TRUE(PixelNear(pic, 5, 5, 0xFFFFFF, 0));     // background fill
  EXPECT_TRUE(PixelNear(pic, 15, 15, 0xFF0000, 2));   // a alone
  EXPECT_TRUE(PixelNear(pic, 35, 25, uitest::Blend(0xFF0000, 0x0000FF, 128), 3));  // b over a
  EXPECT_TRUE(PixelNear(pic, 60, 40, uitest::Blend(0xFFFFFF, 0x0000FF, 128), 3));  // b over white
  // The oversized fills stay inside each control's own rectangle.
  EXPECT_TRUE(PixelNear(pic, 9, 9, 0xFFFFFF, 0));
  EXPECT_TRUE(PixelNear(pic, 70, 50, 0xFFFFFF, 0));
  EXPECT_TRUE(PixelNear(pic, 69, 49, uitest::Blend(0xFFFFFF, 0x0000FF, 128), 3));
}

TEST_F(WindowlessTest, HiddenAndZeroSizedControlsAreNotPainted) {
  auto* a = Add("a", 10, 10, 40, 30);
  Add("b", 60, 10, 0, 30);
  a->SetVisible(false);
  auto pic = Capture(*form_);
  EXPECT_TRUE(PixelNear(pic, 20, 20, 0xFFFFFF, 0));
  a->SetVisible(true);
  EXPECT_TRUE(PixelNear(Capture(*form_), 20, 20, 0xFF0000, 2));
}

TEST_F(WindowlessTest, InvalidateAsksOnlyForTheControlsRectangle) {
  auto* a = Add("a", 10, 20, 40, 30);
  form_->Show();  // hidden windows collect no update region
  HWND wnd = form_->Handle();
  ValidateRect(wnd, nullptr);
  a->Invalidate();
  RECT r{};
  ASSERT_TRUE(GetUpdateRect(wnd, &r, FALSE));
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.right, 50);
  EXPECT_EQ(r.bottom, 50);

  // A move repaints where it was and where it is now, nothing else.
  ValidateRect(wnd, nullptr);
  a->SetBounds(100, 20, 40, 30);
  UniqueHRgn rgn(CreateRectRgn(0, 0, 0, 0));
  GetUpdateRgn(wnd, rgn.get(), FALSE);
  EXPECT_TRUE(PtInRegion(rgn.get(), 10, 20));
  EXPECT_TRUE(PtInRegion(rgn.get(), 139, 49));
  EXPECT_FALSE(PtInRegion(rgn.get(), 70, 30));

  // Unchanged bounds ask for nothing.
  ValidateRect(wnd, nullptr);
  a->SetBounds(100, 20, 40, 30);
  EXPECT_FALSE(GetUpdateRect(wnd, &r, FALSE));
}

// Counts its paints; optionally a control with nothing to show under the mouse.
class PaintCounter : public TControl {
 public:
  PaintCounter(TComponent* Owner, bool WantsLeave) : TControl(Owner), wants_leave_(WantsLeave) {}
  void Paint(TCanvas&) override { ++paints; }
  bool WantsMouseLeave() const override { return wants_leave_; }
  int paints = 0;

 private:
  bool wants_leave_;
};

TEST_F(WindowlessTest, RepaintDrawsOnlyTheControlsInsideTheUpdateRegion) {
  auto add = [&](int Top) {
    auto* c = new PaintCounter(form_.get(), true);
    c->SetBounds(10, Top, 40, 20);
    c->SetParent(form_.get());
    return c;
  };
  PaintCounter* top = add(10);
  PaintCounter* middle = add(40);  // inside the bounding box of the other two
  PaintCounter* bottom = add(70);
  form_->Show();
  HWND wnd = form_->Handle();
  UpdateWindow(wnd);
  top->paints = middle->paints = bottom->paints = 0;
  top->Invalidate();
  bottom->Invalidate();
  UpdateWindow(wnd);
  EXPECT_EQ(top->paints, 1);
  EXPECT_EQ(middle->paints, 0);
  EXPECT_EQ(bottom->paints, 1);
  // Without an update region (printing, pictures) everything in the rectangle is drawn.
  Capture(*form_);
  EXPECT_EQ(middle->paints, 1);
}

TEST_F(WindowlessTest, PictureFollowsTheWindowsSizeAcrossPaints) {
  Add("a", 10, 10, 40, 30, 0x0000FF);
  auto first = Capture(*form_);
  ASSERT_EQ(first.width, 200);
  form_->SetBounds(100, 100, 260, 150);  // bigger, then smaller: a new buffer each time
  auto bigger = Capture(*form_);
  ASSERT_EQ(bigger.width, 260);
  EXPECT_TRUE(PixelNear(bigger, 255, 145, 0xFFFFFF, 0));
  EXPECT_TRUE(PixelNear(bigger, 15, 15, 0xFF0000, 2));
  form_->SetBounds(100, 100, 120, 60);
  auto smaller = Capture(*form_);
  ASSERT_EQ(smaller.width, 120);
  EXPECT_TRUE(PixelNear(smaller, 115, 55, 0xFFFFFF, 0));
  EXPECT_TRUE(PixelNear(smaller, 15, 15, 0xFF0000, 2));
}

// Under Wine a watched leave is a poll of the cursor several times a second, for as long
// as the cursor rests on the window.
TEST_F(WindowlessTest, LeaveIsWatchedOnlyWhileTheControlUnderTheCursorWantsIt) {
  auto* link = new PaintCounter(form_.get(), true);
  link->SetBounds(10, 10, 40, 30);
  link->SetParent(form_.get());
  auto* chart = new PaintCounter(form_.get(), false);
  chart->SetBounds(100, 10, 40, 30);
  chart->SetParent(form_.get());
  form_->Show();
  testsupport::PumpMessages(100);
  HWND wnd = form_->Handle();
  POINT inside = {20, 20};
  ::ClientToScreen(wnd, &inside);
  if (!MoveCursorTo(inside)) GTEST_SKIP() << "cursor position not honoured here";
  auto watched = [&] {
    TRACKMOUSEEVENT q{sizeof(q), TME_QUERY, nullptr, 0};
    return TrackMouseEvent(&q) && (q.dwFlags & TME_LEAVE) && q.hwndTrack == wnd;
  };
  Send(WM_MOUSEMOVE, 0, 20, 20);
  EXPECT_TRUE(watched());
  Send(WM_MOUSEMOVE, 0, 110, 20);  // onto the chart
  EXPECT_FALSE(watched());
  Send(WM_MOUSEMOVE, 0, 20, 20);
  EXPECT_TRUE(watched());
  Send(WM_MOUSEMOVE, 0, 150, 100);  // the bare window
  EXPECT_FALSE(watched());
}

TEST_F(WindowlessTest, MouseGoesToTopmostEnabledControlInItsOwnCoordinates) {
  Add("a", 10, 10, 40, 30);
  auto* b = Add("b", 30, 20, 40, 30);
  std::vector<std::string> formLog;
  form_->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
    formLog.push_back("form@" + std::to_string(x) + "," + std::to_string(y));
  };
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 35, 25);  // over both: b is on top
  Send(WM_LBUTTONUP, 0, 35, 25);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 15, 15);  // a alone
  Send(WM_LBUTTONUP, 0, 15, 15);
  b->SetEnabled(false);                        // disabled: the press falls through to a
  Send(WM_RBUTTONDOWN, MK_RBUTTON, 35, 25);
  Send(WM_RBUTTONUP, 0, 35, 25);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 150, 100);  // bare window
  Send(WM_LBUTTONUP, 0, 150, 100);
  std::vector<std::string> expected = {
      "b:down0@5,5", "b:up0@5,5", "b:click", "a:down0@5,5", "a:up0@5,5", "a:click",
      "a:down1@25,15", "a:up1@25,15"};  // a right-button release is no click
  EXPECT_EQ(log_, expected);
  EXPECT_EQ(formLog, std::vector<std::string>{"form@150,100"});
}

TEST_F(WindowlessTest, PressedControlKeepsTheMouseAndReleaseOutsideIsNoClick) {
  Add("a", 10, 10, 40, 30);
  Send(WM_MOUSEMOVE, 0, 20, 20);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 20, 20);
  Send(WM_MOUSEMOVE, MK_LBUTTON, 120, 90);  // dragged far outside a
  Send(WM_LBUTTONUP, 0, 120, 90);
  Send(WM_MOUSEMOVE, 0, 121, 90);           // released: no longer a's
  std::vector<std::string> moves, rest;
  for (auto& e : log_) (e.rfind("a:move", 0) == 0 ? moves : rest).push_back(e);
  EXPECT_EQ(moves, (std::vector<std::string>{"a:move@10,10", "a:move@110,80"}));
  EXPECT_EQ(rest, (std::vector<std::string>{"a:enter", "a:down0@10,10", "a:leave", "a:up0@110,80"}));
}

TEST_F(WindowlessTest, DoubleClickGivesDblClickAndDoublePressButOneClick) {
  Add("a", 10, 10, 40, 30);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 20, 20);
  Send(WM_LBUTTONUP, 0, 20, 20);
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, 20, 20);
  Send(WM_LBUTTONUP, 0, 20, 20);
  std::vector<std::string> expected = {"a:down0@10,10", "a:up0@10,10",  "a:click",
                                       "a:dblclick",    "a:down0d@10,10", "a:up0@10,10"};
  EXPECT_EQ(log_, expected);
}

TEST_F(WindowlessTest, EnterAndLeaveFollowTheCursorAcrossControlsIncludingDisabledOnes) {
  Add("a", 10, 10, 40, 30);
  auto* b = Add("b", 100, 10, 40, 30);
  b->SetEnabled(false);
  std::vector<std::string> enters;
  Send(WM_MOUSEMOVE, 0, 5, 5);
  Send(WM_MOUSEMOVE, 0, 20, 20);
  Send(WM_MOUSEMOVE, 0, 21, 21);  // still inside a: nothing new
  Send(WM_MOUSEMOVE, 0, 110, 20); // straight into b
  SendMessageA(form_->Handle(), WM_MOUSELEAVE, 0, 0);
  std::vector<std::string> expected = {"a:enter", "a:move@10,10", "a:move@11,11", "a:leave",
                                       "b:enter", "b:leave"};
  EXPECT_EQ(log_, expected);
}

TEST_F(WindowlessTest, ControlFreedDuringItsOwnHandlerIsNotTouchedAgain) {
  auto* a = Add("a", 10, 10, 40, 30);
  a->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { delete a; };
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 20, 20);
  Send(WM_LBUTTONUP, 0, 20, 20);  // no click on the freed control, no crash
  Send(WM_MOUSEMOVE, 0, 20, 20);
  EXPECT_EQ(form_->ControlCount(), 0);
  EXPECT_EQ(log_, (std::vector<std::string>{"a:down0@10,10"}));
}

TEST_F(WindowlessTest, ExceptionInAHandlerGoesToTheErrorDisplayAndTheWindowLivesOn) {
  auto* a = Add("a", 10, 10, 40, 30);
  a->OnClick = [](TObject*) { throw std::runtime_error("Boom in click"); };
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 20, 20);
  Send(WM_LBUTTONUP, 0, 20, 20);
  EXPECT_EQ(errors_, std::vector<std::string>{"Boom in click"});
  EXPECT_TRUE(IsWindow(form_->Handle()));
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 20, 20);  // still routed afterwards
  EXPECT_EQ(log_.back(), "a:down0@10,10");
}

TEST_F(WindowlessTest, HandCursorOverALinkAndTheWindowsOwnCursorElsewhere) {
  auto* a = Add("a", 10, 10, 40, 30);
  a->SetCursor(crHandPoint);
  form_->Show();
  // Let the window manager settle the shown window before reading where it is.
  testsupport::PumpMessages(100);
  HWND wnd = form_->Handle();
  POINT inside = {15, 15};
  POINT outside = {150, 100};
  ::ClientToScreen(wnd, &inside);
  ::ClientToScreen(wnd, &outside);
  EXPECT_EQ(a->ClientToScreen({5, 5}).x, inside.x);
  EXPECT_EQ(a->ClientToScreen({5, 5}).y, inside.y);
  if (!MoveCursorTo(inside)) GTEST_SKIP() << "cursor position not honoured here";
  LPARAM hit = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  EXPECT_TRUE(SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), hit));
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));
  ASSERT_TRUE(MoveCursorTo(outside));
  EXPECT_FALSE(SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), hit) &&
               GetCursor() == LoadCursorA(nullptr, IDC_HAND));
}

}  // namespace
