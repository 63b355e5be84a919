#include "sampling/CpuUsageMath.h"

#include <cfloat>
#include <cmath>

// The figure is defined in 80-bit extended precision, and double precision does not give
// the same integer where the idle share lands on an exact half (I x 20000 an odd multiple
// of S, common with S = 10 000 000): the two formats round I / S to different sides.
// MinGW's long double is that extended format on both architectures.
static_assert(LDBL_MANT_DIG == 64, "the CPU figure needs 80-bit extended precision");

long double RoundHalfEven(long double value) {
  long double whole = std::floor(value);
  long double rest = value - whole;
  if (rest > 0.5L) return whole + 1.0L;
  if (rest < 0.5L) return whole;
  return std::fmod(whole, 2.0L) == 0.0L ? whole : whole + 1.0L;
}

std::int32_t NativeCpuUsage(std::int64_t idleDelta, std::int64_t systemDelta,
                            unsigned processors, std::int32_t previous) {
  if (systemDelta == 0) return previous;
  if (processors == 0) return -1;
  // Each step is stored to memory so that no intermediate keeps more than 64 bits.
  volatile long double share = static_cast<long double>(idleDelta) /
                               static_cast<long double>(systemDelta);
  volatile long double scaled = share * 10000.0L;
  long double idle = RoundHalfEven(scaled);
  volatile long double perProcessor = idle * 100.0L / static_cast<long double>(processors);
  long double busy = RoundHalfEven(1000000.0L - perProcessor + 5000.0L);
  long double result = RoundHalfEven(busy / 10000.0L);
  // Only the conversion needs the guard; real figures stay far inside.
  if (!(result > -2147483648.0L)) return INT32_MIN;
  if (!(result < 2147483647.0L)) return INT32_MAX;
  return static_cast<std::int32_t>(result);
}
