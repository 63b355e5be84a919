// TCPUObject: the CPU load facade. On NT it holds the native and the PDH sampler and
// UsePdh picks one; on Windows 95/98/Me it holds the registry sampler only.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

#include "sampling/CPUPdh.h"
#include "sampling/CPUWin.h"
#include "sampling/CpuNt.h"

class TCPUObject {
 public:
  // Creates the samplers that fit the running system (IsWinNT).
  TCPUObject();
  // Takes samplers made by the caller (tests); the platform is NT when `registry` is null.
  TCPUObject(std::unique_ptr<TCPUUsage> native, std::unique_ptr<TCPUPdh> pdh,
             std::unique_ptr<TCPUUsageWin> registry);
  ~TCPUObject();
  TCPUObject(const TCPUObject&) = delete;
  TCPUObject& operator=(const TCPUObject&) = delete;

  // True unless GetVersionExA answers a platform other than NT.
  static bool IsWinNT();

  // One sample from the sampler in use; its value is passed on unchanged, -1 included.
  std::int32_t GetCPUUsage();

  bool IsNT() const { return isNT_; }

  // The PDH counter in place of the native figure; read at every GetCPUUsage. No effect
  // off NT.
  bool UsePdh = false;

 private:
  bool isNT_;
  std::unique_ptr<TCPUUsage> native_;
  std::unique_ptr<TCPUUsageWin> registry_;
  std::unique_ptr<TCPUPdh> pdh_;
};
