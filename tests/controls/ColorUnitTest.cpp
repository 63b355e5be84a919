#include <gtest/gtest.h>
#include "controls/GdiPlus.h"

#include "controls/ColorUnit.h"

TEST(ToARGB, SwapsRedAndBlueAndPutsAlphaOnTop) {
  EXPECT_EQ(ToARGB(0x00112233u, 0x44), 0x44332211u);
  EXPECT_EQ(ToARGB(0x000000FFu, 255), 0xFFFF0000u);  // pure red
  EXPECT_EQ(ToARGB(0x00FF0000u, 128), 0x800000FFu);  // pure blue
}

TEST(ToARGB, IgnoresTopByteOfColourAndHighBitsOfAlpha) {
  EXPECT_EQ(ToARGB(0x80FFFFFFu, 0), 0x00FFFFFFu);       // system-colour flag dropped
  EXPECT_EQ(ToARGB(0x00010203u, 0x1FF), 0xFF030201u);   // only alpha's low 8 bits
  EXPECT_EQ(ToARGB(0x00010203u, -1), 0xFF030201u);
}

TEST(GdiPlusSession, StartsAndLetsBitmapsBeDrawn) {
  EXPECT_FALSE(GdiPlusSession::Active());
  {
    GdiPlusSession session;
    ASSERT_TRUE(session.Started());
    EXPECT_TRUE(GdiPlusSession::Active());
    Gdiplus::Bitmap bmp(4, 4, PixelFormat32bppARGB);
    {
      Gdiplus::Graphics g(&bmp);
      Gdiplus::SolidBrush brush(Gdiplus::Color(ToARGB(0x0000FF00u, 255)));
      g.FillRectangle(&brush, 0, 0, 4, 4);
    }
    Gdiplus::Color c;
    bmp.GetPixel(2, 2, &c);
    EXPECT_EQ(c.GetValue(), 0xFF00FF00u);
  }
  EXPECT_FALSE(GdiPlusSession::Active());
}
