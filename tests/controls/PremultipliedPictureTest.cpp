// A translucent picture painted through GDI's alpha blend from a premultiplied copy: the
// same pixels GDI+ paints from the ARGB original, inside the clip only, and never stale.
#include <gtest/gtest.h>

#include "DrawingTestSupport.h"
#include "controls/PremultipliedPicture.h"

using namespace drawtest;

TEST(Premultiply, ScalesTheColourByItsAlphaRoundedToNearest) {
  EXPECT_EQ(Premultiply(0xFF123456u), 0xFF123456u);
  EXPECT_EQ(Premultiply(0x00FFFFFFu), 0x00000000u);  // no colour survives in a clear pixel
  // 255 x 128 / 255 = 128; 128 x 128 / 255 = 64.25; 64 x 128 / 255 = 32.13; 1 x 128 / 255 = 0.5
  EXPECT_EQ(Premultiply(0x80FF8040u), 0x80804020u);
  EXPECT_EQ(Premultiply(0x80000001u), 0x80000001u);
  EXPECT_EQ(Premultiply(0x01FFFFFFu), 0x01010101u);
  EXPECT_EQ(Premultiply(0xFE808080u), 0xFE7F7F7Fu);  // 128 x 254 / 255 = 127.498
  for (std::uint32_t a = 0; a < 256; a += 15) {
    const std::uint32_t p = Premultiply((a << 24) | 0xFFFFFFu);
    EXPECT_EQ(p, (a << 24) | (a << 16) | (a << 8) | a) << a;  // white keeps c == a
  }
}

class PremultipliedPictureTest : public GdiPlusTest {
 protected:
  // The translucent picture both ways are given: patches of every kind of alpha.
  std::unique_ptr<Gdiplus::Bitmap> Picture() {
    return MakePicture(40, 30, 0x80FF0000u,
                       {{5, 5, 10, 10, 0xFF00FF00u}, {20, 4, 12, 20, 0x2000C0FFu},
                        {0, 25, 40, 5, 0x00FFFFFFu}, {30, 0, 10, 3, 0xC8404040u}});
  }
  // What GDI+ itself paints from the picture over the same ground.
  static void PaintWithGdiPlus(Gdiplus::Bitmap& picture, Surface& s) {
    Gdiplus::Graphics g(s.Dc());
    g.DrawImage(&picture, 0, 0, static_cast<INT>(picture.GetWidth()),
                static_cast<INT>(picture.GetHeight()));
  }
};

TEST_F(PremultipliedPictureTest, PaintsWhatGdiPlusPaintsFromTheOriginal) {
  auto picture = Picture();
  TPremultipliedPicture ready;
  ASSERT_TRUE(ready.Assign(*picture));
  EXPECT_EQ(ready.Width(), 40);
  EXPECT_EQ(ready.Height(), 30);
  Surface mine(50, 40, 0x336699), theirs(50, 40, 0x336699);
  ready.Draw(mine.Dc());
  PaintWithGdiPlus(*picture, theirs);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 50; ++x) ASSERT_TRUE(Near(mine.Pixel(x, y), theirs.Pixel(x, y), 1)) << x << "," << y;
  // The ground shows through where the picture is clear and outside it.
  EXPECT_EQ(mine.Pixel(10, 27), 0xFF336699u);
  EXPECT_EQ(mine.Pixel(45, 35), 0xFF336699u);
  EXPECT_EQ(mine.Pixel(10, 10), 0xFF00FF00u);
}

TEST_F(PremultipliedPictureTest, PaintsOnlyInsideTheClipAndFollowsTheViewportOrigin) {
  auto picture = Picture();
  TPremultipliedPicture ready;
  ASSERT_TRUE(ready.Assign(*picture));
  Surface whole(60, 50, 0x000000), clipped(60, 50, 0x000000);
  // As a parent paints a windowless child at (12, 9) whose clip is a part of it.
  SetViewportOrgEx(whole.Dc(), 12, 9, nullptr);
  ready.Draw(whole.Dc());
  SetViewportOrgEx(clipped.Dc(), 12, 9, nullptr);
  IntersectClipRect(clipped.Dc(), 15, 10, 35, 20);  // (27, 19) - (47, 29) on the surface
  ready.Draw(clipped.Dc());
  int inside = 0;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 60; ++x) {
      const bool in = x >= 27 && x < 47 && y >= 19 && y < 29;
      ASSERT_EQ(clipped.Pixel(x, y), in ? whole.Pixel(x, y) : 0xFF000000u) << x << "," << y;
      inside += in && whole.Pixel(x, y) != 0xFF000000u;
    }
  EXPECT_EQ(inside, 200);  // the clip held picture, not ground
  EXPECT_EQ(whole.Pixel(12 + 10, 9 + 10), 0xFF00FF00u);
}

TEST_F(PremultipliedPictureTest, AnotherPictureReplacesTheFormerAtAnySize) {
  TPremultipliedPicture ready;
  auto red = MakePicture(20, 20, 0xFFFF0000u);
  ASSERT_TRUE(ready.Assign(*red));
  auto blue = MakePicture(20, 20, 0xFF0000FFu);  // same size: the section is reused
  ASSERT_TRUE(ready.Assign(*blue));
  Surface s(30, 30, 0x000000);
  ready.Draw(s.Dc());
  EXPECT_EQ(s.Pixel(19, 19), 0xFF0000FFu);
  auto small = MakePicture(5, 8, 0xFF00FF00u);
  ASSERT_TRUE(ready.Assign(*small));
  EXPECT_EQ(ready.Width(), 5);
  EXPECT_EQ(ready.Height(), 8);
  Surface t(30, 30, 0x000000);
  ready.Draw(t.Dc());
  EXPECT_EQ(t.Pixel(4, 7), 0xFF00FF00u);
  EXPECT_EQ(t.Pixel(5, 7), 0xFF000000u);
  EXPECT_EQ(t.Pixel(4, 8), 0xFF000000u);
}

TEST_F(PremultipliedPictureTest, AnUnreadablePictureLeavesItEmptyAndDrawingNothing) {
  TPremultipliedPicture ready;
  auto red = MakePicture(20, 20, 0xFFFF0000u);
  ASSERT_TRUE(ready.Assign(*red));
  Gdiplus::Bitmap missing(L"Z:\\no\\such\\picture.png");
  ASSERT_NE(missing.GetLastStatus(), Gdiplus::Ok);
  EXPECT_FALSE(ready.Assign(missing));
  EXPECT_TRUE(ready.Empty());
  EXPECT_EQ(ready.Pixels(), nullptr);
  Surface s(30, 30, 0x123456);
  ready.Draw(s.Dc());
  EXPECT_EQ(s.Count([](std::uint32_t p) { return p != 0xFF123456u; }), 0);
}
