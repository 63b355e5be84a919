#include "sampling/CpuNt.h"

#include "sampling/CpuUsageMath.h"

#include <algorithm>

unsigned MachineProcessorCount() {
  using ActiveCountFn = DWORD(WINAPI*)(WORD group);
  static const auto activeCount = reinterpret_cast<ActiveCountFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetActiveProcessorCount")));
  if (activeCount) {
    if (const DWORD n = activeCount(ALL_PROCESSOR_GROUPS)) return n;
  }
  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  return info.dwNumberOfProcessors;
}

TCPUUsage::TCPUUsage()
    : ntdll_(LoadLibraryA("ntdll.dll")), processors_(MachineProcessorCount) {
  if (ntdll_) {
    query_ = reinterpret_cast<NtQuerySystemInformationFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll_.get(), "NtQuerySystemInformation")));
  }
}

TCPUUsage::TCPUUsage(NtQuerySystemInformationFn query, ProcessorCountFn processors)
    : query_(query), processors_(processors) {}

std::int32_t TCPUUsage::GetCPUUsage() {
  if (!query_) return -1;
  NtSystemBasicInformation basic{};
  NtSystemTimeOfDayInformation timeOfDay{};
  // Later systems grew the performance record; they refuse the classic 312 bytes with a
  // length mismatch, so a record of any size up to 1 KiB is accepted.
  union {
    NtSystemPerformanceInformation record;
    BYTE bytes[1024];
  } performance{};
  if (query_(kSystemBasicInformation, &basic, sizeof(basic), nullptr) != kStatusSuccess)
    return -1;
  if (query_(kSystemTimeOfDayInformation, &timeOfDay, sizeof(timeOfDay), nullptr) !=
      kStatusSuccess)
    return -1;
  NtStatus status = query_(kSystemPerformanceInformation, &performance,
                           sizeof(performance.record), nullptr);
  if (status == kStatusInfoLengthMismatch)
    status = query_(kSystemPerformanceInformation, &performance, sizeof(performance), nullptr);
  if (status != kStatusSuccess) return -1;

  // The idle time is summed over every processor of the machine, but class 0 counts at most
  // 32 of them for a 32-bit process under WOW64, and only its own processor group (at most
  // 64) for a 64-bit one; so the machine's count is taken where the system gives it.
  unsigned processors = processors_ ? processors_() : 0;
  if (processors == 0) processors = static_cast<BYTE>(basic.NumberOfProcessors);
  // A record without a processor count is as useless as a failed call.
  if (processors == 0) return -1;

  std::int64_t idle = performance.record.IdleProcessTime.QuadPart;
  std::int64_t now = timeOfDay.CurrentTime.QuadPart;
  // The two records are read at slightly different moments, so the figure can leave 0..100
  // by a little; a load outside it means nothing to the user.
  last_ = std::clamp(
      NativeCpuUsage(idle - OldIdleTime_, now - OldSystemTime_, processors, last_), 0, 100);
  OldIdleTime_ = idle;
  OldSystemTime_ = now;
  return last_;
}
