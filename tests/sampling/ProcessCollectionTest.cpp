#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sampling/MemtideProcessUnit.h"
#include "sampling/ProcessRules.h"
#include "reliability/Footprint.h"
#include "support/TestSupport.h"
#include "util/AnsiText.h"
#include "util/QvBaseUnit.h"
#include "util/ScopedHandles.h"

namespace {

// A running SamplingChild.exe, ended when the object goes.
class Child {
 public:
  explicit Child(const std::string& extra = std::string()) {
    static int serial = 0;
    path_ = testsupport::ExeFolder() + "SamplingChild.exe";
    commandLine_ = "\"" + path_ + "\" --token=Qv7-sampling-" +
                   std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial) +
                   " --life=120000" + (extra.empty() ? "" : " " + extra);
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::vector<char> line(commandLine_.begin(), commandLine_.end());
    line.push_back('\0');
    if (CreateProcessA(path_.c_str(), line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS,
                       nullptr, nullptr, &si, &pi)) {
      process_.reset(pi.hProcess);
      CloseHandle(pi.hThread);
      id_ = pi.dwProcessId;
    }
  }
  ~Child() { End(); }
  void End() {
    if (!process_) return;
    TerminateProcess(process_.get(), 0);
    WaitForSingleObject(process_.get(), 10000);
    process_.reset();
  }
  bool Started() const { return id_ != 0; }
  DWORD Id() const { return id_; }
  const std::string& Path() const { return path_; }
  const std::string& CommandLine() const { return commandLine_; }

 private:
  UniqueHandle process_;
  DWORD id_ = 0;
  std::string path_;
  std::string commandLine_;
};

struct WindowSearch {
  DWORD id;
  bool found;
};

BOOL CALLBACK CheckWindow(HWND wnd, LPARAM param) {
  auto* s = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(wnd, &owner);
  if (owner == s->id && IsWindowVisible(wnd)) s->found = true;
  return TRUE;
}

bool HasVisibleWindow(DWORD processId) {
  WindowSearch search{processId, false};
  EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

class ProcessCollection : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxFunction([this](HWND, const std::string& text, const std::string&, UINT) {
      messages.push_back(text);
      return IDOK;
    });
  }
  void TearDown() override { SetMessageBoxFunction(nullptr); }

  const TQvProcessInfo* Find(const TMemtideProcessCollection& c, DWORD id) {
    return c.Item(c.FindIndex(id));
  }
  void Round(TMemtideProcessCollection& c) {
    c.Refresh();
    c.AdvanceStates();
    c.RemoveGone();
    // Records are found by identifier through an index that removals shift.
    for (int i = 0; i < c.Count(); ++i) EXPECT_EQ(c.FindIndex(c.Item(i)->ProcessID), i);
  }
  std::vector<std::string> messages;
};

}  // namespace

TEST_F(ProcessCollection, ConstructionEnablesPrivilegesWithoutComplaint) {
  TMemtideProcessCollection c;
  EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages.front());
  EXPECT_EQ(c.MaxIODeltaTotalBytes(), -1);
  EXPECT_EQ(c.Count(), 0);
  EXPECT_EQ(c.FindIndex(GetCurrentProcessId()), -1);
}

TEST_F(ProcessCollection, RefreshFindsChildrenWithTheirDetails) {
  Child plain;
  Child windowed("--window=SamplingChildTitle");
  ASSERT_TRUE(plain.Started());
  ASSERT_TRUE(windowed.Started());
  ASSERT_TRUE(testsupport::PumpUntil([&] { return HasVisibleWindow(windowed.Id()); }, 10000));

  TMemtideProcessCollection c;
  c.Refresh();
  EXPECT_EQ(c.MaxIODeltaTotalBytes(), 0);
  EXPECT_EQ(c.IODeltaTotalBytes(), 0);
  EXPECT_FALSE(c.MainWindow().Updated());  // new records appeared
  EXPECT_GT(c.ThreadCount(), 0);
  EXPECT_GT(c.HandleCount(), 0);
  for (const Child* child : {&plain, &windowed}) {
    const TQvProcessInfo* r = Find(c, child->Id());
    ASSERT_NE(r, nullptr) << child->CommandLine();
    EXPECT_EQ(r->State, kProcessNew);
    EXPECT_EQ(r->ExeName, L"SamplingChild.exe");
    EXPECT_TRUE(SameTextIgnoringCase(r->FilePath, AnsiToWide(child->Path())))
        << WideToAnsi(r->FilePath);
    EXPECT_EQ(r->CommandLine, AnsiToWide(child->CommandLine()));
    EXPECT_EQ(r->FileDescription, L"Child process for sampling tests");
    EXPECT_EQ(r->CompanyName, L"Sampling Fixture Works");
    EXPECT_EQ(r->FileVersion, L"3.1.4.15");
    EXPECT_EQ(r->LegalCopyright, L"Fixture copyright line");
    EXPECT_EQ(r->InternalName, L"SamplingChild");
    EXPECT_EQ(r->ProductName, L"Sampling Fixture");
    EXPECT_EQ(r->ParentProcessID, GetCurrentProcessId());
    char user[256] = {};
    DWORD userSize = sizeof(user);
    ASSERT_TRUE(GetUserNameA(user, &userSize));
    // "DOMAIN\user" of the child's token
    EXPECT_TRUE(SameTextIgnoringCase(FileNamePart(r->UserName), AnsiToWide(user)))
        << WideToAnsi(r->UserName);
    EXPECT_GT(r->ThreadCount, 0u);
    EXPECT_GT(r->WorkingSetSize, 0u);
    EXPECT_EQ(r->WindowTitle, L"");  // the first refresh knows no windows yet
    EXPECT_EQ(r->CPUHistory.size(), 1u);
    EXPECT_EQ(r->IOHistory.size(), 1u);
  }

  c.Refresh();
  EXPECT_TRUE(c.MainWindow().Updated());  // nothing new this time
  EXPECT_EQ(Find(c, plain.Id())->State, kProcessKnown);
  const TQvProcessInfo* w = Find(c, windowed.Id());
  EXPECT_EQ(w->WindowTitle, L"SamplingChildTitle");
  EXPECT_NE(w->MainWindow, nullptr);
  EXPECT_EQ(Find(c, plain.Id())->WindowTitle, L"");
  EXPECT_EQ(Find(c, plain.Id())->MainWindow, nullptr);
}

// The monitor window trims working sets and needs the identifiers only; on a machine with
// hundreds of processes the details cost many times the trimming. A refresh that asks for
// none reads none, and a later one that asks reads them all.
TEST_F(ProcessCollection, RefreshReadsOnlyTheDetailsItIsAskedFor) {
  Child windowed("--window=SamplingChildTitle");
  ASSERT_TRUE(windowed.Started());
  ASSERT_TRUE(testsupport::PumpUntil([&] { return HasVisibleWindow(windowed.Id()); }, 10000));

  TMemtideProcessCollection c;
  c.Refresh(kNoDetails);
  c.Refresh(kNoDetails);
  EXPECT_EQ(c.MaxIODeltaTotalBytes(), 0);
  EXPECT_EQ(c.ThreadCount(), 0);  // the system list was not read
  const TQvProcessInfo* r = Find(c, windowed.Id());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->State, kProcessKnown);
  EXPECT_EQ(r->ExeName, L"SamplingChild.exe");
  EXPECT_EQ(r->ParentProcessID, GetCurrentProcessId());  // the snapshot has it
  EXPECT_FALSE(r->IdentityRead);
  EXPECT_EQ(r->FilePath, r->ExeName);
  EXPECT_EQ(r->CommandLine, L"");
  EXPECT_EQ(r->UserName, L"");
  EXPECT_EQ(r->FileVersion, L"");
  EXPECT_EQ(r->IconIndex, -1);
  EXPECT_TRUE(r->IOHistory.empty());
  EXPECT_TRUE(r->CPUHistory.empty());
  EXPECT_TRUE(r->PrivateBytesHistory.empty());
  EXPECT_EQ(r->MainWindow, nullptr);
  EXPECT_EQ(r->WindowTitle, L"");

  c.Refresh(kIdentityDetails | kCounterDetails);
  EXPECT_TRUE(r->IdentityRead);
  EXPECT_EQ(r->CommandLine, AnsiToWide(windowed.CommandLine()));
  EXPECT_EQ(r->FileVersion, L"3.1.4.15");
  EXPECT_NE(r->UserName, L"");
  EXPECT_EQ(r->IOHistory.size(), 1u);
  // The first refresh that reads counters cannot tell traffic from totals.
  EXPECT_EQ(c.IODeltaTotalBytes(), 0);
  EXPECT_TRUE(r->CPUHistory.empty());
  EXPECT_EQ(r->MainWindow, nullptr);

  // No refresh before it made a window list: this one makes its own.
  c.Refresh();
  EXPECT_EQ(r->WindowTitle, L"SamplingChildTitle");
  EXPECT_NE(r->MainWindow, nullptr);
  EXPECT_EQ(r->CPUHistory.size(), 1u);
  EXPECT_GT(c.ThreadCount(), 0);
  EXPECT_EQ(r->IOHistory.size(), 2u);
}

// LookupAccountSidA may ask a domain controller: a busy machine's hundreds of processes run
// under a handful of accounts, and each is looked up once.
TEST_F(ProcessCollection, EachAccountIsLookedUpOnce) {
  Child first;
  Child second;
  ASSERT_TRUE(first.Started());
  ASSERT_TRUE(second.Started());
  TMemtideProcessCollection c;
  std::vector<std::string> asked;
  c.AccountNames().Lookup = [&asked](PSID sid, std::string& name, std::string& domain) {
    asked.emplace_back(static_cast<const char*>(sid), GetLengthSid(sid));
    name = "user" + std::to_string(asked.size());
    domain = "DOMAIN";
    return true;
  };
  Round(c);
  Child late;
  ASSERT_TRUE(late.Started());
  Round(c);
  ASSERT_FALSE(asked.empty());
  std::vector<std::string> unique = asked;
  std::sort(unique.begin(), unique.end());
  EXPECT_EQ(std::unique(unique.begin(), unique.end()), unique.end())
      << "an account was looked up more than once";
  // The children run under this test's account: one look-up, one name for all three.
  const TQvProcessInfo* r = Find(c, first.Id());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->UserName.rfind(L"DOMAIN\\user", 0), 0u) << WideToAnsi(r->UserName);
  for (const Child* child : {&second, &late}) {
    ASSERT_NE(Find(c, child->Id()), nullptr);
    EXPECT_EQ(Find(c, child->Id())->UserName, r->UserName);
  }
}

// A message check costs about what trimming one process does; an owner that trims
// hundreds asks for them at a pace.
TEST_F(ProcessCollection, MessageIntervalSpacesTheMessageHandling) {
  TMemtideProcessCollection c;
  int calls = 0;
  c.ProcessMessages = [&calls] { ++calls; };
  Round(c);
  EXPECT_GE(calls, 3 * c.Count()) << "at every step of the three loops by default";

  TMemtideProcessCollection paced;
  int pacedCalls = 0;
  paced.ProcessMessages = [&pacedCalls] { ++pacedCalls; };
  paced.SetMessageInterval(10 * 60 * 1000);  // longer than any round can take
  Round(paced);
  Round(paced);
  EXPECT_EQ(pacedCalls, 1);
}

TEST_F(ProcessCollection, EndedProcessLeavesAsTheLifecycleSays) {
  Child seenTwice;
  ASSERT_TRUE(seenTwice.Started());
  TMemtideProcessCollection c;
  Round(c);  // new -> 7
  Round(c);  // seen -> 1
  Child seenOnce;
  ASSERT_TRUE(seenOnce.Started());
  Round(c);  // seenTwice -> 1, seenOnce new -> 7
  ASSERT_GE(c.FindIndex(seenOnce.Id()), 0);
  EXPECT_EQ(Find(c, seenOnce.Id())->State, kProcessReported);

  seenTwice.End();
  seenOnce.End();
  Round(c);  // seenTwice 1 -> 8, removed; seenOnce 7 -> 1
  EXPECT_EQ(c.FindIndex(seenTwice.Id()), -1);
  ASSERT_GE(c.FindIndex(seenOnce.Id()), 0);
  EXPECT_EQ(Find(c, seenOnce.Id())->State, kProcessUnseen);
  Round(c);  // seenOnce 1 -> 8, removed
  EXPECT_EQ(c.FindIndex(seenOnce.Id()), -1);
  EXPECT_GE(c.FindIndex(GetCurrentProcessId()), 0);
}

TEST_F(ProcessCollection, HistoriesStopAtFifty) {
  TMemtideProcessCollection c;
  for (int i = 0; i < 53; ++i) c.Refresh();
  const TQvProcessInfo* self = Find(c, GetCurrentProcessId());
  ASSERT_NE(self, nullptr);
  EXPECT_EQ(self->CPUHistory.size(), kProcessHistoryLength);
  EXPECT_EQ(self->IOHistory.size(), kProcessHistoryLength);
  EXPECT_EQ(self->PrivateBytesHistory.size(), kProcessHistoryLength);
  EXPECT_GE(c.MaxIODeltaTotalBytes(), 0);
}

TEST_F(ProcessCollection, TrimWorkingSetOfADeadIdentifierDoesNothing) {
  TMemtideProcessCollection c;
  std::vector<std::pair<SIZE_T, SIZE_T>> calls;
  c.SetWorkingSetSize = [&calls](HANDLE, SIZE_T lo, SIZE_T hi) {
    calls.emplace_back(lo, hi);
    return TRUE;
  };
  DWORD deadId = 0;
  {
    Child child;
    ASSERT_TRUE(child.Started());
    deadId = child.Id();
    c.TrimWorkingSet(child.Id());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, static_cast<SIZE_T>(-1));
    EXPECT_EQ(calls[0].second, static_cast<SIZE_T>(-1));
  }
  // An ended process can be opened while anyone still holds a handle to it; wait until
  // the identifier is really gone.
  ASSERT_TRUE(testsupport::PumpUntil(
      [deadId] {
        UniqueHandle h(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, deadId));
        return !h;
      },
      10000));
  c.TrimWorkingSet(deadId);
  c.TrimWorkingSet(0xFFFFFFF0u);
  EXPECT_EQ(calls.size(), 1u);
  c.SetWorkingSetSize = nullptr;
  c.TrimWorkingSet(GetCurrentProcessId());  // the real call on a live process
}

// ---- the system process list behind a seam

namespace {

NtQuerySystemInformationFn RealQuery() {
  return reinterpret_cast<NtQuerySystemInformationFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
}

std::vector<ULONG> g_lengths;
std::vector<PVOID> g_buffers;
bool g_listFails = false;
ULONG g_demand = 300 * 1024;

// Asks for more than 128 KiB (g_demand), as a machine with many processes does.
NtStatus WINAPI DemandingQuery(ULONG cls, PVOID buffer, ULONG length, PULONG returned) {
  if (cls != kSystemProcessInformation) return RealQuery()(cls, buffer, length, returned);
  g_lengths.push_back(length);
  g_buffers.push_back(buffer);
  if (g_listFails) return static_cast<NtStatus>(0xC0000001L);
  if (length < g_demand) {
    if (returned) *returned = g_demand;
    return kStatusInfoLengthMismatch;
  }
  return RealQuery()(cls, buffer, length, returned);
}

}  // namespace

TEST_F(ProcessCollection, SystemListGrowsUntilItFitsAndKeepsTheSize) {
  g_lengths.clear();
  g_listFails = false;
  TMemtideProcessCollection c;
  c.QuerySystemInformation = DemandingQuery;
  c.Refresh();
  ASSERT_GE(g_lengths.size(), 2u);
  EXPECT_EQ(g_lengths.front(), 128u * 1024);
  EXPECT_GE(g_lengths.back(), 300u * 1024);
  EXPECT_GT(c.ThreadCount(), 0);
  const TQvProcessInfo* self = Find(c, GetCurrentProcessId());
  ASSERT_NE(self, nullptr);
  EXPECT_GT(self->ThreadCount, 0u);

  g_lengths.clear();
  c.Refresh();
  EXPECT_EQ(g_lengths.size(), 1u);  // the grown size is asked for at once
}

// The collection lives as long as the monitor window; between refreshes it keeps the size
// the list needed, not the memory.
TEST_F(ProcessCollection, SystemListMemoryIsGivenBackAfterTheRefresh) {
  g_lengths.clear();
  g_listFails = false;
  g_demand = 16u << 20;
  TMemtideProcessCollection c;
  c.QuerySystemInformation = DemandingQuery;
  const std::uint64_t before = CommittedPrivateBytes(GetCurrentProcess());
  c.Refresh();
  const std::uint64_t after = CommittedPrivateBytes(GetCurrentProcess());
  g_demand = 300 * 1024;
  ASSERT_GE(g_lengths.back(), 16u << 20);
  EXPECT_LT(after, before + (8u << 20)) << "committed " << (after - before) / 1024 << " KiB more";
}

// A heap keeps a freed block's space committed while blocks allocated after it live, and a
// refresh allocates the records of new processes while the list buffer exists: each
// buffer must go back to the system whole.
TEST_F(ProcessCollection, EverySystemListBufferIsReleasedToTheSystem) {
  g_lengths.clear();
  g_buffers.clear();
  g_listFails = false;
  {
    TMemtideProcessCollection c;
    c.QuerySystemInformation = DemandingQuery;
    c.Refresh();
    ASSERT_GE(g_buffers.size(), 2u);  // the first size is too small: one buffer is replaced
    for (PVOID buffer : g_buffers) {
      MEMORY_BASIC_INFORMATION info{};
      ASSERT_EQ(VirtualQuery(buffer, &info, sizeof info), sizeof info);
      EXPECT_EQ(info.State, static_cast<DWORD>(MEM_FREE)) << "buffer of the refresh still held";
    }
  }
}

TEST_F(ProcessCollection, FailedSystemListKeepsThePreviousFigures) {
  g_lengths.clear();
  g_listFails = false;
  TMemtideProcessCollection c;
  c.QuerySystemInformation = DemandingQuery;
  c.Refresh();
  c.Refresh();
  std::int32_t threads = c.ThreadCount();
  std::int32_t handles = c.HandleCount();
  const TQvProcessInfo* self = Find(c, GetCurrentProcessId());
  ASSERT_NE(self, nullptr);
  ULONG selfThreads = self->ThreadCount;
  std::size_t history = self->CPUHistory.size();
  std::int64_t lastCpu = self->LastCPUTime;

  g_listFails = true;
  c.Refresh();
  g_listFails = false;
  EXPECT_EQ(c.ThreadCount(), threads);
  EXPECT_EQ(c.HandleCount(), handles);
  EXPECT_EQ(self->ThreadCount, selfThreads);
  EXPECT_EQ(self->CPUHistory.size(), history);
  EXPECT_EQ(self->LastCPUTime, lastCpu);
}

TEST_F(ProcessCollection, MessagesHandledDuringRefreshCannotStartAnotherPass) {
  TMemtideProcessCollection c;
  int pumps = 0;
  int nested = 0;
  c.ProcessMessages = [&] {
    ++pumps;
    if (nested++ == 0) {
      // What a timer handler might do in the middle of a refresh.
      int before = c.Count();
      c.Refresh();
      c.AdvanceStates();
      c.RemoveGone();
      EXPECT_EQ(c.Count(), before);
    }
  };
  c.Refresh();
  EXPECT_GT(pumps, 1);
  EXPECT_GE(c.FindIndex(GetCurrentProcessId()), 0);
  for (const auto& r : c.Items()) EXPECT_EQ(r->State, kProcessNew);
}

TEST_F(ProcessCollection, IconIndexesOnlyWhenCollected) {
  Child child;
  ASSERT_TRUE(child.Started());
  TMemtideProcessCollection with;
  with.Refresh();
  const TQvProcessInfo* r = Find(with, child.Id());
  ASSERT_NE(r, nullptr);
  EXPECT_GE(r->IconIndex, 0);  // the system image list knows every executable

  TMemtideProcessCollection without;
  without.SetCollectIcons(false);
  without.Refresh();
  without.Refresh();  // the second pass fills details of records first seen unopened
  r = Find(without, child.Id());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->IconIndex, -1);
  // Everything else is still collected.
  EXPECT_TRUE(SameTextIgnoringCase(r->FilePath, AnsiToWide(child.Path())));
  EXPECT_EQ(r->FileVersion, L"3.1.4.15");
}
