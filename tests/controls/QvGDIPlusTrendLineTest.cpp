#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "DrawingTestSupport.h"
#include "controls/QvGDIPlusTrendLine.h"

using drawtest::Counting;
using drawtest::Near;
using drawtest::PixelOf;

namespace {

constexpr std::uint32_t kTransparent = 0x00000000;

class TrendLineTest : public drawtest::GdiPlusTest {
 protected:
  // A chart that draws nothing but what a test switches on.
  static void Bare(TQvGDIPlusTrendLine& c) {
    c.SetAutoDraw(false);
    c.SetShowBackColor(false);
    c.SetShowGrid(false);
    c.SetShowBorder(false);
    c.SetLine1Visible(false);
  }
  // Line 1 opaque red, top and bottom, not filled, 1 px.
  static void RedLine(TQvGDIPlusTrendLine& c) {
    c.SetLine1Visible(true);
    c.SetLine1Color1(clRed);
    c.SetLine1Color2(clRed);
    c.SetLine1Alpha(255);
    c.SetLine1Fill(false);
  }
  static bool Reddish(std::uint32_t argb) {
    const auto p = drawtest::Split(argb);
    return p.a > 60 && p.r > 60 && p.g < 40 && p.b < 40;
  }
  // Columns of `row` holding any of the trace.
  static std::vector<int> RedColumns(Gdiplus::Bitmap* bmp, int row) {
    std::vector<int> out;
    for (int x = 0; x < static_cast<int>(bmp->GetWidth()); ++x)
      if (Reddish(PixelOf(bmp, x, row))) out.push_back(x);
    return out;
  }
};

}  // namespace

TEST(TrendGeometry, GridLinesStopBeforeTheFarEdge) {
  EXPECT_EQ(GridLinePositions(0, 89, 10), (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80}));
  const auto v = GridLinePositions(0, 241, 10);
  ASSERT_EQ(v.size(), 24u);
  EXPECT_EQ(v.front(), 10);
  EXPECT_EQ(v.back(), 240);
  EXPECT_EQ(GridLinePositions(5, 20, 10), (std::vector<int>{15}));
  EXPECT_TRUE(GridLinePositions(0, 10, 10).empty());
}

TEST(TrendGeometry, GridSizeBelowOneIsTakenAsOne) {
  EXPECT_EQ(GridLinePositions(0, 4, 0), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(GridLinePositions(0, 4, -7), (std::vector<int>{1, 2, 3}));
}

TEST(TrendGeometry, PlotShrinksByOnePixelPerSideUnderABorder) {
  const Gdiplus::Rect p = TrendPlotRect(241, 89, true);
  EXPECT_EQ(p.X, 1);
  EXPECT_EQ(p.Y, 1);
  EXPECT_EQ(p.Width, 239);
  EXPECT_EQ(p.Height, 87);
  EXPECT_EQ(TrendPlotRect(241, 89, false).Width, 241);
}

TEST(TrendGeometry, NewestValueSitsAt99StepsAndTraceClosesAtTheBottom) {
  const Gdiplus::Rect p(1, 1, 239, 87);
  const double step = 239 / 100.0;
  const auto one = TrendPoints(p, {50}, 100, 0);
  ASSERT_EQ(one.size(), 3u);
  EXPECT_FLOAT_EQ(one[0].X, static_cast<float>(1 + 99 * step));
  EXPECT_FLOAT_EQ(one[0].Y, 88.0f);
  EXPECT_FLOAT_EQ(one[1].X, static_cast<float>(1 + 99 * step));
  EXPECT_FLOAT_EQ(one[1].Y, static_cast<float>(88 - 50 * 0.87));
  EXPECT_FLOAT_EQ(one[2].X, 240.0f);
  EXPECT_FLOAT_EQ(one[2].Y, 88.0f);

  std::deque<int> full(100, 0);
  full.back() = 100;
  const auto pts = TrendPoints(p, full, 100, 0);
  ASSERT_EQ(pts.size(), 102u);
  EXPECT_FLOAT_EQ(pts[1].X, 1.0f);  // oldest at the left edge once 100 values exist
  EXPECT_FLOAT_EQ(pts[100].X, static_cast<float>(1 + 99 * step));
  EXPECT_FLOAT_EQ(pts[100].Y, 1.0f);  // Max reaches the top of the plot
}

TEST(TrendGeometry, EmptyLineCollapsesOntoTheBottomRightCorner) {
  const auto pts = TrendPoints(Gdiplus::Rect(0, 0, 200, 100), {}, 100, 0);
  ASSERT_EQ(pts.size(), 2u);
  EXPECT_FLOAT_EQ(pts[0].X, 200.0f);
  EXPECT_FLOAT_EQ(pts[1].X, 200.0f);
}

TEST(TrendGeometry, ExtremeRangeDoesNotOverflow) {
  const auto pts = TrendPoints(Gdiplus::Rect(0, 0, 100, 100), {0}, INT_MAX, INT_MIN);
  EXPECT_NEAR(pts[1].Y, 50.0f, 0.01f);
}

TEST_F(TrendLineTest, AddValueOutsideLinesOneToFiveChangesNothing) {
  TQvGDIPlusTrendLine c(nullptr);
  c.SetBounds(0, 0, 50, 20);
  const int renders = c.RenderCount();
  c.AddValue(0, 5);
  c.AddValue(6, 5);
  EXPECT_EQ(c.RenderCount(), renders);
  for (int line = 1; line <= 5; ++line) EXPECT_TRUE(c.Values(line).empty());
  EXPECT_TRUE(c.Values(0).empty());
}

TEST_F(TrendLineTest, KeepsTheLast100ValuesOldestFirst) {
  TQvGDIPlusTrendLine c(nullptr);
  c.SetAutoDraw(false);
  for (int i = 1; i <= 100; ++i) c.AddValue(2, i);
  EXPECT_EQ(c.Values(2).size(), 100u);
  EXPECT_EQ(c.Values(2).front(), 1);
  c.AddValue(2, 101);
  ASSERT_EQ(c.Values(2).size(), 100u);
  EXPECT_EQ(c.Values(2).front(), 2);
  EXPECT_EQ(c.Values(2).back(), 101);
  for (int i = 0; i < 50; ++i) c.AddValue(2, 0);
  EXPECT_EQ(c.Values(2).size(), 100u);
  EXPECT_TRUE(c.Values(1).empty());
}

TEST_F(TrendLineTest, GridOfA241By89ChartAt10PixelSteps) {
  TQvGDIPlusTrendLine c(nullptr);
  Bare(c);
  c.SetShowGrid(true);
  c.SetGridColor(clBlue);
  c.SetGridColorAlpha(255);
  c.SetBounds(0, 0, 241, 89);
  Gdiplus::Bitmap* bmp = c.CachedBitmap();
  ASSERT_NE(bmp, nullptr);
  ASSERT_EQ(bmp->GetWidth(), 241u);
  ASSERT_EQ(bmp->GetHeight(), 89u);
  const std::uint32_t blue = 0xFF0000FF;
  for (int y = 10; y <= 80; y += 10) {
    EXPECT_TRUE(Near(PixelOf(bmp, 5, y), blue, 2)) << "row " << y;
    EXPECT_TRUE(Near(PixelOf(bmp, 125, y), blue, 2)) << "row " << y;
  }
  for (int x = 10; x <= 240; x += 10) EXPECT_TRUE(Near(PixelOf(bmp, x, 45), blue, 2)) << "col " << x;
  // Between the lines and along the edges the picture stays transparent.
  EXPECT_EQ(PixelOf(bmp, 5, 5), kTransparent);
  EXPECT_EQ(PixelOf(bmp, 15, 15), kTransparent);
  for (int x : {0, 5, 15, 125}) {
    EXPECT_EQ(PixelOf(bmp, x, 0), kTransparent) << "top edge x " << x;
    EXPECT_EQ(PixelOf(bmp, x, 88), kTransparent) << "bottom edge x " << x;
  }
  for (int y : {0, 5, 45, 88}) EXPECT_EQ(PixelOf(bmp, 0, y), kTransparent) << "left edge y " << y;
}

TEST_F(TrendLineTest, GridSizeZeroDrawsEveryPixelAndFinishes) {
  TQvGDIPlusTrendLine c(nullptr);
  Bare(c);
  c.SetShowGrid(true);
  c.SetGridSize(0);
  c.SetGridColorAlpha(255);
  c.SetBounds(0, 0, 30, 20);
  ASSERT_NE(c.CachedBitmap(), nullptr);
  EXPECT_NE(drawtest::Split(PixelOf(c.CachedBitmap(), 7, 7)).a, 0);
}

TEST_F(TrendLineTest, BorderShowsOnePixelOnEachSide) {
  TQvGDIPlusTrendLine c(nullptr);
  Bare(c);
  c.SetShowBorder(true);
  c.SetBorderColor1(clLime);
  c.SetBorderColor2(clLime);
  c.SetBorderAlpha(255);
  c.SetBounds(0, 0, 40, 30);
  Gdiplus::Bitmap* bmp = c.CachedBitmap();
  const std::uint32_t lime = 0xFF00FF00;
  EXPECT_TRUE(Near(PixelOf(bmp, 20, 0), lime, 3));
  EXPECT_TRUE(Near(PixelOf(bmp, 0, 15), lime, 3));
  EXPECT_TRUE(Near(PixelOf(bmp, 39, 15), lime, 3));
  EXPECT_TRUE(Near(PixelOf(bmp, 20, 29), lime, 3));
  EXPECT_EQ(PixelOf(bmp, 2, 15), kTransparent);
  EXPECT_EQ(PixelOf(bmp, 20, 15), kTransparent);
}

TEST_F(TrendLineTest, BackgroundRunsFromFirstToSecondColour) {
  TQvGDIPlusTrendLine c(nullptr);
  Bare(c);
  c.SetShowBackColor(true);
  c.SetBackColor1(clBlack);
  c.SetBackColor2(clWhite);
  c.SetBackColorAlpha(128);
  c.SetBounds(0, 0, 100, 100);
  Gdiplus::Bitmap* bmp = c.CachedBitmap();
  EXPECT_TRUE(Near(PixelOf(bmp, 50, 0), 0x80000000, 8));
  EXPECT_TRUE(Near(PixelOf(bmp, 50, 99), 0x80FFFFFF, 8));
  EXPECT_TRUE(Near(PixelOf(bmp, 0, 50), PixelOf(bmp, 99, 50), 2));  // vertical: rows are flat
  c.SetBackColorMode(Gdiplus::LinearGradientModeHorizontal);
  c.Rebuild();
  bmp = c.CachedBitmap();
  EXPECT_TRUE(Near(PixelOf(bmp, 0, 50), 0x80000000, 8));
  EXPECT_TRUE(Near(PixelOf(bmp, 99, 50), 0x80FFFFFF, 8));
}

TEST_F(TrendLineTest, OneValueDrawsAThinSpikeAt99Steps) {
  TQvGDIPlusTrendLine c(nullptr);
  Bare(c);
  RedLine(c);
  c.SetBounds(0, 0, 200, 100);
  c.AddValue(1, 100);
  c.Rebuild();
  Gdiplus::Bitmap* bmp = c.CachedBitmap();
  const auto cols = RedColumns(bmp, 50);
  ASSERT_FALSE(cols.empty());
  // xStep = 2: the spike rises at x = 198 and falls to the corner at x = 200.
  EXPECT_GE(cols.front(), 197);
  EXPECT_LE(cols.back(), 199);
  EXPECT_TRUE(RedColumns(bmp, 20).size() > 0);
  EXPECT_EQ(PixelOf(bmp, 100, 50), kTransparent);
}

TEST_F(TrendLineTest, NewValuesShiftTheTraceLeftOnceTheLineIsFull) {
  TQvGDIPlusTrendLine c(nullptr);
  Bare(c);
  RedLine(c);
  c.SetBounds(0, 0, 200, 100);
  c.AddValue(1, 100);
  for (int i = 0; i < 99; ++i) c.AddValue(1, 0);
  c.Rebuild();
  // The single peak is now the oldest value, at the left edge.
  auto cols = RedColumns(c.CachedBitmap(), 50);
  ASSERT_FALSE(cols.empty());
  EXPECT_LE(cols.back(), 3);
  c.AddValue(1, 0);  // the peak drops out
  c.Rebuild();
  EXPECT_TRUE(RedColumns(c.CachedBitmap(), 50).empty());
}

TEST_F(TrendLineTest, FillCoversTheAreaUnderTheTraceInAVerticalGradient) {
  TQvGDIPlusTrendLine c(nullptr);
  Bare(c);
  c.SetLine1Visible(true);
  c.SetLine1Color1(clRed);
  c.SetLine1Color2(clLime);
  c.SetLine1Alpha(255);
  c.SetLine1Fill(true);
  c.SetBounds(0, 0, 200, 100);
  for (int i = 0; i < 100; ++i) c.AddValue(1, 80);
  c.Rebuild();
  Gdiplus::Bitmap* bmp = c.CachedBitmap();
  EXPECT_EQ(PixelOf(bmp, 100, 10), kTransparent);  // above the trace
  const auto high = drawtest::Split(PixelOf(bmp, 100, 25));
  const auto low = drawtest::Split(PixelOf(bmp, 100, 95));
  EXPECT_EQ(high.a, 255);
  EXPECT_EQ(low.a, 255);
  EXPECT_GT(high.r, high.g);  // nearer the top: red
  EXPECT_GT(low.g, low.r);    // nearer the bottom: green
}

TEST_F(TrendLineTest, ValueAboveMaxIsCutOffAtTheTop) {
  TQvGDIPlusTrendLine c(nullptr);
  Bare(c);
  RedLine(c);
  c.SetLine1Fill(true);
  c.SetBounds(0, 0, 100, 50);
  for (int i = 0; i < 100; ++i) c.AddValue(1, 1000);
  c.Rebuild();
  EXPECT_TRUE(Reddish(PixelOf(c.CachedBitmap(), 50, 0)));
}

TEST_F(TrendLineTest, EqualMaxAndMinBecomeARangeOfOneAtTheFirstRender) {
  TQvGDIPlusTrendLine c(nullptr);
  c.SetBounds(0, 0, 50, 20);
  c.SetMin(50);
  c.SetMax(50);
  EXPECT_EQ(c.Max(), 51);  // AutoDraw rendered a visible line

  TQvGDIPlusTrendLine hidden(nullptr);
  hidden.SetLine1Visible(false);
  hidden.SetBounds(0, 0, 50, 20);
  hidden.SetMin(50);
  hidden.SetMax(50);
  EXPECT_EQ(hidden.Max(), 50);  // no line drawn, nothing to divide
}

TEST_F(TrendLineTest, TwoPixelHighChartWithBorderDrawsNoLine) {
  TQvGDIPlusTrendLine c(nullptr);
  Bare(c);
  RedLine(c);
  c.SetLine1Fill(true);
  c.SetShowBorder(true);
  c.SetBorderColor1(clBlue);
  c.SetBorderColor2(clBlue);
  c.SetBorderAlpha(255);
  c.SetBounds(0, 0, 30, 2);
  for (int i = 0; i < 10; ++i) c.AddValue(1, 50);
  c.Rebuild();
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 30; ++x) ASSERT_FALSE(Reddish(PixelOf(c.CachedBitmap(), x, y)));
}

TEST_F(TrendLineTest, AutoDrawOffStoresValuesAndSwitchingOnRendersOnce) {
  Counting<TQvGDIPlusTrendLine> c(nullptr);
  Bare(c);
  RedLine(c);
  c.SetBounds(0, 0, 200, 100);
  const int renders = c.RenderCount();
  const int repaints = c.invalidations;
  for (int i = 0; i < 100; ++i) c.AddValue(1, 50);
  EXPECT_EQ(c.RenderCount(), renders);
  EXPECT_EQ(c.invalidations, repaints);
  EXPECT_TRUE(RedColumns(c.CachedBitmap(), 50).empty());
  c.SetAutoDraw(true);
  EXPECT_EQ(c.RenderCount(), renders + 1);
  EXPECT_GT(c.invalidations, repaints);
  EXPECT_GT(RedColumns(c.CachedBitmap(), 50).size(), 150u);
  // From now on every value renders and asks for a repaint.
  c.AddValue(1, 10);
  EXPECT_EQ(c.RenderCount(), renders + 2);
}

TEST_F(TrendLineTest, LineColourSettersShowOnlyAtTheNextRender) {
  TQvGDIPlusTrendLine c(nullptr);
  RedLine(c);
  c.SetLine1Fill(true);
  c.SetShowBackColor(false);
  c.SetShowGrid(false);
  c.SetShowBorder(false);
  c.SetBounds(0, 0, 100, 50);
  for (int i = 0; i < 100; ++i) c.AddValue(1, 50);
  const int renders = c.RenderCount();
  c.SetLine1Color1(clBlue);
  c.SetLine1Color2(clBlue);
  EXPECT_EQ(c.RenderCount(), renders);
  EXPECT_TRUE(Reddish(PixelOf(c.CachedBitmap(), 50, 40)));
  c.SetAutoDraw(false);
  c.SetAutoDraw(true);
  const auto p = drawtest::Split(PixelOf(c.CachedBitmap(), 50, 40));
  EXPECT_GT(p.b, 200);
  EXPECT_LT(p.r, 40);
}

TEST_F(TrendLineTest, UnchangedValuesDoNotRender) {
  Counting<TQvGDIPlusTrendLine> c(nullptr);
  c.SetBounds(0, 0, 50, 20);
  const int renders = c.RenderCount();
  const int repaints = c.invalidations;
  c.SetBackColorMode(c.BackColorMode());
  c.SetMax(c.Max());
  c.SetGridSize(c.GridSize());
  c.SetLine1Fill(c.Line1Fill());
  EXPECT_EQ(c.RenderCount(), renders);
  EXPECT_EQ(c.invalidations, repaints);
  c.SetBackColorMode(Gdiplus::LinearGradientModeForwardDiagonal);
  EXPECT_EQ(c.RenderCount(), renders + 1);
  EXPECT_EQ(c.invalidations, repaints + 1);
}

TEST_F(TrendLineTest, FillAlphaIsKeptButDoesNotChangeThePicture) {
  TQvGDIPlusTrendLine c(nullptr);
  c.SetBounds(0, 0, 60, 30);
  for (int i = 0; i < 100; ++i) c.AddValue(1, i);
  std::vector<std::uint32_t> before;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) before.push_back(PixelOf(c.CachedBitmap(), x, y));
  c.SetLineFill1Alpha(0);
  EXPECT_EQ(c.LineFill1Alpha(), 0);
  std::vector<std::uint32_t> after;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) after.push_back(PixelOf(c.CachedBitmap(), x, y));
  EXPECT_EQ(before, after);
}

TEST_F(TrendLineTest, ClearValuesEmptiesTheLineAndRendersEvenWithAutoDrawOff) {
  Counting<TQvGDIPlusTrendLine> c(nullptr);
  RedLine(c);
  c.SetBounds(0, 0, 100, 50);
  for (int i = 0; i < 100; ++i) c.AddValue(1, 50);
  c.SetAutoDraw(false);
  c.ClearValues(0);
  c.ClearValues(6);
  EXPECT_EQ(c.Values(1).size(), 100u);
  const int renders = c.RenderCount();
  const int repaints = c.invalidations;
  c.ClearValues(1);
  EXPECT_TRUE(c.Values(1).empty());
  EXPECT_EQ(c.RenderCount(), renders + 1);
  EXPECT_EQ(c.invalidations, repaints + 1);
}

TEST_F(TrendLineTest, ZeroSizedChartHasNoPictureAndPaintsNothing) {
  TQvGDIPlusTrendLine c(nullptr);
  c.SetBounds(0, 0, 0, 40);
  EXPECT_EQ(c.CachedBitmap(), nullptr);
  c.AddValue(1, 10);
  drawtest::Surface s(10, 10, 0x123456);
  drawtest::PaintOn(c, s);
  EXPECT_EQ(s.Pixel(0, 0), 0xFF123456u);
  c.SetBounds(0, 0, 20, 10);  // a later size brings the picture
  EXPECT_NE(c.CachedBitmap(), nullptr);
}

TEST_F(TrendLineTest, PaintBlendsTheCachedPictureOverTheParent) {
  TQvGDIPlusTrendLine c(nullptr);
  Bare(c);
  c.SetShowBackColor(true);
  c.SetBackColor1(clRed);
  c.SetBackColor2(clRed);
  c.SetBackColorAlpha(128);
  c.SetBounds(0, 0, 20, 10);
  drawtest::Surface s(30, 15, 0x0000FF);  // blue beneath
  drawtest::PaintOn(c, s);
  EXPECT_TRUE(Near(s.Pixel(10, 5), 0xFF80007F, 3));
  EXPECT_EQ(s.Pixel(25, 12), 0xFF0000FFu);  // outside the chart
  // Painting draws the cache only.
  const int renders = c.RenderCount();
  drawtest::PaintOn(c, s);
  EXPECT_EQ(c.RenderCount(), renders);
}

TEST_F(TrendLineTest, EveryPaintShowsTheValuesOfTheLastRender) {
  TQvGDIPlusTrendLine c(nullptr);
  Bare(c);
  RedLine(c);
  c.SetLine1Fill(true);
  c.SetBounds(0, 0, 40, 40);
  c.SetAutoDraw(true);
  auto redRows = [&] {
    drawtest::Surface s(40, 40, 0x000000);
    drawtest::PaintOn(c, s);
    int top = 40;
    for (int y = 0; y < 40; ++y)
      if (Reddish(s.Pixel(30, y))) top = std::min(top, y);
    return top;
  };
  for (int k = 0; k < 100; ++k) c.AddValue(1, 10);
  const int low = redRows();
  EXPECT_GE(low, 33);
  for (int k = 0; k < 100; ++k) c.AddValue(1, 90);
  const int high = redRows();
  EXPECT_LE(high, 6);  // the same size: a picture kept between paints must not go stale
  c.SetBounds(0, 0, 40, 20);
  c.ClearValues(1);
  EXPECT_EQ(redRows(), 40);
}

TEST_F(TrendLineTest, AFullHistoryOfOneValueNeitherRendersNorRepaintsAgain) {
  drawtest::Counting<TQvGDIPlusTrendLine> c(nullptr);
  c.SetBounds(0, 0, 60, 40);
  for (int k = 0; k < 99; ++k) c.AddValue(1, 40);
  int renders = c.RenderCount();
  c.AddValue(1, 40);  // the 100th: the trace still moved to the left edge
  EXPECT_EQ(c.RenderCount(), renders + 1);
  renders = c.RenderCount();
  const int repaints = c.invalidations;
  for (int k = 0; k < 5; ++k) c.AddValue(1, 40);
  EXPECT_EQ(c.RenderCount(), renders);
  EXPECT_EQ(c.invalidations, repaints);
  EXPECT_EQ(c.Values(1).size(), 100u);
  c.AddValue(1, 41);  // a new value always shows
  EXPECT_EQ(c.RenderCount(), renders + 1);
  EXPECT_EQ(c.invalidations, repaints + 1);
  c.AddValue(1, 41);  // and moves along until it fills the history
  EXPECT_EQ(c.RenderCount(), renders + 2);
}

TEST_F(TrendLineTest, ChangesKeptForTheNextRenderAreNotLostToAnUnchangedTrace) {
  TQvGDIPlusTrendLine c(nullptr);
  Bare(c);
  RedLine(c);
  c.SetBounds(0, 0, 60, 40);
  c.SetAutoDraw(true);
  for (int k = 0; k < 100; ++k) c.AddValue(1, 50);
  auto redPixels = [&] {
    int n = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 60; ++x) n += Reddish(PixelOf(c.CachedBitmap(), x, y));
    return n;
  };
  ASSERT_GT(redPixels(), 50);
  // The colours only store: the next value, even the same one, renders them.
  c.SetLine1Color1(clBlue);
  c.SetLine1Color2(clBlue);
  int renders = c.RenderCount();
  c.AddValue(1, 50);
  EXPECT_EQ(c.RenderCount(), renders + 1);
  EXPECT_EQ(redPixels(), 0);
  // Changed while drawing was off, then the same value again: drawn when switched on.
  c.SetAutoDraw(false);
  c.SetLine1Width(3);
  renders = c.RenderCount();
  c.AddValue(1, 50);
  EXPECT_EQ(c.RenderCount(), renders);
  c.SetAutoDraw(true);
  EXPECT_EQ(c.RenderCount(), renders + 1);
  c.AddValue(1, 50);
  EXPECT_EQ(c.RenderCount(), renders + 1);
  // Cleared and refilled with the same value: a fresh trace, drawn.
  c.ClearValues(1);
  renders = c.RenderCount();
  for (int k = 0; k < 100; ++k) c.AddValue(1, 50);
  EXPECT_EQ(c.RenderCount(), renders + 100);
}

TEST_F(TrendLineTest, NewChartHasAPictureOfItsDefaultSizeBeforeItIsPlaced) {
  TQvGDIPlusTrendLine c(nullptr);
  ASSERT_NE(c.CachedBitmap(), nullptr);
  EXPECT_EQ(c.CachedBitmap()->GetWidth(), static_cast<UINT>(c.Width()));
  EXPECT_EQ(c.CachedBitmap()->GetHeight(), static_cast<UINT>(c.Height()));
  EXPECT_GT(c.Width(), 0);
  c.SetBounds(8, 40, 241, 89);  // placing renders at the new size
  EXPECT_EQ(c.CachedBitmap()->GetWidth(), 241u);
}

namespace {
std::vector<std::uint32_t> AllPixels(Gdiplus::Bitmap* bmp) {
  std::vector<std::uint32_t> out;
  if (!bmp) return out;
  for (int y = 0; y < static_cast<int>(bmp->GetHeight()); ++y)
    for (int x = 0; x < static_cast<int>(bmp->GetWidth()); ++x) out.push_back(PixelOf(bmp, x, y));
  return out;
}

// The same chart state rendered by a control that never drew before.
std::vector<std::uint32_t> FreshPicture(const TQvGDIPlusTrendLine& like) {
  TQvGDIPlusTrendLine c(nullptr);
  c.SetAutoDraw(false);
  c.SetShowBackColor(like.ShowBackColor());
  c.SetBackColorMode(like.BackColorMode());
  c.SetBackColor1(like.BackColor1());
  c.SetBackColor2(like.BackColor2());
  c.SetBackColorAlpha(like.BackColorAlpha());
  c.SetShowGrid(like.ShowGrid());
  c.SetGridSize(like.GridSize());
  c.SetGridColor(like.GridColor());
  c.SetGridColorAlpha(like.GridColorAlpha());
  c.SetShowBorder(like.ShowBorder());
  c.SetBorderColor1(like.BorderColor1());
  c.SetBorderColor2(like.BorderColor2());
  c.SetBorderAlpha(like.BorderAlpha());
  c.SetLine1Color1(like.Line1Color1());
  c.SetLine1Color2(like.Line1Color2());
  c.SetLine1Fill(like.Line1Fill());
  c.SetLine1Alpha(like.Line1Alpha());
  for (int v : like.Values(1)) c.AddValue(1, v);
  c.SetBounds(0, 0, like.Width(), like.Height());
  return AllPixels(c.CachedBitmap());
}
}  // namespace

// Per-monitor DPI: the monitor window moves between monitors of 96, 120 and 144 DPI (Windows
// sends WM_DPICHANGED each time, and the form scales from its last DPI to the new one). The
// grid and the line widths follow the design values, not their rounded last scaling, so the
// chart is back to its first picture when the window is back at 96 DPI.
TEST_F(TrendLineTest, DpiChangesScaleGridAndLineWidthsFromTheirDesignValues) {
  TQvGDIPlusTrendLine c(nullptr);
  c.SetBounds(8, 40, 241, 89);
  c.SetGridSize(10);
  c.SetLine1Width(1);
  c.SetLine2Visible(true);
  c.SetLine2Width(3);
  for (int i = 0; i < 100; ++i) c.AddValue(1, (i * 37) % 100);
  const std::vector<std::uint32_t> at96 = AllPixels(c.CachedBitmap());
  struct Step {
    int to, from, grid, width1, width2;
  };
  const Step steps[] = {{120, 96, 13, 1, 4},  {144, 120, 15, 2, 5}, {96, 144, 10, 1, 3},
                        {144, 96, 15, 2, 5},  {192, 144, 20, 2, 6}, {96, 192, 10, 1, 3}};
  for (const Step& s : steps) {
    c.ChangeScale(s.to, s.from);
    EXPECT_EQ(c.GridSize(), s.grid) << s.from << " -> " << s.to;
    EXPECT_EQ(c.Line1Width(), s.width1) << s.from << " -> " << s.to;
    EXPECT_EQ(c.Line2Width(), s.width2) << s.from << " -> " << s.to;
  }
  c.SetBounds(8, 40, 241, 89);  // the bounds are the form's to lay out
  EXPECT_EQ(AllPixels(c.CachedBitmap()), at96);
  // A value given at another DPI is the one that scale follows from then on.
  c.ChangeScale(144, 96);
  c.SetGridSize(12);
  c.ChangeScale(96, 144);
  EXPECT_EQ(c.GridSize(), 8);
  c.ChangeScale(120, 96);
  EXPECT_EQ(c.GridSize(), 10);
}

// The layer behind the traces is kept between renders; whatever changes, the picture must
// be exactly what a first render of the same state gives: no trace left from the values
// before, no stale background, grid or border.
TEST_F(TrendLineTest, EveryRenderEqualsAFirstRenderOfTheSameState) {
  TQvGDIPlusTrendLine c(nullptr);
  c.SetBounds(0, 0, 120, 60);
  for (int i = 0; i < 100; ++i) c.AddValue(1, (i * 37) % 100);
  EXPECT_EQ(AllPixels(c.CachedBitmap()), FreshPicture(c));

  const std::vector<std::function<void()>> changes = {
      [&] { c.ClearValues(1); },
      [&] { c.AddValue(1, 100); },
      [&] { c.AddValue(1, 0); },
      [&] { c.SetBackColor1(clRed); },
      [&] { c.SetBackColor2(clBlue); },
      [&] { c.SetBackColorAlpha(200); },
      [&] { c.SetBackColorMode(Gdiplus::LinearGradientModeHorizontal); },
      [&] { c.SetGridColor(clLime); },
      [&] { c.SetGridColorAlpha(255); },
      [&] { c.SetGridSize(7); },
      [&] { c.SetShowGrid(false); },
      [&] { c.SetBorderColor1(clYellow); },
      [&] { c.SetBorderColor2(0xFF00FF); },
      [&] { c.SetBorderAlpha(255); },
      [&] { c.SetShowBorder(false); },
      [&] { c.SetShowBackColor(false); },
      [&] { c.SetBounds(0, 0, 90, 70); },
      [&] { c.SetBounds(0, 0, 90, 40); },
      [&] { c.AddValue(1, 60); },
  };
  for (std::size_t i = 0; i < changes.size(); ++i) {
    changes[i]();
    ASSERT_EQ(AllPixels(c.CachedBitmap()), FreshPicture(c)) << "after change " << i;
  }
}

// The traces are coloured row by row from a coverage mask; the picture must be the one GDI+
// draws with its own gradient brush and pen, to within rounding.
TEST_F(TrendLineTest, TracesLookAsGdiPlusDrawsThemWithAGradientBrush) {
  const std::vector<std::function<int(int)>> series = {
      [](int i) { return (i * 37) % 101; },                // jagged
      [](int) { return 97; },                               // a memory chart
      [](int i) { return i < 60 ? 3 : 3 + (i - 60) * 2; }};  // a climb
  // (Values out of range reach rows outside the gradient, where Wine's GDI+ does not repeat
  // the gradient as GDI+ documents it.)
  for (bool border : {true, false})
    for (size_t k = 0; k < series.size(); ++k) {
      TQvGDIPlusTrendLine c(nullptr), bare(nullptr);
      for (TQvGDIPlusTrendLine* chart : {&c, &bare}) {
        chart->SetAutoDraw(false);
        chart->SetShowBorder(border);
        chart->SetLine1Color1(clRed);
        chart->SetLine1Color2(clBlue);
        chart->SetLine1Alpha(160);
        chart->SetLine1Fill(true);
        chart->SetLine1Width(2);
        chart->SetBounds(0, 0, 241, 89);
        for (int i = 0; i < 100; ++i) chart->AddValue(1, series[k](i));
      }
      bare.SetLine1Visible(false);
      c.Rebuild();
      bare.Rebuild();
      ASSERT_NE(c.CachedBitmap(), nullptr);
      ASSERT_NE(bare.CachedBitmap(), nullptr);

      // The background alone, then the trace and the fill drawn as GDI+ alone would.
      Gdiplus::Bitmap& expected = *bare.CachedBitmap();
      {
        Gdiplus::Graphics g(&expected);
        const Gdiplus::Rect plot = TrendPlotRect(241, 89, border);
        const auto pts = TrendPoints(plot, c.Values(1), c.Max(), c.Min());
        Gdiplus::LinearGradientBrush brush(plot, Gdiplus::Color(ToARGB(clRed, 160)),
                                           Gdiplus::Color(ToARGB(clBlue, 160)),
                                           Gdiplus::LinearGradientModeVertical);
        Gdiplus::Pen pen(&brush, 2.0f);
        g.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
        const int n = static_cast<int>(pts.size());
        g.DrawCurve(&pen, pts.data(), n, 0.0f);
        g.FillClosedCurve(&brush, pts.data(), n, Gdiplus::FillModeAlternate, 0.0f);
      }
      int off = 0;
      std::string first;
      for (int y = 0; y < 89; ++y)
        for (int x = 0; x < 241; ++x)
          if (auto same = Near(PixelOf(c.CachedBitmap(), x, y), PixelOf(&expected, x, y), 4); !same) {
            if (off++ == 0) {
              char at[32];
              snprintf(at, sizeof at, "first at (%d, %d): ", x, y);
              first = std::string(at) + same.message();
            }
          }
      EXPECT_EQ(off, 0) << "pixels off, series " << k << (border ? " under a border, " : ", ") << first;
    }
}
