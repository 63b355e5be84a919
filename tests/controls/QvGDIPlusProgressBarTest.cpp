#include <gtest/gtest.h>

#include "DrawingTestSupport.h"
#include "controls/QvGDIPlusProgressBar.h"
#include "support/TestSupport.h"

using drawtest::Counting;
using drawtest::Near;

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00;

class ProgressBarTest : public drawtest::GdiPlusTest {
 protected:
  // Flat colours make the front's extent readable pixel by pixel.
  static void FlatColours(TQvGDIPlusProgressBar& b) {
    b.SetFrontColor(clRed);
    b.SetFrontGradColor(clRed);
    b.SetBackColor(clBlue);
    b.SetBackGradColor(clBlue);
  }
  static bool IsFront(std::uint32_t px) { return Near(px, kRed, 8); }
};

}  // namespace

TEST(ProgressGeometry, FrontLengthIsTruncatedToWholePixels) {
  const Gdiplus::Rect left = ProgressFrontRect(pbdsLeft, 89, 15, 50);
  EXPECT_EQ(left.X, 0);
  EXPECT_EQ(left.Width, 44);
  EXPECT_EQ(left.Height, 15);
  const Gdiplus::Rect right = ProgressFrontRect(pbdsRight, 89, 15, 50);
  EXPECT_EQ(right.X, 45);
  EXPECT_EQ(right.Width, 44);
  const Gdiplus::Rect top = ProgressFrontRect(pbdsTop, 89, 15, 40);
  EXPECT_EQ(top.Y, 0);
  EXPECT_EQ(top.Height, 6);
  EXPECT_EQ(top.Width, 89);
  const Gdiplus::Rect bottom = ProgressFrontRect(pbdsBottom, 89, 15, 40);
  EXPECT_EQ(bottom.Y, 9);
  EXPECT_EQ(bottom.Height, 6);
  EXPECT_EQ(ProgressFrontRect(pbdsLeft, 89, 15, 0).Width, 0);
  EXPECT_EQ(ProgressFrontRect(pbdsLeft, 89, 15, 100).Width, 89);
}

TEST(ProgressGeometry, ImageIsCroppedNotSqueezed) {
  const TProgressImagePart l = ProgressImagePart(pbdsLeft, 100, 10, 200, 20, 25);
  EXPECT_FLOAT_EQ(l.Dest.Width, 25.0f);
  EXPECT_FLOAT_EQ(l.Dest.Height, 10.0f);
  EXPECT_FLOAT_EQ(l.Source.X, 0.0f);
  EXPECT_FLOAT_EQ(l.Source.Width, 50.0f);
  EXPECT_FLOAT_EQ(l.Source.Height, 20.0f);
  const TProgressImagePart r = ProgressImagePart(pbdsRight, 100, 10, 200, 20, 25);
  EXPECT_FLOAT_EQ(r.Dest.X, 75.0f);
  EXPECT_FLOAT_EQ(r.Source.X, 150.0f);
  const TProgressImagePart b = ProgressImagePart(pbdsBottom, 100, 10, 200, 20, 25);
  EXPECT_FLOAT_EQ(b.Dest.Y, 7.5f);
  EXPECT_FLOAT_EQ(b.Dest.Height, 2.5f);
  EXPECT_FLOAT_EQ(b.Source.Y, 15.0f);
  EXPECT_FLOAT_EQ(b.Source.Height, 5.0f);
}

TEST(ProgressGeometry, GradientRunsAcrossTheBar) {
  EXPECT_EQ(ProgressGradientMode(pbdsLeft), Gdiplus::LinearGradientModeVertical);
  EXPECT_EQ(ProgressGradientMode(pbdsRight), Gdiplus::LinearGradientModeVertical);
  EXPECT_EQ(ProgressGradientMode(pbdsTop), Gdiplus::LinearGradientModeHorizontal);
  EXPECT_EQ(ProgressGradientMode(pbdsBottom), Gdiplus::LinearGradientModeHorizontal);
}

TEST_F(ProgressBarTest, ValueIsClampedAndAnUnchangedValueAsksNoRepaint) {
  Counting<TQvGDIPlusProgressBar> b(nullptr);
  b.SetValue(-5);
  EXPECT_EQ(b.Value(), 0);
  EXPECT_EQ(b.invalidations, 0);  // clamped to the stored 0
  b.SetValue(150);
  EXPECT_EQ(b.Value(), 100);
  EXPECT_EQ(b.invalidations, 1);
  b.SetValue(100);
  b.SetValue(200);
  EXPECT_EQ(b.invalidations, 1);
  b.SetValue(42);
  EXPECT_EQ(b.invalidations, 2);
}

TEST_F(ProgressBarTest, SettersRepaintOnlyOnChange) {
  Counting<TQvGDIPlusProgressBar> b(nullptr);
  b.SetFrontColor(b.FrontColor());
  b.SetDrawStyle(b.DrawStyle());
  b.SetShowBorder(b.ShowBorder());
  b.SetBackAlpha(b.BackAlpha());
  b.SetFrontImageSource(b.FrontImageSource());
  EXPECT_EQ(b.invalidations, 0);
  b.SetFrontColor(clLime);
  b.SetDrawStyle(pbdsTop);
  b.SetBorderAlpha(1);
  EXPECT_EQ(b.invalidations, 3);
}

TEST_F(ProgressBarTest, HalfOfA89PixelBarFillsExactly44Columns) {
  TQvGDIPlusProgressBar b(nullptr);
  FlatColours(b);
  b.SetBounds(0, 0, 89, 15);
  b.SetValue(50);
  drawtest::Surface s(89, 15, 0xFFFFFF);
  drawtest::PaintOn(b, s);
  for (int x = 0; x < 89; ++x) {
    if (x < 44)
      EXPECT_TRUE(Near(s.Pixel(x, 7), kRed, 8)) << "column " << x;
    else
      EXPECT_TRUE(Near(s.Pixel(x, 7), kBlue, 8)) << "column " << x;
  }
}

TEST_F(ProgressBarTest, RightStyleFillsFromTheRightEdge) {
  TQvGDIPlusProgressBar b(nullptr);
  FlatColours(b);
  b.SetDrawStyle(pbdsRight);
  b.SetBounds(0, 0, 89, 15);
  b.SetValue(50);
  drawtest::Surface s(89, 15, 0xFFFFFF);
  drawtest::PaintOn(b, s);
  EXPECT_TRUE(Near(s.Pixel(44, 7), kBlue, 8));
  EXPECT_TRUE(Near(s.Pixel(45, 7), kRed, 8));
  EXPECT_TRUE(Near(s.Pixel(88, 7), kRed, 8));
}

TEST_F(ProgressBarTest, BottomStyleAt40PercentCoversRows9To14) {
  TQvGDIPlusProgressBar b(nullptr);
  FlatColours(b);
  b.SetDrawStyle(pbdsBottom);
  b.SetBounds(0, 0, 30, 15);
  b.SetValue(40);
  drawtest::Surface s(30, 15, 0xFFFFFF);
  drawtest::PaintOn(b, s);
  for (int y = 0; y < 15; ++y) {
    if (y >= 9)
      EXPECT_TRUE(Near(s.Pixel(15, y), kRed, 8)) << "row " << y;
    else
      EXPECT_TRUE(Near(s.Pixel(15, y), kBlue, 8)) << "row " << y;
  }
}

TEST_F(ProgressBarTest, ZeroValueShowsBackAndBorderOnly) {
  TQvGDIPlusProgressBar b(nullptr);
  FlatColours(b);
  b.SetShowBorder(true);
  b.SetBorderColor(clLime);
  b.SetBorderGradColor(clLime);
  b.SetBounds(0, 0, 40, 12);
  drawtest::Surface s(40, 12, 0xFFFFFF);
  drawtest::PaintOn(b, s);
  EXPECT_TRUE(Near(s.Pixel(20, 0), kGreen, 8));
  EXPECT_TRUE(Near(s.Pixel(0, 6), kGreen, 8));
  for (int x = 1; x < 39; ++x) ASSERT_FALSE(IsFront(s.Pixel(x, 6))) << x;
  EXPECT_TRUE(Near(s.Pixel(20, 6), kBlue, 8));
}

TEST_F(ProgressBarTest, MonitorBarShowsVerticalGradientsInFrontAndBack) {
  TQvGDIPlusProgressBar b(nullptr);
  b.SetBounds(0, 0, 89, 15);
  b.SetFrontColor(2806653);
  b.SetFrontGradColor(clWhite);
  b.SetFrontAlpha(200);
  b.SetBackColor(clSilver);
  b.SetBackGradColor(clWhite);
  b.SetShowBorder(true);
  b.SetBorderColor(clBlue);
  b.SetBorderGradColor(clBlue);
  b.SetBorderAlpha(128);
  b.SetValue(50);
  drawtest::Surface s(89, 15, 0x000000);
  drawtest::PaintOn(b, s);
  // Back: silver at the top, white at the bottom, flat along a row.
  const auto backTop = drawtest::Split(s.Pixel(70, 1)), backLow = drawtest::Split(s.Pixel(70, 13));
  EXPECT_LT(backTop.g, backLow.g);
  EXPECT_TRUE(Near(s.Pixel(60, 7), s.Pixel(80, 7), 2));
  // Front: 2806653 = RGB(125, 211, 42) blended at 200/255 over black at the top,
  // brighter toward white at the bottom.
  const auto frontTop = drawtest::Split(s.Pixel(20, 1)), frontLow = drawtest::Split(s.Pixel(20, 13));
  EXPECT_GT(frontTop.g, frontTop.r);
  EXPECT_GT(frontTop.g, frontTop.b);
  EXPECT_GT(frontLow.b, frontTop.b + 60);
  EXPECT_TRUE(Near(s.Pixel(10, 7), s.Pixel(30, 7), 2));
}

TEST_F(ProgressBarTest, FrontImageShowsTheFilledPartOfThePicture) {
  testsupport::TempFolder dir;
  // 200 x 20: left 50 columns red, the rest green.
  const std::string file = drawtest::WritePng(dir.File("front.png"), 200, 20, kGreen, {{0, 0, 50, 20, kRed}});
  {
    TQvGDIPlusProgressBar b(nullptr);
    b.SetBackColor(clBlue);
    b.SetBackGradColor(clBlue);
    b.SetFrontMode(pbdmImage);
    b.SetFrontImageSource(file);
    b.SetBounds(0, 0, 100, 10);
    b.SetValue(25);
    drawtest::Surface s(100, 10, 0xFFFFFF);
    drawtest::PaintOn(b, s);
    // Only the red part of the picture is shown, in the left quarter.
    for (int x = 1; x < 24; ++x) EXPECT_TRUE(Near(s.Pixel(x, 5), kRed, 40)) << x;
    for (int x = 26; x < 100; ++x) ASSERT_TRUE(Near(s.Pixel(x, 5), kBlue, 8)) << x;
    // Half transparent front lets the back show through.
    b.SetFrontAlpha(128);
    drawtest::PaintOn(b, s);
    EXPECT_TRUE(Near(s.Pixel(12, 5), 0xFF80007F, 10));
  }
}

TEST_F(ProgressBarTest, BackImageIsStretchedOverTheBar) {
  testsupport::TempFolder dir;
  const std::string file = drawtest::WritePng(dir.File("back.png"), 4, 2, kGreen, {{2, 0, 2, 2, kRed}});
  TQvGDIPlusProgressBar b(nullptr);
  b.SetBackMode(pbdmImage);
  b.SetBackImageSource(file);
  b.SetBounds(0, 0, 40, 10);
  drawtest::Surface s(40, 10, 0xFFFFFF);
  drawtest::PaintOn(b, s);
  // Wine and Windows interpolate a 10-fold stretch differently; the colour must dominate.
  EXPECT_TRUE(Near(s.Pixel(8, 5), kGreen, 60));
  EXPECT_TRUE(Near(s.Pixel(32, 5), kRed, 60));
}

TEST_F(ProgressBarTest, MissingOrBrokenImageDrawsNothingAndReportsNothing) {
  testsupport::TempFolder dir;
  dir.Write("broken.png", "this is not a picture");
  for (const std::string& file : {dir.File("missing.png"), dir.File("broken.png")}) {
    TQvGDIPlusProgressBar b(nullptr);
    FlatColours(b);
    b.SetFrontMode(pbdmImage);
    b.SetFrontImageSource(file);
    b.SetBackMode(pbdmImage);
    b.SetBackImageSource(file);
    b.SetBounds(0, 0, 20, 10);
    b.SetValue(100);
    drawtest::Surface s(20, 10, 0x123456);
    drawtest::PaintOn(b, s);
    EXPECT_EQ(s.Pixel(10, 5), 0xFF123456u) << file;
    EXPECT_EQ(b.FrontImageSource(), file);
  }
}
