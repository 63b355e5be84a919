// TCPUUsage: the machine's CPU load computed from the NT kernel's system information
// (idle time against elapsed time of day, averaged over the processors).
#pragma once
#include <windows.h>

#include <cstdint>

#include "sampling/NtSystemInfo.h"
#include "util/ScopedHandles.h"

// The number of processors of the whole machine, 0 when the system cannot tell.
using ProcessorCountFn = unsigned (*)();

// Every active processor of every processor group: GetActiveProcessorCount
// (ALL_PROCESSOR_GROUPS) where it exists (Windows 7), GetNativeSystemInfo otherwise.
unsigned MachineProcessorCount();

class TCPUUsage {
 public:
  // Loads "ntdll.dll" and finds NtQuerySystemInformation.
  TCPUUsage();
  // Uses `query` in place of the system's entry (tests); null behaves as a missing export.
  // `processors` stands for MachineProcessorCount; without it the count of class 0 is taken.
  explicit TCPUUsage(NtQuerySystemInformationFn query, ProcessorCountFn processors = nullptr);
  ~TCPUUsage() = default;
  TCPUUsage(const TCPUUsage&) = delete;
  TCPUUsage& operator=(const TCPUUsage&) = delete;

  // One sample now: the busy percentage since the previous successful sample, within 0 to
  // 100; -1 when the system call fails (the previous values are kept then).
  std::int32_t GetCPUUsage();

  std::int64_t OldIdleTime() const { return OldIdleTime_; }
  std::int64_t OldSystemTime() const { return OldSystemTime_; }

 private:
  UniqueModule ntdll_;
  NtQuerySystemInformationFn query_ = nullptr;
  ProcessorCountFn processors_ = nullptr;
  std::int64_t OldIdleTime_ = 0;
  std::int64_t OldSystemTime_ = 0;
  std::int32_t last_ = 0;  // answered again when two samples fall in one clock tick
};
