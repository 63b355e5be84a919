// The arithmetic of the native CPU sampler, apart from the system calls.
#pragma once
#include <cstdint>

// Busy percentage of the whole machine from the growth of the summed idle time and of the
// system time of day (both in 100 ns units) over `processors` processors. Half a percent is
// added before the last rounding and the result is not clamped (the sampler does that). When no system time passed
// (two samples in one clock tick) `previous` is returned; with no processor count, -1.
std::int32_t NativeCpuUsage(std::int64_t idleDelta, std::int64_t systemDelta,
                            unsigned processors, std::int32_t previous);

// Round to nearest, ties to even, whatever the floating-point environment says.
long double RoundHalfEven(long double value);
