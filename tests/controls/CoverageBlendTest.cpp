// Colouring a coverage mask: the gradient's row colours, the blend, and the mask walk.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "controls/CoverageBlend.h"

namespace {

int Channel(ArgbPixel p, int shift) { return static_cast<int>((p >> shift) & 0xFF); }

::testing::AssertionResult Close(ArgbPixel actual, ArgbPixel expected, int tolerance) {
  for (int shift = 0; shift <= 24; shift += 8) {
    if (std::abs(Channel(actual, shift) - Channel(expected, shift)) > tolerance)
      return ::testing::AssertionFailure() << std::hex << actual << " is not near " << expected;
  }
  return ::testing::AssertionSuccess();
}

TEST(GradientRows, RunFromTheFirstColourToTheLastAcrossTheGradientsRows) {
  // Rows 10 .. 109 carry the gradient; black to white, half transparent.
  const auto rows = VerticalGradientRows(120, 10, 100, 0x80000000, 0x80FFFFFF);
  ASSERT_EQ(rows.size(), 120u);
  EXPECT_TRUE(Close(rows[10], 0x80000000, 1));   // middle of the first row: t = 0.005
  EXPECT_TRUE(Close(rows[59], 0x807F7F7F, 1));   // halfway
  EXPECT_TRUE(Close(rows[109], 0x80FFFFFF, 1));
  for (std::size_t y = 11; y < 110; ++y) EXPECT_GE(rows[y] & 0xFF, rows[y - 1] & 0xFF) << y;
  for (ArgbPixel p : rows) EXPECT_EQ(p >> 24, 0x80u);  // both ends carry the same alpha
}

TEST(GradientRows, RepeatBeyondTheGradientAndDegenerateHeightsGiveTheFirstColour) {
  const auto rows = VerticalGradientRows(30, 10, 10, 0xFF000000, 0xFF0000FF);
  EXPECT_EQ(rows[9], rows[19]);   // the row above the gradient is its last row again
  EXPECT_EQ(rows[20], rows[10]);  // and the row below it its first
  EXPECT_EQ(rows[0], rows[10]);
  for (ArgbPixel p : VerticalGradientRows(5, 0, 0, 0x11223344, 0xFFFFFFFF)) EXPECT_EQ(p, 0x11223344u);
  EXPECT_TRUE(VerticalGradientRows(0, 0, 10, 0, 0).empty());
  EXPECT_TRUE(VerticalGradientRows(-3, 0, 10, 0, 0).empty());
}

TEST(BlendOverTest, CoverageScalesTheColoursAlpha) {
  EXPECT_EQ(BlendOver(0x12345678, 0xFFFF0000, 0), 0x12345678u);     // nothing covered
  EXPECT_EQ(BlendOver(0xFF00FF00, 0xFFFF0000, 255), 0xFFFF0000u);   // opaque, fully covered
  EXPECT_EQ(BlendOver(0x00000000, 0x80FF0000, 255), 0x80FF0000u);   // onto nothing
  EXPECT_TRUE(Close(BlendOver(0x00000000, 0xFFFF0000, 128), 0x80FF0000, 1));
  // Half red over opaque white: the usual mix, still opaque.
  EXPECT_TRUE(Close(BlendOver(0xFFFFFFFF, 0xFFFF0000, 128), 0xFFFF7F7F, 1));
  // Half red over half-transparent blue: alpha 0.5 + 0.5 x 0.5, colour weighted 2:1.
  EXPECT_TRUE(Close(BlendOver(0x800000FF, 0x80FF0000, 255), 0xBFAA0055, 1));
}

TEST(BlendMaskRowsTest, ColoursCoveredPixelsByRowAndClearsTheMask) {
  // 3 x 2 pixels; the destination's rows 4 pixels apart, the mask's 5.
  std::vector<ArgbPixel> dst(2 * 4, 0xFF000000), mask(2 * 5, 0);
  mask[1] = 0xFFFFFFFF;      // row 0, fully covered
  mask[5 + 2] = 0x80FFFFFF;  // row 1, half covered
  mask[3] = 0xFFFFFFFF;      // beyond the width: not part of the picture
  const std::vector<ArgbPixel> colours = {0xFFFF0000, 0xFF00FF00};
  BlendMaskRows(dst.data(), 4, mask.data(), 5, 3, 2, colours);
  EXPECT_EQ(dst[0], 0xFF000000u);
  EXPECT_EQ(dst[1], 0xFFFF0000u);
  EXPECT_TRUE(Close(dst[4 + 2], 0xFF008000, 1));
  EXPECT_EQ(dst[3], 0xFF000000u);  // the padding of the destination is left alone
  EXPECT_EQ(mask[1], 0u);
  EXPECT_EQ(mask[5 + 2], 0u);
  EXPECT_EQ(mask[3], 0xFFFFFFFFu);
}

TEST(BlendMaskRowsTest, ReusesAResultOnlyForTheSameBackgroundAndCoverage) {
  // One row: the same background twice at full coverage, then a grid pixel, then the first
  // background again at half coverage.
  std::vector<ArgbPixel> dst = {0x80102030, 0x80102030, 0x80FFFFFF, 0x80102030};
  std::vector<ArgbPixel> mask = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0x80FFFFFF};
  BlendMaskRows(dst.data(), 4, mask.data(), 4, 4, 1, {0xA0FF0000});
  EXPECT_EQ(dst[0], BlendOver(0x80102030, 0xA0FF0000, 255));
  EXPECT_EQ(dst[1], dst[0]);
  EXPECT_EQ(dst[2], BlendOver(0x80FFFFFF, 0xA0FF0000, 255));
  EXPECT_EQ(dst[3], BlendOver(0x80102030, 0xA0FF0000, 128));
  EXPECT_NE(dst[3], dst[0]);
}

}  // namespace
