#include "sampling/MemtideProcessUnit.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>

#include "sampling/ProcessRules.h"
#include "sampling/RemoteProcess.h"
#include "util/AnsiText.h"
#include "util/FileSearcher.h"
#include "util/QvBaseUnit.h"
#include "util/QvFileService.h"
#include "util/ScopedFlag.h"
#include "util/ScopedHandles.h"

namespace {

constexpr DWORD kQueryAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;  // 0x0410
constexpr DWORD kTrimAccess = PROCESS_SET_INFORMATION | PROCESS_SET_QUOTA | PROCESS_VM_WRITE;
constexpr std::size_t kTextBuffer = 1024;
// The list grows with the machine; past this something is wrong and the update is skipped.
constexpr std::size_t kMaxListBuffer = 64u << 20;

const wchar_t kSystemProcess[] = L"System Process";

std::wstring ModulePath(HANDLE process) {
  char path[kTextBuffer] = {};
  if (!GetModuleFileNameExA(process, nullptr, path, sizeof(path) - 1)) return std::wstring();
  return AnsiToWide(path);
}

void ReadVersionTexts(TQvProcessInfo& R) {
  TMyFileVersion info;
  if (!ReadVersionInfo(WideToAnsi(R.FilePath), info)) return;
  R.FileDescription = AnsiToWide(info.FileDescription);
  R.CompanyName = AnsiToWide(info.CompanyName);
  R.FileVersion = AnsiToWide(info.FileVersion);
  R.LegalCopyright = AnsiToWide(info.LegalCopyright);
  R.InternalName = AnsiToWide(info.InternalName);
  R.ProductName = AnsiToWide(info.ProductName);
}

void ReadCommandLine(HANDLE process, TQvProcessInfo& R) {
  std::wstring line;
  if (ReadProcessCommandLine(process, kTextBuffer, line)) R.CommandLine = line;
}

void ReadGuiCounts(HANDLE process, TQvProcessInfo& R) {
  R.GDIObjects = GetGuiResources(process, GR_GDIOBJECTS);
  R.USERObjects = GetGuiResources(process, GR_USEROBJECTS);
}

DWORD_PTR AffinityOf(HANDLE process, DWORD_PTR previous) {
  DWORD_PTR processMask = 0;
  DWORD_PTR systemMask = 0;
  return GetProcessAffinityMask(process, &processMask, &systemMask) ? processMask : previous;
}

struct WindowCollector {
  std::vector<TWindowEntry>* list;
  const std::function<void()>* pump;
};

BOOL CALLBACK CollectWindow(HWND wnd, LPARAM param) {
  auto* collector = reinterpret_cast<WindowCollector*>(param);
  DWORD processId = 0;
  GetWindowThreadProcessId(wnd, &processId);
  if (!GetWindow(wnd, GW_OWNER) && IsWindowVisible(wnd))
    collector->list->push_back(TWindowEntry{processId, wnd});
  if (*collector->pump) (*collector->pump)();
  return TRUE;
}

}  // namespace

// ---- TMainWindow

void TMainWindow::RefreshWindows() {
  WindowTitle_.clear();
  WinList_.clear();
  firstWindow_.clear();
  std::vector<TWindowEntry> found;
  WindowCollector collector{&found, &ProcessMessages};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&collector));
  WinList_ = std::move(found);
  // emplace keeps the first window listed for a process.
  for (const TWindowEntry& entry : WinList_) firstWindow_.emplace(entry.ProcessID, entry.Wnd);
}

HWND TMainWindow::FindWindow(DWORD ProcessID, std::wstring& Title) const {
  Title.clear();
  auto found = firstWindow_.find(ProcessID);
  if (found == firstWindow_.end()) return nullptr;
  char text[kTextBuffer] = {};
  if (GetWindowTextA(found->second, text, sizeof(text)) > 0) Title = AnsiToWide(text);
  return found->second;
}

// ---- TMemtideProcessCollection

TMemtideProcessCollection::TMemtideProcessCollection()
    : ProcessMessages(ProcessPendingMessages) {
  mainWindow_.ProcessMessages = [this] { Pump(); };
  for (const char* name : {"SeDebugPrivilege", "SeSecurityPrivilege", "SeBackupPrivilege",
                           "SeTakeOwnershipPrivilege", "SeShutDownPrivilege"})
    EnablePrivilege(name, true);
}

TMemtideProcessCollection::~TMemtideProcessCollection() {
  Items_.clear();
  TreeItems_.clear();
}

void TMemtideProcessCollection::Pump() {
  if (!ProcessMessages) return;
  if (messageInterval_ != 0 && messagesHandled_ &&
      GetTickCount() - lastMessages_ < messageInterval_)
    return;
  ProcessMessages();
  // Timed from the end: a handler that ran long leaves the loop its full interval.
  lastMessages_ = GetTickCount();
  messagesHandled_ = true;
}

TQvProcessInfo* TMemtideProcessCollection::Item(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return Items_[static_cast<std::size_t>(index)].get();
}

int TMemtideProcessCollection::FindIndex(DWORD ProcessID) const {
  if (indexStale_) {
    indexById_.clear();
    // emplace keeps the first record of an identifier.
    for (std::size_t i = 0; i < Items_.size(); ++i) indexById_.emplace(Items_[i]->ProcessID, i);
    indexStale_ = false;
  }
  auto found = indexById_.find(ProcessID);
  return found == indexById_.end() ? -1 : static_cast<int>(found->second);
}

void TMemtideProcessCollection::TrimWorkingSet(DWORD ProcessID) {
  UniqueHandle process(OpenProcess(kTrimAccess, FALSE, ProcessID));
  if (!process) return;
  const SIZE_T all = static_cast<SIZE_T>(-1);
  if (SetWorkingSetSize)
    SetWorkingSetSize(process.get(), all, all);
  else
    SetProcessWorkingSetSize(process.get(), all, all);
}

void TMemtideProcessCollection::AdvanceStates() {
  ScopedFlag guard(busy_);
  if (!guard.Entered()) return;
  for (std::size_t i = Items_.size(); i-- > 0;) {
    if (i < Items_.size()) Items_[i]->State = NextProcessState(Items_[i]->State);
    Pump();
  }
}

void TMemtideProcessCollection::RemoveGone() {
  ScopedFlag guard(busy_);
  if (!guard.Entered()) return;
  for (std::size_t i = Items_.size(); i-- > 0;) {
    if (i < Items_.size() && Items_[i]->State == kProcessGone) {
      Items_.erase(Items_.begin() + static_cast<std::ptrdiff_t>(i));
      indexStale_ = true;
    }
    Pump();
  }
}

void TMemtideProcessCollection::UpdateIo(HANDLE process, TQvProcessInfo& R) {
  if (!process) return;
  IO_COUNTERS counters{};
  // A failed read keeps the stored counters and counts no traffic.
  bool ok = GetProcessIoCounters(process, &counters) != FALSE;
  ApplyIoCounters(R, ok ? &counters : nullptr);
  // The first refresh that reads counters has nothing to tell traffic from totals by.
  if (countersRead_) IODeltaTotalBytes_ += R.IODeltaTotalBytes;
}

void TMemtideProcessCollection::ReadCounters(HANDLE process, TQvProcessInfo& R) {
  if (!process) return;
  UpdateIo(process, R);
  ReadGuiCounts(process, R);
  R.AffinityMask = AffinityOf(process, R.AffinityMask);
}

// What a process is: read once, as for a process seen for the first time. `process` is
// null when the process could not be opened.
void TMemtideProcessCollection::ReadIdentity(HANDLE process, TQvProcessInfo& R) {
  const bool systemId = R.ProcessID == 0 || R.ProcessID == 4;
  R.FilePath = R.ExeName;
  if (process) {
    if (systemId) {
      R.FilePath = R.CommandLine = kSystemProcess;
    } else {
      R.FilePath = NormaliseModulePath(ModulePath(process), R.FilePath,
                                       AnsiToWide(GetSystemFolder()));
      if (!SameTextIgnoringCase(FileNamePart(R.FilePath), R.ExeName)) {
        std::string resolved;
        ResolveProgramFile(WideToAnsi(R.ExeName), resolved);
        R.FilePath = AnsiToWide(resolved);
        R.CommandLine = R.FilePath;
      } else {
        ReadCommandLine(process, R);
      }
    }
    R.IconIndex = collectIcons_ ? GetSmallIconIndex(WideToAnsi(R.FilePath)) : -1;
    R.UserName = AnsiToWide(accountNames_.OfProcess(process));
  } else {
    if (systemId) R.FilePath = R.CommandLine = kSystemProcess;
    R.IconIndex = -1;
    if (!R.ExeName.empty() && R.ExeName[0] != L'[')
      R.FilePath = AnsiToWide(GetSystemFolder()) + L"\\" + R.ExeName;
    if (HasFileExtension(R.ExeName)) R.CommandLine = R.FilePath;
    R.UserName = L"NT AUTHORITY\\SYSTEM";
  }
  ReadVersionTexts(R);
  std::string signer;
  GetSignerName(WideToAnsi(R.FilePath), signer);
  R.Signer = AnsiToWide(signer);
  R.IdentityRead = true;
}

void TMemtideProcessCollection::RefreshKnown(TQvProcessInfo& R, unsigned details) {
  R.State = kProcessKnown;
  const bool firstIdentity = (details & kIdentityDetails) && !R.IdentityRead;
  const bool retryPath = (details & kIdentityDetails) && R.IdentityRead && R.FilePath.empty() &&
                         R.ProcessID != 0 && R.ProcessID != 4;
  if (firstIdentity || retryPath || (details & kCounterDetails)) {
    // Not inheritable: a program started from a message handled meanwhile must not get it.
    UniqueHandle process(OpenProcess(kQueryAccess, FALSE, R.ProcessID));
    if (firstIdentity) ReadIdentity(process.get(), R);
    if (retryPath) {
      if (process) {
        R.FilePath = ModulePath(process.get());
        R.IconIndex = collectIcons_ ? GetSmallIconIndex(WideToAnsi(R.FilePath)) : -1;
        ReadCommandLine(process.get(), R);
        R.UserName = AnsiToWide(accountNames_.OfProcess(process.get()));
      }
      ReadVersionTexts(R);
    }
    if (details & kCounterDetails) ReadCounters(process.get(), R);
  }
  if (details & kWindowDetails) R.MainWindow = mainWindow_.FindWindow(R.ProcessID, R.WindowTitle);
}

void TMemtideProcessCollection::AddNew(const std::wstring& exeName, DWORD processId,
                                       DWORD parentId, unsigned details) {
  auto record = std::make_unique<TQvProcessInfo>();
  TQvProcessInfo& R = *record;
  R.ProcessID = processId;
  R.ParentProcessID = parentId;
  R.ExeName = exeName;
  R.State = kProcessNew;
  R.FilePath = R.ExeName;
  R.IconIndex = -1;  // unknown until the identity is read
  if (details & (kIdentityDetails | kCounterDetails)) {
    UniqueHandle process(OpenProcess(kQueryAccess, FALSE, processId));
    if (details & kIdentityDetails) ReadIdentity(process.get(), R);
    if (details & kCounterDetails) ReadCounters(process.get(), R);
  }
  mainWindow_.SetUpdated(false);
  if (details & kWindowDetails) R.MainWindow = mainWindow_.FindWindow(R.ProcessID, R.WindowTitle);
  Items_.push_back(std::move(record));
  if (!indexStale_) indexById_.emplace(processId, Items_.size() - 1);
}

void TMemtideProcessCollection::Refresh(unsigned Details) {
  ScopedFlag guard(busy_);
  if (!guard.Entered()) return;
  UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  if (!Process32First(snapshot.get(), &entry)) return;
  IODeltaTotalBytes_ = 0;
  mainWindow_.SetUpdated(true);
  // Records take their windows from the list made at the end of the refresh before. One
  // that did not ask for windows made none, and the list it left may name closed windows.
  if ((Details & kWindowDetails) && windowsStale_) mainWindow_.RefreshWindows();
  do {
    Pump();
    entry.szExeFile[sizeof(entry.szExeFile) - 1] = '\0';
    int index = FindIndex(entry.th32ProcessID);
    if (index >= 0)
      RefreshKnown(*Items_[static_cast<std::size_t>(index)], Details);
    else
      AddNew(AnsiToWide(entry.szExeFile), entry.th32ProcessID, entry.th32ParentProcessID,
             Details);
    entry.dwSize = sizeof(entry);
  } while (Process32Next(snapshot.get(), &entry));
  snapshot.reset();

  if (MaxIODeltaTotalBytes_ == -1)
    MaxIODeltaTotalBytes_ = 0;
  else if (IODeltaTotalBytes_ > MaxIODeltaTotalBytes_)
    MaxIODeltaTotalBytes_ = IODeltaTotalBytes_;
  if (Details & kCounterDetails) countersRead_ = true;
  if (Details & kSystemListDetails) UpdateFromSystemList();
  windowsStale_ = !(Details & kWindowDetails);
  if (!windowsStale_) mainWindow_.RefreshWindows();
}

void TMemtideProcessCollection::UpdateFromSystemList() {
  NtQuerySystemInformationFn query = QuerySystemInformation;
  if (!query) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll)
      query = reinterpret_cast<NtQuerySystemInformationFn>(
          reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySystemInformation")));
  }
  if (!query) return;
  // Grow until the whole list fits. Only the size found is kept for the next refresh. The
  // buffer comes from the memory manager, not the heap: a refresh allocates the records
  // of new processes while it lives, and a heap would then keep its space committed for
  // good once it is freed.
  std::size_t size = std::max<std::size_t>(listBufferSize_, 128 * 1024);
  UniquePages buffer = AllocatePages(size);
  NtStatus status = kStatusInfoLengthMismatch;
  ULONG needed = 0;
  while (buffer) {
    needed = 0;
    status = query(kSystemProcessInformation, buffer.get(), static_cast<ULONG>(size), &needed);
    if (status != kStatusInfoLengthMismatch) break;
    std::size_t next =
        std::max<std::size_t>(size * 2, static_cast<std::size_t>(needed) + 16 * 1024);
    if (next > kMaxListBuffer) break;
    buffer.reset();
    buffer = AllocatePages(next);
    size = next;
  }
  listBufferSize_ = size;
  // A failed query keeps every figure of the last good one.
  if (!buffer || status != kStatusSuccess) return;
  std::size_t filled = needed != 0 && needed < size ? needed : size;
  std::vector<TProcessListRecord> list =
      WalkProcessList(static_cast<const BYTE*>(buffer.get()), filled);
  TProcessListSums sums =
      ApplySystemProcessList(list, Items_, previousTotalCpuTime_, [this] { Pump(); });
  ThreadCount_ = sums.ThreadCount;
  HandleCount_ = sums.HandleCount;
  TotalCPUUsage_ = sums.TotalCPUUsage;
  TotalPageFautlDelta_ = sums.TotalPageFautlDelta;
  MAXPrivateBytes_ = sums.MAXPrivateBytes;
}
