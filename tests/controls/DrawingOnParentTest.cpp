// The drawing controls painted by a real parent window, at their places among siblings.
#include <gtest/gtest.h>

#include "DrawingTestSupport.h"
#include "controls/DockButton.h"
#include "controls/DockContainer.h"
#include "controls/QvGDIPlusProgressBar.h"
#include "controls/QvGDIPlusTrendLine.h"
#include "support/TestSupport.h"
#include "ui/WinControl.h"

using drawtest::Near;

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kLime = 0xFF00FF00,
                        kYellow = 0xFFFFFF00;

class DrawingOnParentTest : public drawtest::GdiPlusTest {
 protected:
  testsupport::TempFolder dir_;
};

// The parent's whole client area as it paints it.
void PrintClient(TWinControl& parent, drawtest::Surface& s) {
  SendMessageA(parent.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.Dc()), PRF_CLIENT);
}

}  // namespace

TEST_F(DrawingOnParentTest, EachControlPaintsOnlyItsOwnRectangleAtItsPlace) {
  const std::string pic =
      drawtest::WritePng(dir_.File("btn.png"), 10, 10, kYellow);
  TWinControl parent(nullptr);
  parent.SetVisible(false);
  parent.SetColor(clBlue);
  parent.SetClientSize(100, 80);
  ASSERT_EQ(parent.ClientWidth(), 100);

  TQvGDIPlusTrendLine chart(nullptr);
  chart.SetShowGrid(false);
  chart.SetShowBorder(false);
  chart.SetLine1Visible(false);
  chart.SetBackColor1(clRed);
  chart.SetBackColor2(clRed);
  chart.SetBackColorAlpha(255);
  chart.SetBounds(10, 20, 30, 20);
  chart.SetParent(&parent);

  TQvGDIPlusProgressBar bar(nullptr);
  bar.SetFrontColor(clLime);
  bar.SetFrontGradColor(clLime);
  bar.SetBackColor(clRed);
  bar.SetBackGradColor(clRed);
  bar.SetBounds(50, 5, 40, 10);
  bar.SetValue(50);
  bar.SetParent(&parent);

  TPCDockButton button(nullptr);
  button.SetDrawMode(idmNormal);
  button.SetBounds(60, 40, 10, 10);
  button.SetNormalSource(pic);
  button.SetParent(&parent);

  drawtest::Surface s(100, 80, 0x000000);
  PrintClient(parent, s);
  EXPECT_TRUE(Near(s.Pixel(5, 5), kBlue, 2));
  // Chart: (10, 20) .. (39, 39).
  EXPECT_TRUE(Near(s.Pixel(10, 20), kRed, 2));
  EXPECT_TRUE(Near(s.Pixel(39, 39), kRed, 2));
  EXPECT_TRUE(Near(s.Pixel(9, 30), kBlue, 2));
  EXPECT_TRUE(Near(s.Pixel(40, 30), kBlue, 2));
  EXPECT_TRUE(Near(s.Pixel(25, 40), kBlue, 2));
  // Bar: front 20 columns from x = 50, back up to x = 89.
  EXPECT_TRUE(Near(s.Pixel(50, 10), kLime, 2));
  EXPECT_TRUE(Near(s.Pixel(69, 10), kLime, 2));
  EXPECT_TRUE(Near(s.Pixel(70, 10), kRed, 2));
  EXPECT_TRUE(Near(s.Pixel(89, 10), kRed, 2));
  EXPECT_TRUE(Near(s.Pixel(90, 10), kBlue, 2));
  // Button picture 1:1 at (60, 40).
  EXPECT_TRUE(Near(s.Pixel(60, 40), kYellow, 2));
  EXPECT_TRUE(Near(s.Pixel(69, 49), kYellow, 2));
  EXPECT_TRUE(Near(s.Pixel(70, 45), kBlue, 2));

  // A hidden control leaves the parent showing.
  bar.SetVisible(false);
  PrintClient(parent, s);
  EXPECT_TRUE(Near(s.Pixel(60, 10), kBlue, 2));
}

TEST_F(DrawingOnParentTest, TranslucentChartBlendsWithWhatThePanelPaintedBeneath) {
  TWinControl parent(nullptr);
  parent.SetVisible(false);
  parent.SetColor(clBlue);
  parent.SetClientSize(60, 40);
  TQvGDIPlusTrendLine chart(nullptr);
  chart.SetShowGrid(false);
  chart.SetShowBorder(false);
  chart.SetLine1Visible(false);
  chart.SetBackColor1(clRed);
  chart.SetBackColor2(clRed);
  chart.SetBackColorAlpha(128);
  chart.SetBounds(0, 0, 60, 40);
  chart.SetParent(&parent);
  drawtest::Surface s(60, 40, 0x000000);
  PrintClient(parent, s);
  EXPECT_TRUE(Near(s.Pixel(30, 20), 0xFF80007F, 3));
}

// A repaint of part of the window (a value label next to the charts changed) paints only
// the dirty rectangle, and there exactly what a full repaint paints.
TEST_F(DrawingOnParentTest, PartialRepaintDrawsExactlyTheFullPictureInsideTheDirtyRectangle) {
  TpcDockContainer parent(nullptr);
  parent.SetVisible(false);
  parent.SetBackColor1(clYellow);
  parent.SetBackColor2(clBlue);
  parent.SetBackColorAlpha(100);
  parent.SetBorderColor1(clRed);
  parent.SetBorderColor2(clLime);
  parent.SetBounds(0, 0, 120, 90);
  ASSERT_EQ(parent.ClientWidth(), 120);

  TQvGDIPlusTrendLine chart(nullptr);
  chart.SetBounds(10, 15, 90, 60);
  chart.SetParent(&parent);
  for (int i = 0; i < 100; ++i) chart.AddValue(1, (i * 37) % 101);

  drawtest::Surface full(120, 90, 0x000000);
  PrintClient(parent, full);
  ASSERT_GT(full.Count([](std::uint32_t p) { return p != 0xFF000000u; }), 120 * 90 / 2);

  // Dirty rectangles across the chart's edges, inside it, and outside it.
  const std::vector<RECT> dirties = {{5, 10, 40, 30}, {60, 50, 115, 85}, {30, 30, 50, 45},
                                     {0, 0, 120, 12}, {101, 0, 120, 90}};
  for (const RECT& dirty : dirties) {
    drawtest::Surface part(120, 90, 0x123456);
    parent.PaintTo(part.Dc(), dirty);
    int wrong = 0, touched = 0;
    for (int y = 0; y < 90; ++y)
      for (int x = 0; x < 120; ++x) {
        const bool inside = x >= dirty.left && x < dirty.right && y >= dirty.top && y < dirty.bottom;
        if (inside && part.Pixel(x, y) != full.Pixel(x, y)) ++wrong;
        if (!inside && part.Pixel(x, y) != 0xFF123456u) ++touched;
      }
    EXPECT_EQ(wrong, 0) << "dirty " << dirty.left << "," << dirty.top << " - " << dirty.right
                        << "," << dirty.bottom;
    EXPECT_EQ(touched, 0) << "outside dirty " << dirty.left << "," << dirty.top;
  }
}
