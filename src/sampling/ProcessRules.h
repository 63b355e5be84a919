// The value logic of the process collection: path normalisation, the refresh state table,
// histories, I/O and CPU figures, and the bounded walk of the system process list.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sampling/MemtideProcessUnit.h"
#include "sampling/NtSystemInfo.h"

// The module path P of an executable named N as a plain file path: "\??\" dropped, a path
// under "\SystemRoot\" becomes the system folder + "\" + N, "?" becomes empty.
std::wstring NormaliseModulePath(const std::wstring& P, const std::wstring& N,
                                 const std::wstring& systemFolder);

// The part after the last "\" (or "/").
std::wstring FileNamePart(const std::wstring& path);
// True when the name has an extension (a "." after the last "\").
bool HasFileExtension(const std::wstring& name);

// The state that AdvanceStates gives a record in `state`.
std::uint8_t NextProcessState(std::uint8_t state);

// Appends `value`, dropping the oldest first when the history is full.
template <class T>
void PushHistory(std::deque<T>& history, T value) {
  if (history.size() >= kProcessHistoryLength) history.pop_front();
  history.push_back(value);
}

// Takes the new I/O counters (null: the call failed, the counters stay and every delta is
// 0) and updates deltas, total, maximum and history.
void ApplyIoCounters(TQvProcessInfo& R, const IO_COUNTERS* counters);

// The share of all CPU time, in percent, that a process used: E of D. `previous` stays when
// no time passed; never negative.
float CpuShare(std::int64_t processDelta, std::int64_t totalDelta, float previous);

// One record of the system process list that lies wholly inside the buffer, copied out:
// Windows aligns the records, but not every system does.
struct TProcessListRecord {
  NtSystemProcessInformation Info{};  // the header and, when readable, the first thread
  bool FirstThreadReadable = false;
  DWORD ProcessId() const {
    return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(Info.UniqueProcessId));
  }
};

// The chain of records in the first `size` bytes of `buffer`. The walk stops at a next
// offset of 0, at one that leads out of the buffer, and at a record that does not fit.
std::vector<TProcessListRecord> WalkProcessList(const BYTE* buffer, std::size_t size);

// The machine-wide sums of one update.
struct TProcessListSums {
  std::int32_t ThreadCount = 0;
  std::int32_t HandleCount = 0;
  double TotalCPUUsage = 0;
  std::uint32_t TotalPageFautlDelta = 0;
  std::int64_t MAXPrivateBytes = 0;
};

// Updates every record of `items` from the system list: times, counts, sizes, page
// faults, CPU share and the histories. `previousTotal` is the total CPU time of all
// processes at the last update; it becomes this list's. `pump` runs once per record walked.
TProcessListSums ApplySystemProcessList(const std::vector<TProcessListRecord>& list,
                                        std::vector<std::unique_ptr<TQvProcessInfo>>& items,
                                        std::int64_t& previousTotal,
                                        const std::function<void()>& pump);

