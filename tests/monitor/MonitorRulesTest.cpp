// Placement, auto-hide, percentages and the monitor's texts, without any window.
#include <gtest/gtest.h>

#include <climits>

#include "monitor/MonitorRules.h"

namespace {

constexpr int kW = 257, kH = 268;  // the monitor window's client size
constexpr int kScreenW = 1024, kScreenH = 768;

TEST(TaskbarCornerPosition, EachEdgePutsTheWindowInTheCornerBesideTheTaskbar) {
  struct Case { int edge; int size; LONG left; LONG top; };
  const Case cases[] = {
      {tbBottom, 30, kScreenW - kW, kScreenH - 30 - kH},  // above the bar, right-aligned
      {tbLeft, 60, 60, kScreenH - kH},                    // beside the bar, at the bottom
      {tbTop, 25, kScreenW - kW, 25},                     // below the bar, right-aligned
      {tbRight, 80, kScreenW - kW - 80, kScreenH - kH},   // beside the bar, at the bottom
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.edge);
    auto pos = TaskbarCornerPosition(c.edge, c.size, kScreenW, kScreenH, kW, kH);
    ASSERT_TRUE(pos.has_value());
    EXPECT_EQ(pos->x, c.left);
    EXPECT_EQ(pos->y, c.top);
  }
}

TEST(TaskbarCornerPosition, UnknownEdgeLeavesThePositionAlone) {
  for (int edge : {0, 5, -1}) {
    EXPECT_FALSE(TaskbarCornerPosition(edge, 30, kScreenW, kScreenH, kW, kH).has_value());
  }
}

TEST(TrayHotRect, IsASixteenPixelSquareAroundThePoint) {
  RECT r = TrayHotRectAround(1000, 750);
  EXPECT_EQ(r.left, 992);
  EXPECT_EQ(r.top, 742);
  EXPECT_EQ(r.right, 1008);
  EXPECT_EQ(r.bottom, 758);
  // Left and top edges belong to it; right and bottom do not.
  EXPECT_TRUE(RectHolds(r, POINT{992, 742}));
  EXPECT_TRUE(RectHolds(r, POINT{1007, 757}));
  EXPECT_FALSE(RectHolds(r, POINT{1008, 750}));
  EXPECT_FALSE(RectHolds(r, POINT{1000, 758}));
  EXPECT_FALSE(RectHolds(r, POINT{991, 750}));
}

TEST(ShouldAutoHide, KeepsTheWindowWhileTheCursorIsInTheHotSquareOrOverTheWindow) {
  const RECT hot = TrayHotRectAround(1000, 758);
  const RECT window{767, 480, 767 + kW, 480 + kH};
  const POINT inHot{1000, 758}, overWindow{800, 500}, elsewhere{10, 10};
  EXPECT_FALSE(ShouldAutoHide(inHot, hot, window, false));
  EXPECT_FALSE(ShouldAutoHide(overWindow, hot, window, false));
  EXPECT_TRUE(ShouldAutoHide(elsewhere, hot, window, false));
  EXPECT_FALSE(ShouldAutoHide(elsewhere, hot, window, true));  // pinned
  // The window's right and bottom edges lie outside it.
  EXPECT_TRUE(ShouldAutoHide(POINT{767 + kW, 500}, hot, window, false));
  EXPECT_TRUE(ShouldAutoHide(POINT{800, 480 + kH}, hot, window, false));
}

TEST(ShouldAutoHide, AnEmptyHotSquareHoldsNoPoint) {
  const RECT empty{0, 0, 0, 0};
  const RECT window{100, 100, 200, 200};
  EXPECT_TRUE(ShouldAutoHide(POINT{0, 0}, empty, window, false));
}

TEST(FreeMemoryPercent, TruncatesTowardZero) {
  const std::int64_t total = 4LL << 30;
  EXPECT_EQ(FreeMemoryPercent(1234567890, total), 28);  // 28.74 %
  EXPECT_EQ(FreeMemoryPercent(total, total), 100);
  EXPECT_EQ(FreeMemoryPercent(total / 100 * 8 - 1, total), 7);
  EXPECT_EQ(FreeMemoryPercent(0, total), 0);
}

TEST(FreeMemoryPercent, UnknownTotalGivesZeroInsteadOfANonNumber) {
  EXPECT_EQ(FreeMemoryPercent(1000, 0), 0);
  EXPECT_EQ(FreeMemoryPercent(0, 0), 0);
  EXPECT_EQ(FreeMemoryPercent(1000, -1), 0);
  EXPECT_EQ(FreeMemoryPercent(INT64_MAX, 1), INT_MAX);
}

TEST(BelowAutoOptimizeLimit, ComparesTheUntruncatedPercentage) {
  const std::int64_t total = 1000000;
  EXPECT_TRUE(BelowAutoOptimizeLimit(79999, total));   // 7.9999 %: truncated 7
  EXPECT_FALSE(BelowAutoOptimizeLimit(80000, total));  // exactly 8 %
  EXPECT_FALSE(BelowAutoOptimizeLimit(80001, total));  // 8.0001 %
  // 7.99 % truncates to 7 but 8.5 % truncates to 8: only the first is below the limit.
  EXPECT_TRUE(BelowAutoOptimizeLimit(79900, total));
  EXPECT_FALSE(BelowAutoOptimizeLimit(85000, total));
  EXPECT_FALSE(BelowAutoOptimizeLimit(0, 0));
}

TEST(PercentText, WholeNumberWithPercentSignAndNoGrouping) {
  EXPECT_EQ(PercentText(37), "37%");
  EXPECT_EQ(PercentText(-1), "-1%");
  EXPECT_EQ(PercentText(0), "0%");
  EXPECT_EQ(PercentText(100), "100%");
  EXPECT_EQ(PercentText(12345), "12345%");
}

TEST(RamValueText, FillsThePlaceholdersInOrder) {
  EXPECT_EQ(RamValueText("%s Free [%s] / %s", "1.1 G", "28%", "4.0 G"),
            "1.1 G Free [28%] / 4.0 G");
  EXPECT_EQ(RamValueText("Frei: %s von %s (%s)", "a", "b", "c"), "Frei: a von b (c)");
}

TEST(RamValueText, OddLanguageTextsGiveALineAndNeverFail) {
  // Fewer placeholders drop the values they have no room for.
  EXPECT_EQ(RamValueText("%s free", "1.1 G", "28%", "4.0 G"), "1.1 G free");
  EXPECT_EQ(RamValueText("no values", "1.1 G", "28%", "4.0 G"), "no values");
  // More placeholders, or ones that take no text, must not read past the arguments.
  EXPECT_EQ(RamValueText("%s %s %s %s", "a", "b", "c"), "a b c ");
  EXPECT_EQ(RamValueText("%d %n %x %s", "a", "b", "c"), "%d %n %x a");
  EXPECT_EQ(RamValueText("100%", "a", "b", "c"), "100%");
}

TEST(OptimizeResultText, TwoDigitClockThenGain) {
  EXPECT_EQ(OptimizeResultText(14, 3, 27, "312.45 M"), "14:03:27 +312.45 M");
  EXPECT_EQ(OptimizeResultText(0, 0, 5, "0"), "00:00:05 +0");
  EXPECT_EQ(OptimizeResultText(23, 59, 59, "1.00 G"), "23:59:59 +1.00 G");
}

TEST(TrimProgressPercent, RunsFromTheFirstProcessToOneHundred) {
  EXPECT_EQ(TrimProgressPercent(0, 3), 33);
  EXPECT_EQ(TrimProgressPercent(1, 3), 66);
  EXPECT_EQ(TrimProgressPercent(2, 3), 100);
  EXPECT_EQ(TrimProgressPercent(0, 150), 0);  // 0.67 % truncates to 0
  EXPECT_EQ(TrimProgressPercent(0, 100), 1);
  EXPECT_EQ(TrimProgressPercent(0, 0), 0);
}

TEST(OptimizeAmountMB, IsOneEighthOfPhysicalMemoryInMiB) {
  EXPECT_EQ(OptimizeAmountMB(4LL << 30), 512);
  EXPECT_EQ(OptimizeAmountMB(24LL << 30), 3072);
  EXPECT_EQ(OptimizeAmountMB((8LL << 20) - 1), 0);  // integer divisions truncate
  EXPECT_EQ(OptimizeAmountMB(0), 0);
}

TEST(MemoryGain, NegativeGainBecomesZero) {
  EXPECT_EQ(MemoryGain(1000, 5000), 4000);
  EXPECT_EQ(MemoryGain(5000, 1000), 0);
  EXPECT_EQ(MemoryGain(5000, 5000), 0);
}

}  // namespace

TEST(ProgressPumpDue, FirstAndLastStepAlwaysBetweenThemOnlyAfterTheInterval) {
  EXPECT_TRUE(ProgressPumpDue(true, 1, 1000, 1000));
  EXPECT_TRUE(ProgressPumpDue(false, 100, 1000, 1000));
  EXPECT_FALSE(ProgressPumpDue(false, 50, 1000, 1000));
  EXPECT_FALSE(ProgressPumpDue(false, 50, 1000 + kProgressPumpMs - 1, 1000));
  EXPECT_TRUE(ProgressPumpDue(false, 50, 1000 + kProgressPumpMs, 1000));
  // Across the wrap of the tick count.
  EXPECT_FALSE(ProgressPumpDue(false, 50, 5, 0xFFFFFFF0ul));
  EXPECT_TRUE(ProgressPumpDue(false, 50, kProgressPumpMs, 0xFFFFFFF0ul));
}
