#include <gtest/gtest.h>

#include <cstdint>

#include "sampling/CpuUsageMath.h"

namespace {

// p / q rounded to nearest with ties to even, exactly (q > 0). `tie` reports an exact half.
std::int64_t ExactRound(std::int64_t p, std::int64_t q, bool* tie = nullptr) {
  std::int64_t whole = p / q;
  std::int64_t rest = p % q;
  if (rest < 0) {
    rest += q;
    whole -= 1;
  }
  if (tie) *tie = rest * 2 == q;
  if (rest * 2 > q) return whole + 1;
  if (rest * 2 < q) return whole;
  return whole % 2 == 0 ? whole : whole + 1;
}

// The figure in exact rational arithmetic; false when the first step lands on an exact
// half, where the floating-point format decides.
bool ExactUsage(std::int64_t idle, std::int64_t system, int n, std::int64_t& result) {
  bool tie = false;
  std::int64_t i = ExactRound(idle * 10000, system, &tie);
  if (tie) return false;
  std::int64_t u = ExactRound(1005000 * n - i * 100, n);
  result = ExactRound(u, 10000);
  return true;
}

// The busy share (percent) as an idle difference over one second on `n` processors.
std::int64_t IdleFor(double busyPercent, int n) {
  return static_cast<std::int64_t>((100.0 - busyPercent) * n * 100000.0 + 0.5);
}

}  // namespace

TEST(NativeCpuUsage, WorkedCasesOfExactLoads) {
  const std::int64_t S = 10000000;
  EXPECT_EQ(NativeCpuUsage(IdleFor(30.2, 1), S, 1, 0), 31);
  EXPECT_EQ(NativeCpuUsage(IdleFor(30.0, 1), S, 1, 0), 30);   // U = 305 000
  EXPECT_EQ(NativeCpuUsage(IdleFor(31.0, 1), S, 1, 0), 32);   // U = 315 000
  EXPECT_EQ(NativeCpuUsage(IdleFor(0.0, 1), S, 1, 0), 0);     // U = 5 000
  EXPECT_EQ(NativeCpuUsage(IdleFor(100.0, 1), S, 1, 0), 100); // U = 1 005 000
  EXPECT_EQ(NativeCpuUsage(14000000, S, 2, 0), 30);           // two processors, one second
}

TEST(NativeCpuUsage, FirstSampleAgainstZeroIsOneHundred) {
  // Whole time since 1601 against an idle time near 0: 100.5 rounds to the even 100.
  EXPECT_EQ(NativeCpuUsage(12345, 133500000000000000LL, 4, 0), 100);
}

TEST(NativeCpuUsage, IdleBeyondElapsedTimeGivesNegativeUnclamped) {
  // I = 10 200 -> U = 1 005 000 - 1 020 000 = -15 000 -> -1.5 -> -2.
  EXPECT_EQ(NativeCpuUsage(10200000, 10000000, 1, 0), -2);
  EXPECT_LT(NativeCpuUsage(25000000, 10000000, 2, 0), 0);
}

TEST(NativeCpuUsage, NoElapsedTimeAnswersThePreviousValue) {
  EXPECT_EQ(NativeCpuUsage(0, 0, 2, 0), 0);
  EXPECT_EQ(NativeCpuUsage(5000, 0, 2, 42), 42);
  EXPECT_EQ(NativeCpuUsage(-5000, 0, 1, 7), 7);
}

TEST(NativeCpuUsage, NoProcessorCountIsAFailure) {
  EXPECT_EQ(NativeCpuUsage(1000, 10000000, 0, 12), -1);
}

TEST(NativeCpuUsage, ExactHalvesRoundAsExtendedPrecisionDoes) {
  // I x 10 000 / S is exactly x.5 here; 80-bit arithmetic lands on these sides (values
  // worked out apart from this code). Double precision gives 93, 80, 31 and -8.
  const std::int64_t S = 10000000;
  EXPECT_EQ(NativeCpuUsage(799500, S, 1, 0), 92);
  EXPECT_EQ(NativeCpuUsage(1999500, S, 1, 0), 81);
  EXPECT_EQ(NativeCpuUsage(6900500, S, 1, 0), 32);
  EXPECT_EQ(NativeCpuUsage(10900500, S, 1, 0), -9);
}

TEST(NativeCpuUsage, SweepAroundRoundingBoundariesMatchesExactArithmetic) {
  const std::int64_t systems[] = {10000000, 10000001, 9999999, 10156250, 15625000, 20000000,
                                  156250,   1000003,  99999989};
  int compared = 0;
  for (std::int64_t S : systems) {
    for (int n = 1; n <= 16; ++n) {
      // Around every half of the final division: U = 10 000 k + 5 000.
      for (int k = -3; k <= 101; ++k) {
        for (int du = -2; du <= 2; ++du) {
          std::int64_t u = 10000LL * k + 5000 + du;
          // idle share i (1/10 000) for that U, then the idle difference for that share
          std::int64_t i = (1005000 - u) * n / 100;
          for (int di = -1; di <= 1; ++di) {
            std::int64_t idle = ((i + di) * S) / 10000;
            for (std::int64_t d : {idle - 1, idle, idle + 1}) {
              std::int64_t expected = 0;
              if (!ExactUsage(d, S, n, expected)) continue;
              ASSERT_EQ(NativeCpuUsage(d, S, static_cast<unsigned>(n), 0), expected)
                  << "idle " << d << " system " << S << " processors " << n;
              ++compared;
            }
          }
        }
      }
    }
  }
  EXPECT_GT(compared, 100000);
}

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(0.5L), 0.0L);
  EXPECT_EQ(RoundHalfEven(1.5L), 2.0L);
  EXPECT_EQ(RoundHalfEven(2.5L), 2.0L);
  EXPECT_EQ(RoundHalfEven(-0.5L), 0.0L);
  EXPECT_EQ(RoundHalfEven(-1.5L), -2.0L);
  EXPECT_EQ(RoundHalfEven(-2.5L), -2.0L);
  EXPECT_EQ(RoundHalfEven(100.49999L), 100.0L);
  EXPECT_EQ(RoundHalfEven(100.50001L), 101.0L);
}
