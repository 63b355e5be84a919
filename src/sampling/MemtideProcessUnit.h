// TMemtideProcessCollection: one TQvProcessInfo record per running process, brought up to
// date by Refresh, with machine-wide sums; TMainWindow lists the visible top-level windows
// so each record can name its main window. The monitor window uses it to trim the working
// set of every process before an optimization.
#pragma once
#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "sampling/NtSystemInfo.h"
#include "sampling/RemoteProcess.h"

inline constexpr std::size_t kProcessHistoryLength = 50;

// Refresh states of a record.
enum : std::uint8_t {
  kProcessNew = 0,       // new in the last refresh
  kProcessUnseen = 1,    // not seen since the previous step
  kProcessKnown = 2,     // seen in the last refresh
  kProcessReported = 7,  // new, reported once
  kProcessGone = 8,
};

// What a refresh reads besides the identifier, executable name, parent and state of each
// record, which the process snapshot gives. Trimming working sets needs none of it, and on a
// machine with hundreds of processes reading it costs many times the trimming itself.
enum TProcessDetails : unsigned {
  kNoDetails = 0,
  // FilePath, CommandLine, UserName, the version texts, Signer and IconIndex: read once per
  // record, by the first refresh that asks (again while FilePath is empty).
  kIdentityDetails = 1,
  // I/O counters, GUI object counts and AffinityMask: every refresh that asks opens each
  // process for them.
  kCounterDetails = 2,
  // Times, counts, memory sizes, page faults and CPU share from the system process list,
  // and the collection's sums of them.
  kSystemListDetails = 4,
  // MainWindow and WindowTitle from the window list.
  kWindowDetails = 8,
  kAllDetails = 15,
};

struct TQvProcessInfo {
  std::wstring ExeName;
  DWORD ProcessID = 0;
  DWORD ParentProcessID = 0;
  std::wstring UserName;
  std::wstring FileDescription;
  std::wstring CompanyName;
  std::wstring LegalCopyright;
  std::wstring InternalName;
  std::wstring ProductName;
  std::wstring Signer;
  std::wstring FileVersion;
  std::wstring FilePath;
  std::wstring WindowTitle;
  std::wstring CommandLine;
  float CPUUsage = 0;
  std::deque<double> CPUHistory;
  SYSTEMTIME CreateTime{};
  SYSTEMTIME KernelTime{};
  SYSTEMTIME UserTime{};
  LONG BasePriority = 0;
  ULONG ThreadCount = 0;
  ULONG HandleCount = 0;
  std::int64_t ReadOperations = 0, ReadBytes = 0;
  std::int64_t ReadOperationsDelta = 0, ReadBytesDelta = 0;
  std::int64_t WriteOperations = 0, WriteBytes = 0;
  std::int64_t WriteOperationsDelta = 0, WriteBytesDelta = 0;
  std::int64_t OtherOperations = 0, OtherBytes = 0;
  std::int64_t OtherOperationsDelta = 0, OtherBytesDelta = 0;
  std::int64_t IODeltaTotalBytes = 0;
  std::int64_t MaxIODeltaTotalBytes = 0;
  std::deque<std::int64_t> IOHistory;
  std::uint32_t PageFaults = 0;
  std::uint32_t PageFaultDelta = 0;
  // Memory sizes are as wide as the system reports them, so a 64-bit build keeps sizes
  // above 4 GiB.
  std::uint64_t PrivateBytes = 0;
  std::uint64_t PeakPrivateBytes = 0;
  std::int64_t PrivateBytesDelta = 0;
  std::deque<std::uint64_t> PrivateBytesHistory;
  std::uint64_t VirtualSize = 0;
  std::uint64_t WorkingSetSize = 0;
  std::uint64_t PeakWorkingSetSize = 0;
  DWORD GDIObjects = 0;
  DWORD USERObjects = 0;
  DWORD_PTR AffinityMask = 0;
  HWND MainWindow = nullptr;
  std::int64_t LastCPUTime = 0;
  std::uint8_t State = kProcessNew;
  int IconIndex = 0;
  bool Suspended = false;
  bool IdentityRead = false;  // a refresh with kIdentityDetails has read this record
};

struct TWindowEntry {
  DWORD ProcessID = 0;
  HWND Wnd = nullptr;
};

class TMainWindow {
 public:
  // Empties WindowTitle and the list, then lists every visible top-level window that has
  // no owner.
  void RefreshWindows();
  // The first listed window of the process and its title; null and "" when none.
  HWND FindWindow(DWORD ProcessID, std::wstring& Title) const;

  const std::wstring& WindowTitle() const { return WindowTitle_; }
  void SetWindowTitle(const std::wstring& v) { WindowTitle_ = v; }
  const std::vector<TWindowEntry>& WinList() const { return WinList_; }
  bool Updated() const { return Updated_; }
  void SetUpdated(bool v) { Updated_ = v; }

  // Handles pending window messages inside the loops; set by the collection.
  std::function<void()> ProcessMessages;

 private:
  std::wstring WindowTitle_;
  std::vector<TWindowEntry> WinList_;
  std::unordered_map<DWORD, HWND> firstWindow_;  // of each process in WinList_
  bool Updated_ = false;
};

class TMemtideProcessCollection {
 public:
  // Enables SeDebug, SeSecurity, SeBackup, SeTakeOwnership and SeShutDown privileges.
  TMemtideProcessCollection();
  ~TMemtideProcessCollection();
  TMemtideProcessCollection(const TMemtideProcessCollection&) = delete;
  TMemtideProcessCollection& operator=(const TMemtideProcessCollection&) = delete;

  // Brings Items up to date from a fresh process snapshot, reading the details asked for
  // (TProcessDetails, combined with |). Pending window messages are handled inside; a call
  // made from one of them while a refresh, AdvanceStates or RemoveGone is running returns
  // at once.
  void Refresh(unsigned Details = kAllDetails);
  // 0 -> 7, 2 -> 1, 7 -> 1, 1 -> 8 for every record.
  void AdvanceStates();
  // Frees the records in state 8.
  void RemoveGone();
  // Removes as many pages as possible from the process's working set; nothing when it
  // cannot be opened.
  void TrimWorkingSet(DWORD ProcessID);
  // Index of the first record of the process in Items, or -1.
  int FindIndex(DWORD ProcessID) const;

  const std::vector<std::unique_ptr<TQvProcessInfo>>& Items() const { return Items_; }
  int Count() const { return static_cast<int>(Items_.size()); }
  TQvProcessInfo* Item(int index) const;
  const std::vector<void*>& TreeItems() const { return TreeItems_; }
  std::int64_t MaxIODeltaTotalBytes() const { return MaxIODeltaTotalBytes_; }
  std::int64_t IODeltaTotalBytes() const { return IODeltaTotalBytes_; }
  std::int32_t ThreadCount() const { return ThreadCount_; }
  std::int32_t HandleCount() const { return HandleCount_; }
  double TotalCPUUsage() const { return TotalCPUUsage_; }
  std::uint32_t TotalPageFautlDelta() const { return TotalPageFautlDelta_; }
  std::int64_t MAXPrivateBytes() const { return MAXPrivateBytes_; }
  TMainWindow& MainWindow() { return mainWindow_; }
  // Whether records get their small system icon index (on by default). Asking the shell
  // for one builds its system image list, which keeps every program's icon in all of its
  // sizes - under Wine about 10 MiB for a few dozen programs - so an owner that never shows
  // icons switches it off; IconIndex is then -1.
  bool CollectIcons() const { return collectIcons_; }
  void SetCollectIcons(bool Value) { collectIcons_ = Value; }

  // Handles pending window messages inside the loops (default: a PeekMessage loop). The
  // owner may hand in its application's.
  std::function<void()> ProcessMessages;
  // Least time between two ProcessMessages calls of the loops (0, the default: at every
  // step). A message check costs about as much as trimming a process does, so an owner
  // that trims hundreds of them asks for fewer.
  DWORD MessageInterval() const { return messageInterval_; }
  void SetMessageInterval(DWORD Milliseconds) { messageInterval_ = Milliseconds; }

  // Seams for tests: the system process list query, the working-set call and (through
  // AccountNames().Lookup) the account look-up.
  NtQuerySystemInformationFn QuerySystemInformation = nullptr;
  std::function<BOOL(HANDLE, SIZE_T, SIZE_T)> SetWorkingSetSize;
  TAccountNames& AccountNames() { return accountNames_; }

 private:
  void Pump();
  void RefreshKnown(TQvProcessInfo& R, unsigned details);
  void AddNew(const std::wstring& exeName, DWORD processId, DWORD parentId, unsigned details);
  void ReadIdentity(HANDLE process, TQvProcessInfo& R);
  void ReadCounters(HANDLE process, TQvProcessInfo& R);
  void UpdateIo(HANDLE process, TQvProcessInfo& R);
  void UpdateFromSystemList();

  std::vector<std::unique_ptr<TQvProcessInfo>> Items_;
  std::vector<void*> TreeItems_;
  std::int64_t MaxIODeltaTotalBytes_ = -1;
  std::int64_t IODeltaTotalBytes_ = 0;
  std::int32_t ThreadCount_ = 0;
  std::int32_t HandleCount_ = 0;
  double TotalCPUUsage_ = 0;
  std::uint32_t TotalPageFautlDelta_ = 0;
  std::int64_t MAXPrivateBytes_ = 0;
  std::int64_t previousTotalCpuTime_ = 0;
  std::size_t listBufferSize_ = 0;  // the size the system list needed last time
  // Position of each process's record in Items_; rebuilt when a removal has shifted them.
  mutable std::unordered_map<DWORD, std::size_t> indexById_;
  mutable bool indexStale_ = false;
  TMainWindow mainWindow_;
  bool windowsStale_ = false;  // the last refresh made no window list
  bool countersRead_ = false;  // a refresh with kCounterDetails has ended
  TAccountNames accountNames_;
  DWORD messageInterval_ = 0;
  DWORD lastMessages_ = 0;
  bool messagesHandled_ = false;  // lastMessages_ is set
  bool busy_ = false;  // set during a pass: a message handled inside cannot start another
  bool collectIcons_ = true;
};
