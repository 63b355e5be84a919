#include "sampling/CPUWin.h"

namespace {

constexpr char kUsageValue[] = "KERNEL\\CPUUsage";

// Reads the value's first 4 bytes into `usage`; leaves it alone when there is none.
void ReadUsage(HKEY key, std::int32_t& usage) {
  if (!key) return;
  BYTE data[4] = {};
  DWORD size = sizeof(data);
  DWORD type = 0;
  LONG rc = RegQueryValueExA(key, kUsageValue, nullptr, &type, data, &size);
  // A longer value answers ERROR_MORE_DATA without its bytes; then nothing is read.
  if (rc != ERROR_SUCCESS || size == 0) return;
  std::uint32_t value = 0;
  for (DWORD i = 0; i < size && i < 4; ++i) value |= static_cast<std::uint32_t>(data[i]) << (8 * i);
  usage = static_cast<std::int32_t>(value);
}

UniqueHKey OpenExisting(HKEY root, const char* path) {
  UniqueHKey key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) key.release();
  return key;
}

}  // namespace

TCPUUsageWin::TCPUUsageWin(HKEY root) : root_(root) {
  // Reading the start key is what makes the system begin collecting.
  if (UniqueHKey start = OpenExisting(root_, "PerfStats\\StartStat")) {
    std::int32_t ignored = 0;
    ReadUsage(start.get(), ignored);
  }
  current_ = OpenExisting(root_, "PerfStats\\StatData");
}

TCPUUsageWin::~TCPUUsageWin() {
  current_.reset();
  if (UniqueHKey stop = OpenExisting(root_, "PerfStats\\StopStat")) ReadUsage(stop.get(), LastUsage_);
}

std::int32_t TCPUUsageWin::GetCPUUsage() {
  ReadUsage(current_.get(), LastUsage_);
  return LastUsage_;
}
