// The tray icon's figure: a rounded square in the given colour, clear corners, the text in
// glyphs that fill the icon without leaving it, at every size the notification area asks
// for; nothing for sizes or texts it cannot draw, and nothing left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/IconPixels.h"
#include "ui/FigureIcon.h"
#include "util/ScopedHandles.h"

namespace {

constexpr TColor kCyan = 0xFFFF00, kRed = 0x0000FF;  // 0x00BBGGRR

std::uint32_t Rgb(TColor c) {  // 0x00BBGGRR -> 0x00RRGGBB
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

}  // namespace

TEST(FigureIcon, EveryTraySizeGivesTheSquareClearCornersAndTheText) {
  for (int size : {16, 20, 24, 32}) {
    for (const char* text : {"99", "7", "48"}) {
      SCOPED_TRACE(std::to_string(size) + " " + text);
      UniqueHIcon icon(DrawFigureIcon(size, size, text, kCyan, 0x000000));
      ASSERT_TRUE(icon);
      const testsupport::IconPixels img = testsupport::ReadIconPixels(icon.get());
      ASSERT_EQ(img.Width, size);
      ASSERT_EQ(img.Height, size);
      EXPECT_EQ(img.At(0, 0) >> 24, 0u) << "corner not clear";
      EXPECT_EQ(img.At(size - 1, size - 1) >> 24, 0u) << "corner not clear";
      EXPECT_EQ(img.At(size / 2, 1) >> 24, 0xFFu);
      EXPECT_EQ(img.Rgb(size / 2, 1), Rgb(kCyan));
      EXPECT_NE(img.Rgb(size / 2, 0), Rgb(kCyan)) << "no edge";
      // The text: dark pixels, inside the edge, most of the icon's height.
      int left = size, right = -1, top = size, bottom = -1;
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
          if (img.At(x, y) == 0xFF000000u) {  // opaque black: the text
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
          }
      ASSERT_GE(right, 0) << "no text drawn";
      EXPECT_GE(left, 1);
      EXPECT_LE(right, size - 2);
      EXPECT_GE(top, 1);
      EXPECT_LE(bottom, size - 2);
      EXPECT_GE(bottom - top + 1, size / 2) << "glyphs too small to read";
      if (std::string(text).size() == 2) {
        EXPECT_GE(right - left + 1, size / 2);
      }
    }
  }
}

TEST(FigureIcon, TheColoursAsGiven) {
  UniqueHIcon icon(DrawFigureIcon(16, 16, "5", kRed, 0xFFFFFF));
  ASSERT_TRUE(icon);
  const testsupport::IconPixels img = testsupport::ReadIconPixels(icon.get());
  ASSERT_EQ(img.Width, 16);
  EXPECT_EQ(img.Rgb(8, 1), Rgb(kRed));
  int white = 0;
  for (std::uint32_t p : img.Pixels) white += (p & 0xFFFFFF) == 0xFFFFFF ? 1 : 0;
  EXPECT_GT(white, 10) << "no white text";
}

TEST(FigureIcon, WhatCannotBeDrawnGivesNoIcon) {
  EXPECT_EQ(DrawFigureIcon(7, 16, "1", kCyan, 0), nullptr);
  EXPECT_EQ(DrawFigureIcon(16, 0, "1", kCyan, 0), nullptr);
  EXPECT_EQ(DrawFigureIcon(16, 16, "", kCyan, 0), nullptr);
}

TEST(FigureIcon, RoundedSquareShape) {
  EXPECT_FALSE(InsideRoundedSquare(0, 0, 16, 16, 3));
  EXPECT_TRUE(InsideRoundedSquare(3, 0, 16, 16, 3));
  EXPECT_TRUE(InsideRoundedSquare(8, 8, 16, 16, 3));
  EXPECT_FALSE(InsideRoundedSquare(15, 15, 16, 16, 3));
  EXPECT_TRUE(InsideRoundedSquare(15, 8, 16, 16, 3));
  EXPECT_FALSE(InsideRoundedSquare(16, 8, 16, 16, 3));
  EXPECT_FALSE(InsideRoundedSquare(-1, 8, 16, 16, 3));
}

// Hundreds of figures drawn and destroyed leave the process's GDI and USER counts where
// they were (Windows counts them; Wine answers 0 for both, so there it cannot tell).
TEST(FigureIcon, DrawingLeavesNoObjectBehind) {
  const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  if (gdi == 0) GTEST_SKIP() << "the system does not count GDI objects (Wine answers 0)";
  for (int i = 0; i < 300; ++i) {
    UniqueHIcon icon(DrawFigureIcon(16 + (i % 4) * 4, 16 + (i % 4) * 4, std::to_string(i % 100),
                                    kCyan, 0));
    ASSERT_TRUE(icon);
  }
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user);
}
