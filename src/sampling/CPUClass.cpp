#include "sampling/CPUClass.h"

bool TCPUObject::IsWinNT() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  static_assert(sizeof(OSVERSIONINFOA) == 148);
  if (!GetVersionExA(&info)) return true;
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

TCPUObject::TCPUObject() : isNT_(IsWinNT()) {
  if (isNT_) {
    native_ = std::make_unique<TCPUUsage>();
    pdh_ = std::make_unique<TCPUPdh>();
  } else {
    registry_ = std::make_unique<TCPUUsageWin>();
  }
}

TCPUObject::TCPUObject(std::unique_ptr<TCPUUsage> native, std::unique_ptr<TCPUPdh> pdh,
                       std::unique_ptr<TCPUUsageWin> registry)
    : isNT_(registry == nullptr),
      native_(std::move(native)),
      registry_(std::move(registry)),
      pdh_(std::move(pdh)) {}

TCPUObject::~TCPUObject() {
  native_.reset();
  registry_.reset();
  pdh_.reset();
}

std::int32_t TCPUObject::GetCPUUsage() {
  if (!isNT_) return registry_ ? registry_->GetCPUUsage() : 0;
  if (UsePdh) return pdh_ ? pdh_->GetCPUUsage() : 0;
  return native_ ? native_->GetCPUUsage() : -1;
}
