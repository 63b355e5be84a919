#include <gtest/gtest.h>

#include "DrawingTestSupport.h"
#include "controls/DockButton.h"
#include "support/TestSupport.h"

using drawtest::Counting;
using drawtest::Near;
using drawtest::PixelOf;

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00,
                        kYellow = 0xFFFFFF00, kGrey = 0xFF808080;

class DockButtonTest : public drawtest::GdiPlusTest {
 protected:
  std::string Png(const std::string& name, int w, int h, std::uint32_t argb,
                  const std::vector<drawtest::Patch>& patches = {}) {
    return drawtest::WritePng(dir_.File(name), w, h, argb, patches);
  }
  // Colour in the middle of the cached picture.
  static std::uint32_t Middle(const TPCDockButton& b) {
    Gdiplus::Bitmap* c = b.CachedPicture();
    return c ? PixelOf(c, static_cast<int>(c->GetWidth()) / 2, static_cast<int>(c->GetHeight()) / 2)
             : 0;
  }
  // Pictures stay open while a button holds them, so the folder outlives the buttons.
  testsupport::TempFolder dir_;
};

// Buttons made in a test body are destroyed before the fixture's folder and GDI+ session.

}  // namespace

TEST(DockButtonGeometry, StateFallsBackToTheNormalPicture) {
  EXPECT_EQ(DockButtonPictureSlot(dbsHot, {true, false, true, false}), dbsHot);
  EXPECT_EQ(DockButtonPictureSlot(dbsPressed, {true, false, true, false}), dbsNormal);
  EXPECT_EQ(DockButtonPictureSlot(dbsDisabled, {true, false, false, false}), dbsNormal);
  EXPECT_EQ(DockButtonPictureSlot(dbsHot, {false, false, true, false}), dbsHot);
  EXPECT_EQ(DockButtonPictureSlot(dbsPressed, {false, false, true, false}), -1);
  EXPECT_EQ(DockButtonPictureSlot(dbsNormal, {false, false, false, false}), -1);
}

TEST(DockButtonGeometry, StripFramesAreRoundedToWholeBitmaps) {
  EXPECT_FLOAT_EQ(StripFrameWidth(40, 2), 20.0f);
  EXPECT_NEAR(StripFrameWidth(50, 3), 16.667f, 0.001f);
  EXPECT_EQ(StripFrameBitmapWidth(StripFrameWidth(50, 3)), 17);
  EXPECT_EQ(StripFrameBitmapWidth(StripFrameWidth(40, 2)), 20);
  // Ties go to the even neighbour.
  EXPECT_EQ(StripFrameBitmapWidth(StripFrameWidth(5, 2)), 2);
  EXPECT_EQ(StripFrameBitmapWidth(StripFrameWidth(14, 4)), 4);
}

TEST(DockButtonGeometry, NormalModeShrinksOnlyWhatDoesNotFit) {
  const Gdiplus::Rect fits = NormalDrawRect(17, 17, 16, 16);
  EXPECT_EQ(fits.Width, 16);
  EXPECT_EQ(fits.Height, 16);
  const Gdiplus::Rect wide = NormalDrawRect(17, 17, 32, 16);
  EXPECT_EQ(wide.Width, 17);
  EXPECT_EQ(wide.Height, 16);
}

TEST(DockButtonGeometry, MouseUpOnTheRightOrBottomEdgeCountsAsInside) {
  EXPECT_EQ(StateAfterMouseUp(17, 17, 17, 17), dbsHot);
  EXPECT_EQ(StateAfterMouseUp(0, 0, 17, 17), dbsHot);
  EXPECT_EQ(StateAfterMouseUp(18, 5, 17, 17), dbsNormal);
  EXPECT_EQ(StateAfterMouseUp(5, -1, 17, 17), dbsNormal);
}

TEST_F(DockButtonTest, NormalModeDrawsASmallPictureOneToOneInTheCorner) {
  const std::string file = Png("n16.png", 16, 16, kRed);
  TPCDockButton b(nullptr);
  b.SetDrawMode(idmNormal);
  b.SetBounds(0, 0, 17, 17);
  b.SetNormalSource(file);
  Gdiplus::Bitmap* c = b.CachedPicture();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->GetWidth(), 17u);
  EXPECT_TRUE(Near(PixelOf(c, 0, 0), kRed, 8));
  EXPECT_TRUE(Near(PixelOf(c, 8, 8), kRed, 8));
  EXPECT_EQ(drawtest::Split(PixelOf(c, 16, 8)).a, 0);
  EXPECT_EQ(drawtest::Split(PixelOf(c, 8, 16)).a, 0);
}

TEST_F(DockButtonTest, NormalModeSqueezesAWidePictureToTheButton) {
  const std::string file = Png("n32.png", 32, 16, kRed, {{16, 0, 16, 16, kBlue}});
  TPCDockButton b(nullptr);
  b.SetDrawMode(idmNormal);
  b.SetBounds(0, 0, 17, 17);
  b.SetNormalSource(file);
  Gdiplus::Bitmap* c = b.CachedPicture();
  ASSERT_NE(c, nullptr);
  EXPECT_TRUE(Near(PixelOf(c, 3, 8), kRed, 20));
  EXPECT_TRUE(Near(PixelOf(c, 13, 8), kBlue, 20));  // the right half is shown, squeezed
  EXPECT_EQ(drawtest::Split(PixelOf(c, 8, 16)).a, 0);
}

TEST_F(DockButtonTest, StretchAndAutoSize) {
  const std::string file = Png("s.png", 24, 12, kRed, {{12, 0, 12, 12, kBlue}});
  TPCDockButton b(nullptr);
  b.SetBounds(5, 6, 50, 50);
  b.SetNormalSource(file);  // idmAutoSize is the initial mode
  EXPECT_EQ(b.Left(), 5);
  EXPECT_EQ(b.Top(), 6);
  EXPECT_EQ(b.Width(), 24);
  EXPECT_EQ(b.Height(), 12);
  b.SetDrawMode(idmStretch);
  b.SetBounds(5, 6, 48, 24);
  Gdiplus::Bitmap* c = b.CachedPicture();
  EXPECT_TRUE(Near(PixelOf(c, 10, 12), kRed, 20));
  EXPECT_TRUE(Near(PixelOf(c, 38, 12), kBlue, 20));
}

TEST_F(DockButtonTest, FillModeTilesFromTheTopLeft) {
  const std::string file = Png("t.png", 2, 1, kRed, {{1, 0, 1, 1, kBlue}});
  TPCDockButton b(nullptr);
  b.SetDrawMode(idmFill);
  b.SetBounds(0, 0, 6, 3);
  b.SetNormalSource(file);
  Gdiplus::Bitmap* c = b.CachedPicture();
  ASSERT_NE(c, nullptr);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_TRUE(Near(PixelOf(c, x, y), x % 2 ? kBlue : kRed, 8)) << x << "," << y;
}

TEST_F(DockButtonTest, TwoFrameStripGivesNormalAndHot) {
  const std::string strip = Png("two.png", 40, 20, kRed, {{20, 0, 20, 20, kBlue}});
  Counting<TPCDockButton> b(nullptr);
  b.SetDrawMode(idmStretch);
  b.SetBounds(0, 0, 20, 20);
  b.SetTwoInOneSource(strip);
  ASSERT_NE(b.StatePicture(dbsNormal), nullptr);
  ASSERT_NE(b.StatePicture(dbsHot), nullptr);
  EXPECT_EQ(b.StatePicture(dbsPressed), nullptr);
  EXPECT_EQ(b.StatePicture(dbsDisabled), nullptr);
  EXPECT_EQ(b.StatePicture(dbsNormal)->GetWidth(), 20u);
  EXPECT_TRUE(Near(Middle(b), kRed, 8));
  b.MouseEnter();
  EXPECT_EQ(b.State(), dbsHot);
  EXPECT_TRUE(Near(Middle(b), kBlue, 8));
  b.MouseDown(mbLeft, 0, 5, 5);  // no pressed frame: the normal one
  EXPECT_EQ(b.State(), dbsPressed);
  EXPECT_TRUE(Near(Middle(b), kRed, 8));
  b.MouseUp(mbLeft, 0, 5, 5);
  EXPECT_TRUE(Near(Middle(b), kBlue, 8));
  b.SetEnabled(false);
  EXPECT_EQ(b.State(), dbsDisabled);
  EXPECT_TRUE(Near(Middle(b), kRed, 8));
}

TEST_F(DockButtonTest, ThreeFrameStrip50PixelsWideGives17PixelFrames) {
  const std::string strip =
      Png("three.png", 50, 10, kRed, {{17, 0, 16, 10, kGreen}, {34, 0, 16, 10, kBlue}});
  TPCDockButton b(nullptr);
  b.SetDrawMode(idmStretch);
  b.SetBounds(0, 0, 17, 10);
  b.SetThreeInOneSource(strip);
  for (int slot : {dbsNormal, dbsHot, dbsPressed}) {
    ASSERT_NE(b.StatePicture(slot), nullptr) << slot;
    EXPECT_EQ(b.StatePicture(slot)->GetWidth(), 17u);
    EXPECT_EQ(b.StatePicture(slot)->GetHeight(), 10u);
  }
  EXPECT_EQ(b.StatePicture(dbsDisabled), nullptr);
  // Frame 0 normal, frame 1 hot, frame 2 pressed.
  EXPECT_TRUE(Near(PixelOf(b.StatePicture(dbsNormal), 8, 5), kRed, 8));
  EXPECT_TRUE(Near(PixelOf(b.StatePicture(dbsHot), 8, 5), kGreen, 8));
  EXPECT_TRUE(Near(PixelOf(b.StatePicture(dbsPressed), 8, 5), kBlue, 8));
}

TEST_F(DockButtonTest, FourFrameStripFillsEveryStateAndDisabledShowsIt) {
  const std::string strip = Png("four.png", 40, 10, kRed,
                                {{10, 0, 10, 10, kGreen}, {20, 0, 10, 10, kBlue}, {30, 0, 10, 10, kGrey}});
  TPCDockButton b(nullptr);
  b.SetDrawMode(idmStretch);
  b.SetBounds(0, 0, 10, 10);
  b.SetFourInOneSource(strip);
  b.SetEnabled(false);
  EXPECT_TRUE(Near(Middle(b), kGrey, 8));
  // A disabled button ignores the mouse.
  bool entered = false;
  b.OnMouseEnter = [&](TObject*) { entered = true; };
  b.MouseEnter();
  b.MouseDown(mbLeft, 0, 1, 1);
  EXPECT_EQ(b.State(), dbsDisabled);
  EXPECT_FALSE(entered);
  b.SetEnabled(true);
  EXPECT_EQ(b.State(), dbsNormal);
  EXPECT_TRUE(Near(Middle(b), kRed, 8));
}

TEST_F(DockButtonTest, StripReplacesSinglePicturesAndASingleSourceReplacesOneState) {
  const std::string single = Png("single.png", 10, 10, kYellow);
  const std::string strip = Png("strip.png", 20, 10, kRed, {{10, 0, 10, 10, kBlue}});
  const std::string other = Png("other.png", 10, 10, kGreen);
  TPCDockButton b(nullptr);
  b.SetDrawMode(idmStretch);
  b.SetBounds(0, 0, 10, 10);
  b.SetMouseDownSource(single);
  ASSERT_NE(b.StatePicture(dbsPressed), nullptr);
  b.SetTwoInOneSource(strip);
  EXPECT_EQ(b.StatePicture(dbsPressed), nullptr);
  b.SetMouseOverSource(other);
  EXPECT_TRUE(Near(PixelOf(b.StatePicture(dbsHot), 5, 5), kGreen, 8));
  EXPECT_TRUE(Near(PixelOf(b.StatePicture(dbsNormal), 5, 5), kRed, 8));
}

TEST_F(DockButtonTest, MouseStatesAndEvents) {
  const std::string normal = Png("mn.png", 10, 10, kRed);
  const std::string hot = Png("mh.png", 10, 10, kGreen);
  const std::string down = Png("md.png", 10, 10, kBlue);
  TPCDockButton b(nullptr);
  b.SetDrawMode(idmStretch);
  b.SetBounds(0, 0, 10, 10);
  b.SetNormalSource(normal);
  b.SetMouseOverSource(hot);
  b.SetMouseDownSource(down);
  std::vector<std::string> events;
  b.OnMouseEnter = [&](TObject* s) { events.push_back(s == &b ? "enter" : "?"); };
  b.OnMouseLeave = [&](TObject* s) { events.push_back(s == &b ? "leave" : "?"); };
  b.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { events.push_back("down"); };
  b.OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { events.push_back("up"); };

  b.MouseEnter();
  EXPECT_TRUE(Near(Middle(b), kGreen, 8));
  b.MouseDown(mbRight, 0, 3, 3);  // any button presses
  EXPECT_TRUE(Near(Middle(b), kBlue, 8));
  b.MouseUp(mbRight, 0, 10, 10);  // on the far corner: still inside
  EXPECT_EQ(b.State(), dbsHot);
  b.MouseDown(mbLeft, 0, 3, 3);
  b.MouseUp(mbLeft, 0, 30, 3);  // released outside
  EXPECT_EQ(b.State(), dbsNormal);
  EXPECT_TRUE(Near(Middle(b), kRed, 8));
  b.MouseLeave();
  EXPECT_EQ(events, (std::vector<std::string>{"enter", "down", "up", "down", "up", "leave"}));
}

TEST_F(DockButtonTest, LoadingTheShownPictureWhilePressedRendersIt) {
  // The pin button swaps its normal picture from its own mouse-down handler, while the
  // button is pressed and shows the normal picture in place of a pressed one.
  const std::string p1 = Png("p1.png", 17, 17, kRed);
  const std::string p2 = Png("p2.png", 17, 17, kBlue);
  TPCDockButton b(nullptr);
  b.SetDrawMode(idmNormal);
  b.SetBounds(236, 1, 17, 17);
  b.SetNormalSource(p1);
  b.SetMouseOverSource(p1);
  b.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
    b.SetNormalSource(p2);
    b.SetMouseOverSource(p2);
  };
  b.MouseEnter();
  b.MouseDown(mbLeft, 0, 8, 8);
  EXPECT_TRUE(Near(Middle(b), kBlue, 8));
  b.MouseUp(mbLeft, 0, 8, 8);
  EXPECT_TRUE(Near(Middle(b), kBlue, 8));
}

TEST_F(DockButtonTest, HueShiftTurnsABluePictureRedAndKeepsGrey) {
  const std::string file = Png("hue.png", 10, 10, kBlue, {{0, 0, 5, 10, kGrey}});
  TPCDockButton b(nullptr);
  b.SetDrawMode(idmStretch);
  b.SetBounds(0, 0, 10, 10);
  b.SetNormalSource(file);
  const int renders = b.RenderCount();
  b.SetRongeHue1(0);  // unchanged and no hue mode: nothing happens
  b.SetRongeHue2(80);
  EXPECT_EQ(b.RenderCount(), renders);
  b.SetHueRongeMode(hrmOneColor);
  Gdiplus::Bitmap* c = b.CachedPicture();
  EXPECT_TRUE(Near(PixelOf(c, 7, 5), kRed, 2));
  EXPECT_TRUE(Near(PixelOf(c, 2, 5), kGrey, 2));
  b.SetRongeHue1(160);  // hrmOneColor: everything at hue 160 (blue)
  EXPECT_TRUE(Near(PixelOf(b.CachedPicture(), 7, 5), kBlue, 2));
  b.SetHueRongeMode(hrmTwoColor);  // 160 -> 80: blue turns green
  EXPECT_TRUE(Near(PixelOf(b.CachedPicture(), 7, 5), kGreen, 2));
  EXPECT_TRUE(Near(PixelOf(b.CachedPicture(), 2, 5), kGrey, 2));
}

TEST_F(DockButtonTest, UnchangedValuesNeitherRenderNorRepaint) {
  const std::string file = Png("u.png", 10, 10, kRed);
  Counting<TPCDockButton> b(nullptr);
  b.SetDrawMode(idmStretch);
  b.SetBounds(0, 0, 10, 10);
  b.SetNormalSource(file);
  const int renders = b.RenderCount();
  const int repaints = b.invalidations;
  b.SetNormalSource(file);
  b.SetDrawMode(idmStretch);
  b.SetImageQuality(b.ImageQuality());
  b.SetHueRongeMode(hrmNone);
  b.SetAlpha(255);
  b.SetShowBackColor(false);
  b.SetShadowColor(b.ShadowColor());
  b.SetTextRendering(b.TextRendering());
  EXPECT_EQ(b.RenderCount(), renders);
  EXPECT_EQ(b.invalidations, repaints);
  b.SetAlpha(128);  // repaint only
  EXPECT_EQ(b.RenderCount(), renders);
  EXPECT_EQ(b.invalidations, repaints + 1);
  b.SetImageQuality(Gdiplus::InterpolationModeNearestNeighbor);  // re-render
  EXPECT_EQ(b.RenderCount(), renders + 1);
}

TEST_F(DockButtonTest, AlphaAppliesToThePictureNotToBackgroundOrCaption) {
  const std::string file = Png("a.png", 10, 10, kRed, {{0, 5, 10, 5, 0x00000000}});
  TPCDockButton b(nullptr);
  b.SetDrawMode(idmStretch);
  b.SetBounds(0, 0, 10, 10);
  b.SetNormalSource(file);
  b.SetAlpha(128);
  drawtest::Surface s(10, 10, 0x0000FF);
  drawtest::PaintOn(b, s);
  EXPECT_TRUE(Near(s.Pixel(5, 2), 0xFF80007F, 6));  // red half over blue
  EXPECT_EQ(s.Pixel(5, 8), 0xFF0000FFu);             // transparent part of the picture

  b.SetShowBackColor(true);
  b.SetBackColor(clLime);
  b.SetBackGradColor(clLime);
  drawtest::Surface s2(10, 10, 0x0000FF);
  drawtest::PaintOn(b, s2);
  EXPECT_TRUE(Near(s2.Pixel(5, 8), kGreen, 4));  // background opaque despite Alpha 128
}

TEST_F(DockButtonTest, CaptionIsDrawnWithAndWithoutAPicture) {
  TPCDockButton b(nullptr);
  b.SetDrawMode(idmStretch);
  b.SetBounds(0, 0, 60, 20);
  b.Font()->SetColor(clBlack);
  b.SetCaption("XXXX");
  b.SetShowBackColor(true);  // no picture: no background either
  drawtest::Surface s(60, 20, 0xFFFFFF);
  drawtest::PaintOn(b, s);
  const int dark = s.Count([](std::uint32_t v) {
    const auto p = drawtest::Split(v);
    return p.r < 128 && p.g < 128 && p.b < 128;
  });
  EXPECT_GT(dark, 10);
  EXPECT_LT(dark, 600);  // text, not a filled box
  EXPECT_EQ(s.Pixel(0, 0), 0xFFFFFFFFu);
}

TEST_F(DockButtonTest, ShadowIsOffsetByOnePixel) {
  TPCDockButton b(nullptr);
  b.SetBounds(0, 0, 60, 20);
  b.Font()->SetColor(clWhite);
  b.SetCaption("I");
  b.SetShowShadow(true);
  b.SetShadowColor(clRed);
  b.SetShadowAlpha(255);
  b.SetTextRendering(Gdiplus::TextRenderingHintSingleBitPerPixelGridFit);
  drawtest::Surface s(60, 20, 0x000000);
  drawtest::PaintOn(b, s);
  const int red = s.Count([](std::uint32_t v) {
    const auto p = drawtest::Split(v);
    return p.r > 200 && p.g < 60;
  });
  EXPECT_GT(red, 3);
}

TEST_F(DockButtonTest, MissingFileKeepsTheButtonReady) {
  const std::string good = Png("g.png", 10, 10, kRed);
  TPCDockButton b(nullptr);
  b.SetDrawMode(idmStretch);
  b.SetBounds(0, 0, 10, 10);
  b.SetNormalSource(good);
  b.SetNormalSource(dir_.File("nothing-here.png"));
  EXPECT_EQ(b.NormalSource(), dir_.File("nothing-here.png"));
  // The old picture stays and the button keeps rendering.
  ASSERT_NE(b.StatePicture(dbsNormal), nullptr);
  const int renders = b.RenderCount();
  b.SetBounds(0, 0, 12, 12);
  EXPECT_EQ(b.RenderCount(), renders + 1);
  EXPECT_TRUE(Near(Middle(b), kRed, 8));
  b.SetTwoInOneSource(dir_.File("no-strip.png"));
  EXPECT_NE(b.StatePicture(dbsNormal), nullptr);  // a missing strip frees nothing
}

TEST_F(DockButtonTest, UndecodablePictureDrawsNothingAndKeepsTheSize) {
  dir_.Write("junk.png", "not a png at all");
  TPCDockButton b(nullptr);  // idmAutoSize
  b.SetBounds(0, 0, 30, 20);
  b.SetNormalSource(dir_.File("junk.png"));
  EXPECT_EQ(b.Width(), 30);
  EXPECT_EQ(b.Height(), 20);
  b.SetCaption("X");
  drawtest::Surface s(30, 20, 0x00FF00);
  drawtest::PaintOn(b, s);  // no crash; the caption still draws
  EXPECT_GT(s.Count([](std::uint32_t v) { return v != 0xFF00FF00u; }), 0);
}

TEST_F(DockButtonTest, ZeroSizedButtonRendersNothingUntilSized) {
  const std::string file = Png("z.png", 8, 8, kRed);
  TPCDockButton b(nullptr);
  b.SetDrawMode(idmNormal);
  b.SetBounds(0, 0, 0, 8);
  b.SetNormalSource(file);
  EXPECT_EQ(b.CachedPicture(), nullptr);
  b.SetBounds(0, 0, 8, 8);
  ASSERT_NE(b.CachedPicture(), nullptr);
  EXPECT_TRUE(Near(Middle(b), kRed, 8));
}

TEST_F(DockButtonTest, MouseOverFontChangeRepaints) {
  Counting<TPCDockButton> b(nullptr);
  EXPECT_EQ(b.MouseOverFont()->Name(), "Tahoma");
  EXPECT_EQ(b.Font()->Size(), 8);
  const int repaints = b.invalidations;
  b.MouseOverFont()->SetStyle(fsBold);
  EXPECT_EQ(b.invalidations, repaints + 1);
  EXPECT_EQ(b.Font()->Style(), 0u);
}
