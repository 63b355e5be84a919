#include "sampling/CpuNt.h"

#include "sampling/CpuUsageMath.h"

TCPUUsage::TCPUUsage() : ntdll_(LoadLibraryA("ntdll.dll")) {
  if (ntdll_) {
    query_ = reinterpret_cast<NtQuerySystemInformationFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll_.get(), "NtQuerySystemInformation")));
  }
}

TCPUUsage::TCPUUsage(NtQuerySystemInformationFn query) : query_(query) {}

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

  // A record without a processor count is as useless as a failed call.
  unsigned processors = static_cast<BYTE>(basic.NumberOfProcessors);
  if (processors == 0) return -1;

  std::int64_t idle = performance.record.IdleProcessTime.QuadPart;
  std::int64_t now = timeOfDay.CurrentTime.QuadPart;
  last_ = NativeCpuUsage(idle - OldIdleTime_, now - OldSystemTime_, processors, last_);
  OldIdleTime_ = idle;
  OldSystemTime_ = now;
  return last_;
}
