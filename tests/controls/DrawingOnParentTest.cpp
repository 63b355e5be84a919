// The drawing controls painted by a real parent window, at their places among siblings.
#include <gtest/gtest.h>

#include "DrawingTestSupport.h"
#include "controls/DockButton.h"
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
