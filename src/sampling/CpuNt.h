// TCPUUsage: the machine's CPU load computed from the NT kernel's system information
// (idle time against elapsed time of day, averaged over the processors).
#pragma once
#include <windows.h>

#include <cstdint>

#include "sampling/NtSystemInfo.h"
#include "util/ScopedHandles.h"

class TCPUUsage {
 public:
  // Loads "ntdll.dll" and finds NtQuerySystemInformation.
  TCPUUsage();
  // Uses `query` in place of the system's entry (tests); null behaves as a missing export.
  explicit TCPUUsage(NtQuerySystemInformationFn query);
  ~TCPUUsage() = default;
  TCPUUsage(const TCPUUsage&) = delete;
  TCPUUsage& operator=(const TCPUUsage&) = delete;

  // One sample now: the busy percentage since the previous successful sample, -1 when the
  // system call fails (the previous values are kept then).
  std::int32_t GetCPUUsage();

  std::int64_t OldIdleTime() const { return OldIdleTime_; }
  std::int64_t OldSystemTime() const { return OldSystemTime_; }

 private:
  UniqueModule ntdll_;
  NtQuerySystemInformationFn query_ = nullptr;
  std::int64_t OldIdleTime_ = 0;
  std::int64_t OldSystemTime_ = 0;
  std::int32_t last_ = 0;  // answered again when two samples fall in one clock tick
};
