// The off-screen surface: GDI's drawing lands in the pixels, a resize to the same size
// keeps them, and sizes GDI cannot make leave it empty.
#include <gtest/gtest.h>

#include "ui/DibSection.h"

TEST(DibSection, WhatGdiDrawsIsInThePixelsTopRowFirst) {
  TDibSection dib(7, 5);
  ASSERT_FALSE(dib.Empty());
  ASSERT_NE(dib.Bits(), nullptr);
  for (int i = 0; i < 7 * 5; ++i) dib.Bits()[i] = 0;
  RECT bottomRight{4, 3, 7, 5};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(dib.Dc(), &bottomRight, red);
  DeleteObject(red);
  GdiFlush();
  EXPECT_EQ(dib.Row(4)[6] & 0xFFFFFFu, 0xFF0000u);
  EXPECT_EQ(dib.Row(3)[4] & 0xFFFFFFu, 0xFF0000u);
  EXPECT_EQ(dib.Row(2)[6] & 0xFFFFFFu, 0u);
  EXPECT_EQ(dib.Row(4)[3] & 0xFFFFFFu, 0u);
  EXPECT_EQ(dib.Row(1), dib.Bits() + 7);  // rows are packed
}

TEST(DibSection, SameSizeKeepsThePixelsAndAnotherSizeStartsAgain) {
  TDibSection dib(4, 4);
  ASSERT_FALSE(dib.Empty());
  dib.Bits()[5] = 0x00ABCDEFu;
  HDC dc = dib.Dc();
  ASSERT_TRUE(dib.Resize(4, 4));
  EXPECT_EQ(dib.Dc(), dc);
  EXPECT_EQ(dib.Bits()[5], 0x00ABCDEFu);
  ASSERT_TRUE(dib.Resize(9, 2));
  EXPECT_EQ(dib.Width(), 9);
  EXPECT_EQ(dib.Height(), 2);
  EXPECT_EQ(dib.Bits()[17], 0u);  // a new section starts zeroed
}

TEST(DibSection, SizesThatCannotBeMadeLeaveItEmpty) {
  TDibSection dib(3, 3);
  ASSERT_FALSE(dib.Empty());
  EXPECT_FALSE(dib.Resize(0, 3));
  EXPECT_TRUE(dib.Empty());
  EXPECT_EQ(dib.Bits(), nullptr);
  EXPECT_EQ(dib.Dc(), nullptr);
  EXPECT_EQ(dib.Width(), 0);
  EXPECT_FALSE(dib.Resize(5, -1));
  EXPECT_TRUE(dib.Empty());
  EXPECT_TRUE(dib.Resize(2, 2));
}
