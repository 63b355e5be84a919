// Scaling of 96-DPI design measures to a monitor's DPI: the arithmetic, a form built at
// another DPI, a window created on a monitor of another DPI, and a move between monitors.
// Wine fixes the process DPI when the process starts, so other DPIs come through the
// dpi::SetDpiOverride seam.
#include <gtest/gtest.h>

#include "ui/Dpi.h"
#include "ui/Form.h"

namespace {

struct DpiOverride {
  explicit DpiOverride(int Dpi) { dpi::SetDpiOverride(Dpi); }
  ~DpiOverride() { dpi::SetDpiOverride(0); }
};

RECT WindowRectOf(HWND Wnd) {
  RECT r{};
  GetWindowRect(Wnd, &r);
  return r;
}

// A frameless form laid out in 96-DPI units like the monitor window: a windowed panel
// filling it, a windowless control and a windowed button on the panel.
class DesignForm : public TForm {
 public:
  explicit DesignForm(bool scaleAtCreation) : TForm(nullptr) {
    SetBorderStyle(bsNone);
    SetBounds(100, 50, 257, 268);
    panel = new TWinControl(this);
    panel->SetParent(this);
    panel->SetBounds(0, 0, 257, 268);
    panel->SetAlign(alClient);
    label = new TControl(this);
    label->SetParent(panel);
    label->SetBounds(8, 21, 241, 89);
    label->Font()->SetHeight(-11);
    button = new TWinControl(this);
    button->SetParent(panel);
    button->SetBounds(236, 1, 17, 17);
    if (scaleAtCreation) ScaleForDpi(dpi::SystemDpi());
  }
  TWinControl* panel;
  TControl* label;
  TWinControl* button;
};

void ExpectBounds(const TControl& c, int l, int t, int w, int h) {
  EXPECT_EQ(c.Left(), l);
  EXPECT_EQ(c.Top(), t);
  EXPECT_EQ(c.Width(), w);
  EXPECT_EQ(c.Height(), h);
}

TEST(DpiScale, RoundsHalfAwayFromZeroLikeMulDiv) {
  EXPECT_EQ(dpi::Scale(257, 96), 257);
  EXPECT_EQ(dpi::Scale(257, 144), 386);   // 385.5
  EXPECT_EQ(dpi::Scale(17, 192), 34);
  EXPECT_EQ(dpi::Scale(1, 120), 1);       // 1.25
  EXPECT_EQ(dpi::Scale(-11, 144), -17);   // font heights are negative: -16.5
  EXPECT_EQ(dpi::Scale(-1, 96), -1);
  EXPECT_EQ(dpi::Scale(0, 192), 0);
  EXPECT_EQ(dpi::Scale(386, 96, 144), 257);  // back from 144
  for (int v : {-300, -11, -1, 0, 1, 7, 241, 268, 1174})
    for (int d : {96, 120, 144, 168, 192, 288})
      EXPECT_EQ(dpi::Scale(v, d), MulDiv(v, d, 96)) << v << " at " << d;
}

TEST(DpiScale, MeaninglessDpisLeaveTheValue) {
  EXPECT_EQ(dpi::Scale(40, 0), 40);
  EXPECT_EQ(dpi::Scale(40, -96), 40);
  EXPECT_EQ(dpi::Scale(40, 144, 0), 40);
}

TEST(DpiScale, NoOverflowOnLargeValues) {
  EXPECT_EQ(dpi::Scale(20000000, 192), 40000000);
}

TEST(DpiScale, AdjacentRectanglesStayAdjacent) {
  RECT a = dpi::ScaleRect({8, 21, 249, 110}, 144);
  RECT b = dpi::ScaleRect({8, 110, 249, 199}, 144);
  EXPECT_EQ(a.bottom, b.top);
  EXPECT_EQ(a.left, 12);
  EXPECT_EQ(a.right, 374);  // 373.5
}

TEST(DpiQuery, SystemAnswersAndTheSeamOverrides) {
  const int system = dpi::SystemDpi();
  EXPECT_GE(system, 96);
  EXPECT_EQ(dpi::WindowDpi(nullptr), system);
  {
    DpiOverride at(144);
    EXPECT_EQ(dpi::SystemDpi(), 144);
    EXPECT_EQ(dpi::WindowDpi(GetDesktopWindow()), 144);
  }
  EXPECT_EQ(dpi::SystemDpi(), system);
}

TEST(DpiForm, At96NothingMoves) {
  DpiOverride at(96);
  DesignForm f(true);
  f.Handle();
  EXPECT_EQ(f.PixelsPerInch(), 96);
  ExpectBounds(f, 100, 50, 257, 268);
  ExpectBounds(*f.label, 8, 21, 241, 89);
  ExpectBounds(*f.button, 236, 1, 17, 17);
  EXPECT_EQ(f.label->Font()->Height(), -11);
}

TEST(DpiForm, BuiltAtAnotherDpiScalesSizesFontsAndChildrenButNotItsPlace) {
  DpiOverride at(144);
  DesignForm f(true);
  EXPECT_EQ(f.PixelsPerInch(), 144);
  ExpectBounds(f, 100, 50, 386, 402);
  ExpectBounds(*f.panel, 0, 0, 386, 402);  // alClient: filled once, not scaled twice
  ExpectBounds(*f.label, 12, 32, 362, 134);
  ExpectBounds(*f.button, 354, 2, 26, 26);
  EXPECT_EQ(f.label->Font()->Height(), -17);
  HWND wnd = f.Handle();
  RECT r = WindowRectOf(wnd);
  EXPECT_EQ(r.right - r.left, 386);
  EXPECT_EQ(r.bottom - r.top, 402);
  RECT br = WindowRectOf(f.button->Handle());
  EXPECT_EQ(br.right - br.left, 26);
  EXPECT_EQ(f.PixelsPerInch(), 144);  // creating the window did not scale again
}

TEST(DpiForm, WindowCreatedOnAMonitorOfAnotherDpiIsScaled) {
  DesignForm f(false);  // built at 96
  ASSERT_EQ(f.PixelsPerInch(), 96);
  DpiOverride at(192);
  HWND wnd = f.Handle();
  EXPECT_EQ(f.PixelsPerInch(), 192);
  RECT r = WindowRectOf(wnd);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.right - r.left, 514);
  EXPECT_EQ(r.bottom - r.top, 536);
  RECT br = WindowRectOf(f.button->Handle());
  EXPECT_EQ(br.left - r.left, 472);
  EXPECT_EQ(br.right - br.left, 34);
  ExpectBounds(*f.label, 16, 42, 482, 178);
}

TEST(DpiForm, DpiChangedScalesFromTheCurrentDpiAndTakesTheSuggestedRectangle) {
  DpiOverride at(96);
  DesignForm f(true);
  HWND wnd = f.Handle();
  RECT suggested{300, 200, 300 + 386, 200 + 402};
  SendMessageA(wnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(f.PixelsPerInch(), 144);
  ExpectBounds(f, 300, 200, 386, 402);
  ExpectBounds(*f.panel, 0, 0, 386, 402);
  ExpectBounds(*f.button, 354, 2, 26, 26);
  EXPECT_EQ(f.label->Font()->Height(), -17);
  // and back to 96: the design measures again
  RECT back{300, 200, 300 + 257, 200 + 268};
  SendMessageA(wnd, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&back));
  EXPECT_EQ(f.PixelsPerInch(), 96);
  ExpectBounds(*f.label, 8, 21, 241, 89);
  ExpectBounds(*f.button, 236, 1, 17, 17);
  EXPECT_EQ(f.label->Font()->Height(), -11);
  RECT r = WindowRectOf(wnd);
  EXPECT_EQ(r.right - r.left, 257);
}

}  // namespace
