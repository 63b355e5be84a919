// TCPUUsageWin: the CPU load that Windows 95, 98 and Me publish in their dynamic
// statistics ("KERNEL\CPUUsage" under HKEY_DYN_DATA\PerfStats).
#pragma once
#include <windows.h>

#include <cstdint>

#include "util/ScopedHandles.h"

class TCPUUsageWin {
 public:
  // Starts the statistics (PerfStats\StartStat) and keeps PerfStats\StatData open under
  // `root`; tests pass a key of their own.
  explicit TCPUUsageWin(HKEY root = HKEY_DYN_DATA);
  // Closes the data key and stops the statistics (PerfStats\StopStat).
  ~TCPUUsageWin();
  TCPUUsageWin(const TCPUUsageWin&) = delete;
  TCPUUsageWin& operator=(const TCPUUsageWin&) = delete;

  // The 4 bytes of "KERNEL\CPUUsage"; the last sample again when the value is missing.
  std::int32_t GetCPUUsage();
  std::int32_t LastUsage() const { return LastUsage_; }

 private:
  HKEY root_;
  UniqueHKey current_;
  std::int32_t LastUsage_ = 0;
};
