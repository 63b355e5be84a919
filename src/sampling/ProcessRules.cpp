#include "sampling/ProcessRules.h"

#include <cstring>
#include <unordered_map>

#include "util/AnsiText.h"

std::wstring NormaliseModulePath(const std::wstring& P, const std::wstring& N,
                                 const std::wstring& systemFolder) {
  if (P.size() > 4 && P.compare(0, 4, L"\\??\\") == 0) return P.substr(4);
  static const std::wstring kSystemRoot = L"\\SystemRoot\\";
  if (P.size() > kSystemRoot.size() &&
      SameTextIgnoringCase(P.substr(0, kSystemRoot.size()), kSystemRoot))
    return systemFolder + L"\\" + N;
  if (P == L"?") return std::wstring();
  return P;
}

std::wstring FileNamePart(const std::wstring& path) {
  std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool HasFileExtension(const std::wstring& name) {
  return FileNamePart(name).find(L'.') != std::wstring::npos;
}

std::uint8_t NextProcessState(std::uint8_t state) {
  switch (state) {
    case kProcessNew: return kProcessReported;
    case kProcessUnseen: return kProcessGone;
    case kProcessKnown: return kProcessUnseen;
    case kProcessReported: return kProcessUnseen;
    default: return state;
  }
}

void ApplyIoCounters(TQvProcessInfo& R, const IO_COUNTERS* counters) {
  auto take = [](std::int64_t& stored, std::int64_t& delta, ULONGLONG now) {
    delta = static_cast<std::int64_t>(now) - stored;
    stored = static_cast<std::int64_t>(now);
  };
  if (counters) {
    take(R.ReadOperations, R.ReadOperationsDelta, counters->ReadOperationCount);
    take(R.WriteOperations, R.WriteOperationsDelta, counters->WriteOperationCount);
    take(R.OtherOperations, R.OtherOperationsDelta, counters->OtherOperationCount);
    take(R.ReadBytes, R.ReadBytesDelta, counters->ReadTransferCount);
    take(R.WriteBytes, R.WriteBytesDelta, counters->WriteTransferCount);
    take(R.OtherBytes, R.OtherBytesDelta, counters->OtherTransferCount);
  } else {
    R.ReadOperationsDelta = R.WriteOperationsDelta = R.OtherOperationsDelta = 0;
    R.ReadBytesDelta = R.WriteBytesDelta = R.OtherBytesDelta = 0;
  }
  R.IODeltaTotalBytes = R.ReadBytesDelta + R.WriteBytesDelta + R.OtherBytesDelta;
  if (!R.IOHistory.empty() && R.IODeltaTotalBytes > R.MaxIODeltaTotalBytes)
    R.MaxIODeltaTotalBytes = R.IODeltaTotalBytes;
  PushHistory<std::int64_t>(R.IOHistory, R.IOHistory.empty() ? 0 : R.IODeltaTotalBytes);
}

float CpuShare(std::int64_t processDelta, std::int64_t totalDelta, float previous) {
  float share = previous;
  if (totalDelta != 0)
    share = static_cast<float>(static_cast<double>(processDelta) /
                               static_cast<double>(totalDelta) * 100.0);
  return share < 0 ? 0.0f : share;
}

std::vector<TProcessListRecord> WalkProcessList(const BYTE* buffer, std::size_t size) {
  std::vector<TProcessListRecord> records;
  constexpr std::size_t kHeader = offsetof(NtSystemProcessInformation, Threads);
  constexpr std::size_t kThread = sizeof(NtSystemThreadInformation);
  std::size_t offset = 0;
  while (buffer && offset <= size && size - offset >= kHeader) {
    TProcessListRecord record;
    std::memcpy(&record.Info, buffer + offset, kHeader);
    ULONG next = record.Info.NextEntryOffset;
    std::size_t room = next != 0 && next < size - offset ? next : size - offset;
    record.FirstThreadReadable = record.Info.NumberOfThreads > 0 && room >= kHeader + kThread;
    if (record.FirstThreadReadable)
      std::memcpy(&record.Info.Threads[0], buffer + offset + kHeader, kThread);
    records.push_back(record);
    if (next == 0 || next > size - offset) break;
    offset += next;
  }
  return records;
}

namespace {

SYSTEMTIME ToSystemTime(const LARGE_INTEGER& value, bool local) {
  FILETIME ft{static_cast<DWORD>(value.LowPart), static_cast<DWORD>(value.HighPart)};
  SYSTEMTIME st{};
  if (local) {
    FILETIME lt{};
    if (!FileTimeToLocalFileTime(&ft, &lt)) return st;
    ft = lt;
  }
  if (!FileTimeToSystemTime(&ft, &st)) st = SYSTEMTIME{};
  return st;
}

std::int64_t CpuTime(const NtSystemProcessInformation& info) {
  return info.UserTime.QuadPart + info.KernelTime.QuadPart;
}

}  // namespace

TProcessListSums ApplySystemProcessList(const std::vector<TProcessListRecord>& list,
                                        std::vector<std::unique_ptr<TQvProcessInfo>>& items,
                                        std::int64_t& previousTotal,
                                        const std::function<void()>& pump) {
  TProcessListSums sums;
  std::int64_t total = 0;
  std::unordered_map<DWORD, const TProcessListRecord*> byId;
  for (const TProcessListRecord& record : list) {
    total += CpuTime(record.Info);
    byId.emplace(record.ProcessId(), &record);
    if (pump) pump();
  }
  // Full 64-bit differences: the low halves alone wrap within minutes on a busy machine.
  std::int64_t totalDelta = total - previousTotal;

  // Indexes, not iterators: the pump may run code that reads the list.
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (pump) pump();
    if (i >= items.size()) break;
    TQvProcessInfo& R = *items[i];
    std::int64_t cpu = 0;
    auto found = byId.find(R.ProcessID);
    if (found != byId.end()) {
      const NtSystemProcessInformation& info = found->second->Info;
      cpu = CpuTime(info);
      R.CreateTime = ToSystemTime(info.CreateTime, true);
      R.KernelTime = ToSystemTime(info.KernelTime, false);
      R.UserTime = ToSystemTime(info.UserTime, false);
      R.BasePriority = info.BasePriority;
      R.ThreadCount = info.NumberOfThreads;
      R.HandleCount = info.HandleCount;
      R.PageFaultDelta = info.VmCounters.PageFaultCount - R.PageFaults;
      sums.TotalPageFautlDelta += R.PageFaultDelta;
      R.PageFaults = info.VmCounters.PageFaultCount;
      R.ParentProcessID =
          static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(info.InheritedFromUniqueProcessId));
      std::uint64_t privateBytes = info.VmCounters.PagefileUsage;
      R.PrivateBytesDelta =
          static_cast<std::int64_t>(privateBytes) - static_cast<std::int64_t>(R.PrivateBytes);
      R.PrivateBytes = privateBytes;
      R.PeakPrivateBytes = info.VmCounters.PeakPagefileUsage;
      if (static_cast<std::int64_t>(R.PeakPrivateBytes) > sums.MAXPrivateBytes)
        sums.MAXPrivateBytes = static_cast<std::int64_t>(R.PeakPrivateBytes);
      PushHistory<std::uint64_t>(R.PrivateBytesHistory, R.PrivateBytes);
      R.VirtualSize = info.VmCounters.VirtualSize;
      R.WorkingSetSize = info.VmCounters.WorkingSetSize;
      R.PeakWorkingSetSize = info.VmCounters.PeakWorkingSetSize;
      R.Suspended = false;
      if (found->second->FirstThreadReadable) {
        const NtSystemThreadInformation& thread = info.Threads[0];
        BYTE state = static_cast<BYTE>(thread.ThreadState);
        BYTE reason = static_cast<BYTE>(thread.WaitReason);
        R.Suspended = state == 5 && (reason == 5 || reason == 12);
      }
      sums.ThreadCount += static_cast<std::int32_t>(info.NumberOfThreads);
      sums.HandleCount += static_cast<std::int32_t>(info.HandleCount);
    }
    std::int64_t cpuDelta = cpu - R.LastCPUTime;
    R.LastCPUTime = cpu;
    R.CPUUsage = CpuShare(cpuDelta, totalDelta, R.CPUUsage);
    PushHistory<double>(R.CPUHistory, R.CPUHistory.empty() ? 0.0 : R.CPUUsage);
    if (R.ProcessID != 0) sums.TotalCPUUsage += R.CPUUsage;
  }
  previousTotal = total;
  return sums;
}

