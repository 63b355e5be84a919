#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "controls/HueShift.h"

namespace {

::testing::AssertionResult RgbNear(TRgb a, TRgb e, int tol) {
  if (std::abs(a.R - e.R) <= tol && std::abs(a.G - e.G) <= tol && std::abs(a.B - e.B) <= tol)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << int(a.R) << "," << int(a.G) << "," << int(a.B)
                                       << ") vs (" << int(e.R) << "," << int(e.G) << "," << int(e.B)
                                       << ")";
}

}  // namespace

TEST(RgbToHsl, PrimaryAndGreyColoursOnThe240Scale) {
  EXPECT_EQ(RgbToHsl({255, 0, 0}), (THsl{0, 240, 120}));
  EXPECT_EQ(RgbToHsl({0, 255, 0}), (THsl{80, 240, 120}));
  EXPECT_EQ(RgbToHsl({0, 0, 255}), (THsl{160, 240, 120}));
  EXPECT_EQ(RgbToHsl({255, 255, 0}), (THsl{40, 240, 120}));
  EXPECT_EQ(RgbToHsl({255, 0, 255}), (THsl{200, 240, 120}));
  EXPECT_EQ(RgbToHsl({255, 255, 255}), (THsl{0, 0, 240}));
  EXPECT_EQ(RgbToHsl({0, 0, 0}), (THsl{0, 0, 0}));
  EXPECT_EQ(RgbToHsl({128, 128, 128}), (THsl{0, 0, 120}));
}

TEST(RgbToHsl, SaturationUsesTheUpperFormulaAboveHalfLightness) {
  // Light red (255, 128, 128): L = 0.751, S = d / (2 - max - min) = 1.0.
  EXPECT_EQ(RgbToHsl({255, 128, 128}), (THsl{0, 240, 180}));
  // Dark red (128, 0, 0): L = 0.251, S = d / (max + min) = 1.0.
  EXPECT_EQ(RgbToHsl({128, 0, 0}), (THsl{0, 240, 60}));
  // A hue just below red wraps to the top of the scale, not below zero.
  EXPECT_EQ(RgbToHsl({255, 0, 10}).H, 238);
}

TEST(HslToRgb, GivesBackPrimaryColours) {
  EXPECT_EQ(HslToRgb({0, 240, 120}), (TRgb{255, 0, 0}));
  EXPECT_EQ(HslToRgb({80, 240, 120}), (TRgb{0, 255, 0}));
  EXPECT_EQ(HslToRgb({160, 240, 120}), (TRgb{0, 0, 255}));
  EXPECT_EQ(HslToRgb({0, 0, 240}), (TRgb{255, 255, 255}));
  EXPECT_EQ(HslToRgb({77, 0, 120}), (TRgb{128, 128, 128}));  // no saturation: hue ignored
}

TEST(HslToRgb, RoundTripStaysCloseForAWideSampleOfColours) {
  // The 0..240 scale is coarser than 0..255, so a round trip may move a channel a little.
  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 17)
      for (int b = 0; b < 256; b += 51) {
        const TRgb c{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                     static_cast<std::uint8_t>(b)};
        ASSERT_TRUE(RgbNear(HslToRgb(RgbToHsl(c)), c, 3));
      }
}

TEST(HslToRgb, HueIsARotationWhateverTheNumberOfTurns) {
  const TRgb green = HslToRgb({80, 240, 120});
  EXPECT_EQ(HslToRgb({80 + 240, 240, 120}), green);
  EXPECT_EQ(HslToRgb({80 - 240, 240, 120}), green);
  EXPECT_EQ(HslToRgb({80 + 3 * 240, 240, 120}), green);
  EXPECT_EQ(HslToRgb({80 - 3 * 240, 240, 120}), green);
}

TEST(ShiftHue, OneColourTurnsBlueRedAndKeepsShading) {
  EXPECT_EQ(ShiftHue({0, 0, 255}, hrmOneColor, 0, 0), (TRgb{255, 0, 0}));
  // Dark blue becomes dark red, light blue light red.
  EXPECT_TRUE(RgbNear(ShiftHue({0, 0, 128}, hrmOneColor, 0, 0), {128, 0, 0}, 1));
  EXPECT_TRUE(RgbNear(ShiftHue({128, 128, 255}, hrmOneColor, 0, 0), {255, 128, 128}, 1));
}

TEST(ShiftHue, GreyStaysGrey) {
  for (int v : {0, 64, 128, 200, 255}) {
    const TRgb grey{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v),
                    static_cast<std::uint8_t>(v)};
    EXPECT_TRUE(RgbNear(ShiftHue(grey, hrmOneColor, 0, 0), grey, 1)) << v;
    EXPECT_TRUE(RgbNear(ShiftHue(grey, hrmTwoColor, 160, 80), grey, 1)) << v;
  }
}

TEST(ShiftHue, TwoColoursTurnsByTheDifference) {
  EXPECT_EQ(ShiftHue({0, 0, 255}, hrmTwoColor, 160, 80), (TRgb{0, 255, 0}));
  // Red (0) turned by -80 lands at 160 (blue) after wrapping.
  EXPECT_EQ(ShiftHue({255, 0, 0}, hrmTwoColor, 160, 80), (TRgb{0, 0, 255}));
  // Differences beyond a full turn still rotate.
  EXPECT_EQ(ShiftHue({255, 0, 0}, hrmTwoColor, 0, 80 + 2 * 240), (TRgb{0, 255, 0}));
}

TEST(ShiftHue, NoneLeavesTheColour) {
  EXPECT_EQ(ShiftHue({12, 34, 56}, hrmNone, 0, 100), (TRgb{12, 34, 56}));
}

TEST(ShiftHueOfPixels, ChangesColourBytesOnlyAndFollowsTheStride) {
  // Two rows of two BGRA pixels with 4 padding bytes per row.
  std::vector<std::uint8_t> buf = {255, 0, 0, 10,  255, 0, 0, 20,  9, 9, 9, 9,
                                   128, 128, 128, 30,  0, 0, 255, 40,  9, 9, 9, 9};
  ShiftHueOfPixels(buf.data(), 2, 2, 12, hrmOneColor, 0, 0);
  const std::vector<std::uint8_t> expected = {0, 0, 255, 10,  0, 0, 255, 20,  9, 9, 9, 9,
                                              128, 128, 128, 30,  0, 0, 255, 40,  9, 9, 9, 9};
  EXPECT_EQ(buf, expected);
}

TEST(ShiftHueOfPixels, BottomUpStrideWalksBackwards) {
  std::vector<std::uint8_t> buf = {255, 0, 0, 1,  255, 0, 0, 2};  // blue, blue
  // Start at the second "row" and step back one row.
  ShiftHueOfPixels(buf.data() + 4, 1, 2, -4, hrmTwoColor, 160, 80);
  const std::vector<std::uint8_t> expected = {0, 255, 0, 1,  0, 255, 0, 2};
  EXPECT_EQ(buf, expected);
}
