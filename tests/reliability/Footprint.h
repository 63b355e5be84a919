// The four footprint figures of a process, read the same way by every reliability test.
#pragma once
#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <string>

struct Footprint {
  // PrivateUsage of the process; Wine answers 0 there, so then the sum of its committed
  // private regions (the same figure as Windows counts it, read through VirtualQueryEx).
  std::uint64_t PrivateBytes = 0;
  std::uint64_t WorkingSet = 0;
  DWORD GdiObjects = 0;
  DWORD UserObjects = 0;  // GetGuiResources; Wine answers 0 for both object counts
};

inline std::uint64_t CommittedPrivateBytes(HANDLE process) {
  std::uint64_t sum = 0;
  MEMORY_BASIC_INFORMATION mbi{};
  const char* at = nullptr;
  while (VirtualQueryEx(process, at, &mbi, sizeof mbi) == sizeof mbi) {
    if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE) sum += mbi.RegionSize;
    const char* next = static_cast<const char*>(mbi.BaseAddress) + mbi.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return sum;
}

inline Footprint ReadFootprint(HANDLE process = GetCurrentProcess()) {
  Footprint f;
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof counters)) {
    f.PrivateBytes = counters.PrivateUsage;
    f.WorkingSet = counters.WorkingSetSize;
  }
  if (f.PrivateBytes == 0) f.PrivateBytes = CommittedPrivateBytes(process);
  f.GdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
  f.UserObjects = GetGuiResources(process, GR_USEROBJECTS);
  return f;
}

inline std::string Describe(const Footprint& f) {
  char text[160];
  std::snprintf(text, sizeof text, "private %llu KiB, working set %llu KiB, GDI %lu, USER %lu",
                static_cast<unsigned long long>(f.PrivateBytes / 1024),
                static_cast<unsigned long long>(f.WorkingSet / 1024),
                static_cast<unsigned long>(f.GdiObjects),
                static_cast<unsigned long>(f.UserObjects));
  return text;
}

inline std::int64_t Growth(std::uint64_t before, std::uint64_t after) {
  return static_cast<std::int64_t>(after) - static_cast<std::int64_t>(before);
}
