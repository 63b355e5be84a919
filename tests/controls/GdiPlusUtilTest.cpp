// Which part of a cached picture a repaint has to draw.
#include <gtest/gtest.h>

#include "controls/GdiPlusUtil.h"

namespace {

::testing::AssertionResult Is(const Gdiplus::Rect& r, int x, int y, int w, int h) {
  if (r.X == x && r.Y == y && r.Width == w && r.Height == h) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << r.X << ", " << r.Y << ", " << r.Width << " x "
                                       << r.Height << ")";
}

bool Empty(const Gdiplus::Rect& r) { return r.Width <= 0 || r.Height <= 0; }

}  // namespace

TEST(VisiblePictureRect, ClipBoxCutsThePictureAndAnUnknownBoxKeepsItWhole) {
  EXPECT_TRUE(Is(VisiblePictureRect(241, 89, SIMPLEREGION, RECT{10, 20, 50, 40}), 10, 20, 40, 20));
  EXPECT_TRUE(Is(VisiblePictureRect(241, 89, COMPLEXREGION, RECT{-5, -7, 30, 10}), 0, 0, 30, 10));
  EXPECT_TRUE(Is(VisiblePictureRect(241, 89, SIMPLEREGION, RECT{200, 80, 400, 300}), 200, 80, 41, 9));
  EXPECT_TRUE(Is(VisiblePictureRect(241, 89, SIMPLEREGION, RECT{-100, -100, 500, 500}), 0, 0, 241, 89));
  // GetClipBox failed: nothing is known about the clip, so all of the picture is drawn.
  EXPECT_TRUE(Is(VisiblePictureRect(241, 89, ERROR, RECT{0, 0, 0, 0}), 0, 0, 241, 89));
}

TEST(VisiblePictureRect, NothingVisibleGivesAnEmptyPart) {
  EXPECT_TRUE(Empty(VisiblePictureRect(241, 89, NULLREGION, RECT{0, 0, 241, 89})));
  EXPECT_TRUE(Empty(VisiblePictureRect(241, 89, SIMPLEREGION, RECT{241, 0, 300, 89})));
  EXPECT_TRUE(Empty(VisiblePictureRect(241, 89, SIMPLEREGION, RECT{0, -20, 241, 0})));
  EXPECT_TRUE(Empty(VisiblePictureRect(241, 89, SIMPLEREGION, RECT{50, 50, 40, 60})));
  EXPECT_TRUE(Empty(VisiblePictureRect(0, 89, ERROR, RECT{})));
  EXPECT_TRUE(Empty(VisiblePictureRect(-3, 5, ERROR, RECT{})));
}
