#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "sampling/ProcessRules.h"
#include "util/AnsiText.h"

TEST(NormaliseModulePath, DropsTheNtPrefixOfADrivePath) {
  EXPECT_EQ(NormaliseModulePath(L"\\??\\C:\\Windows\\system32\\smss.exe", L"smss.exe", L"C:\\S"),
            L"C:\\Windows\\system32\\smss.exe");
  // Exactly the prefix is not longer than 4 characters: kept as it is.
  EXPECT_EQ(NormaliseModulePath(L"\\??\\", L"x.exe", L"C:\\S"), L"\\??\\");
  // The prefix is compared exactly.
  EXPECT_EQ(NormaliseModulePath(L"/??\\C:\\a.exe", L"a.exe", L"C:\\S"), L"/??\\C:\\a.exe");
}

TEST(NormaliseModulePath, SystemRootBecomesSystemFolderAndName) {
  EXPECT_EQ(NormaliseModulePath(L"\\SystemRoot\\System32\\drivers\\x\\csrss.exe", L"csrss.exe",
                                L"C:\\Windows\\system32"),
            L"C:\\Windows\\system32\\csrss.exe");
  EXPECT_EQ(NormaliseModulePath(L"\\SYSTEMROOT\\a", L"Name.exe", L"D:\\Sys"), L"D:\\Sys\\Name.exe");
  // Not longer than "\SystemRoot\" itself: unchanged.
  EXPECT_EQ(NormaliseModulePath(L"\\SystemRoot\\", L"n.exe", L"D:\\Sys"), L"\\SystemRoot\\");
}

TEST(NormaliseModulePath, QuestionMarkBecomesEmptyOtherPathsStay) {
  EXPECT_EQ(NormaliseModulePath(L"?", L"a.exe", L"C:\\S"), L"");
  EXPECT_EQ(NormaliseModulePath(L"??", L"a.exe", L"C:\\S"), L"??");
  EXPECT_EQ(NormaliseModulePath(L"C:\\Apps\\a.exe", L"a.exe", L"C:\\S"), L"C:\\Apps\\a.exe");
  EXPECT_EQ(NormaliseModulePath(L"", L"a.exe", L"C:\\S"), L"");
}

TEST(FileNames, PartAfterLastSeparatorAndExtension) {
  EXPECT_EQ(FileNamePart(L"C:\\a\\b.exe"), L"b.exe");
  EXPECT_EQ(FileNamePart(L"b.exe"), L"b.exe");
  EXPECT_EQ(FileNamePart(L"C:\\a\\"), L"");
  EXPECT_TRUE(HasFileExtension(L"svchost.exe"));
  EXPECT_FALSE(HasFileExtension(L"System"));
  EXPECT_FALSE(HasFileExtension(L"C:\\dir.d\\name"));
  EXPECT_TRUE(SameTextIgnoringCase(L"NOTEPAD.EXE", L"notepad.exe"));
  EXPECT_FALSE(SameTextIgnoringCase(L"notepad.exe", L"notepad.ex"));
}

TEST(NextProcessState, FollowsTheRefreshTable) {
  EXPECT_EQ(NextProcessState(kProcessNew), kProcessReported);
  EXPECT_EQ(NextProcessState(kProcessUnseen), kProcessGone);
  EXPECT_EQ(NextProcessState(kProcessKnown), kProcessUnseen);
  EXPECT_EQ(NextProcessState(kProcessReported), kProcessUnseen);
  for (int s : {3, 4, 5, 6, 8, 9, 255}) EXPECT_EQ(NextProcessState(static_cast<std::uint8_t>(s)), s);
}

TEST(NextProcessState, SeenTwiceGoesAtFirstRoundSeenOnceSurvivesOneMore) {
  // Each round: a refresh marks seen records 2 (new ones 0), then the step runs.
  auto round = [](std::uint8_t s, bool seen) {
    return NextProcessState(seen ? static_cast<std::uint8_t>(kProcessKnown) : s);
  };
  std::uint8_t twice = NextProcessState(kProcessNew);  // first round, new
  twice = round(twice, true);                           // second round, seen again -> 1
  EXPECT_EQ(round(twice, false), kProcessGone);         // ended: gone at the next round
  std::uint8_t once = NextProcessState(kProcessNew);    // 7
  once = round(once, false);                            // ended: 1
  EXPECT_EQ(once, kProcessUnseen);
  EXPECT_EQ(round(once, false), kProcessGone);
}

TEST(PushHistory, KeepsTheLatestFifty) {
  std::deque<int> h;
  for (int i = 0; i < 120; ++i) PushHistory(h, i);
  ASSERT_EQ(h.size(), kProcessHistoryLength);
  EXPECT_EQ(h.front(), 70);
  EXPECT_EQ(h.back(), 119);
}

TEST(ApplyIoCounters, DeltasTotalsMaximumAndHistory) {
  TQvProcessInfo r;
  IO_COUNTERS c{};
  c.ReadOperationCount = 10;
  c.ReadTransferCount = 1000;
  c.WriteTransferCount = 500;
  c.OtherTransferCount = 20;
  ApplyIoCounters(r, &c);
  EXPECT_EQ(r.ReadOperations, 10);
  EXPECT_EQ(r.IODeltaTotalBytes, 1520);
  EXPECT_EQ(r.MaxIODeltaTotalBytes, 0);  // no history before: the maximum stays
  ASSERT_EQ(r.IOHistory.size(), 1u);
  EXPECT_EQ(r.IOHistory.back(), 0);      // first value is always 0

  c.ReadTransferCount = 1300;
  c.WriteOperationCount = 4;
  ApplyIoCounters(r, &c);
  EXPECT_EQ(r.ReadBytesDelta, 300);
  EXPECT_EQ(r.WriteOperationsDelta, 4);
  EXPECT_EQ(r.IODeltaTotalBytes, 300);
  EXPECT_EQ(r.MaxIODeltaTotalBytes, 300);
  EXPECT_EQ(r.IOHistory.back(), 300);

  c.ReadTransferCount = 1400;
  ApplyIoCounters(r, &c);
  EXPECT_EQ(r.MaxIODeltaTotalBytes, 300);
  EXPECT_EQ(r.IOHistory.back(), 100);
}

TEST(ApplyIoCounters, FailedReadKeepsCountersAndRecordsNoTraffic) {
  TQvProcessInfo r;
  IO_COUNTERS c{};
  c.ReadTransferCount = 5000;
  c.ReadOperationCount = 7;
  ApplyIoCounters(r, &c);
  c.ReadTransferCount = 9000;
  ApplyIoCounters(r, &c);
  ApplyIoCounters(r, nullptr);
  EXPECT_EQ(r.ReadBytes, 9000);
  EXPECT_EQ(r.ReadOperations, 7);
  EXPECT_EQ(r.ReadBytesDelta, 0);
  EXPECT_EQ(r.IODeltaTotalBytes, 0);
  EXPECT_EQ(r.IOHistory.back(), 0);
  // The next good read measures from the kept counters.
  c.ReadTransferCount = 9500;
  ApplyIoCounters(r, &c);
  EXPECT_EQ(r.ReadBytesDelta, 500);
}

TEST(CpuShare, PercentOfAllTimeNeverNegativeKeptWhenNoTimePassed) {
  EXPECT_FLOAT_EQ(CpuShare(25, 100, 0), 25.0f);
  EXPECT_FLOAT_EQ(CpuShare(300, 100, 0), 300.0f);  // new since the refresh before
  EXPECT_FLOAT_EQ(CpuShare(-5, 100, 10), 0.0f);
  EXPECT_FLOAT_EQ(CpuShare(5, 0, 12.5f), 12.5f);
  EXPECT_FLOAT_EQ(CpuShare(5, 0, -1.0f), 0.0f);
}

// ---- synthetic system process lists

namespace {

// Builds a list of records, each with `threads` thread records, chained by offset.
class ListBuilder {
 public:
  // Room for every list a test builds, so references to records stay valid.
  ListBuilder() { bytes_.reserve(64 * 1024); }
  NtSystemProcessInformation& Add(DWORD pid, ULONG threads = 1) {
    std::size_t size = offsetof(NtSystemProcessInformation, Threads) +
                       threads * sizeof(NtSystemThreadInformation);
    size = (size + 7) / 8 * 8;
    std::size_t at = bytes_.size();
    if (at + size > bytes_.capacity()) throw std::length_error("list too long");
    if (last_ != npos) Record(last_).NextEntryOffset = static_cast<ULONG>(at - last_);
    bytes_.resize(at + size);
    last_ = at;
    NtSystemProcessInformation& r = Record(at);
    r.NumberOfThreads = threads;
    r.UniqueProcessId = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(pid));
    return r;
  }
  NtSystemProcessInformation& Record(std::size_t at) {
    return *reinterpret_cast<NtSystemProcessInformation*>(bytes_.data() + at);
  }
  const BYTE* Data() const { return bytes_.data(); }
  std::size_t Size() const { return bytes_.size(); }
  std::vector<TProcessListRecord> Walk() const { return WalkProcessList(Data(), Size()); }

 private:
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);
  // Kept 8-aligned like the system's buffer.
  std::vector<BYTE, std::allocator<BYTE>> bytes_;
  std::size_t last_ = npos;
};

std::unique_ptr<TQvProcessInfo> Record(DWORD pid) {
  auto r = std::make_unique<TQvProcessInfo>();
  r->ProcessID = pid;
  return r;
}

DWORD Pid(const TProcessListRecord& r) { return r.ProcessId(); }

}  // namespace

TEST(WalkProcessList, FollowsTheChainToItsEnd) {
  ListBuilder b;
  b.Add(0);
  b.Add(4, 3);
  b.Add(1234, 0);
  auto list = b.Walk();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(Pid(list[1]), 4u);
  EXPECT_EQ(Pid(list[2]), 1234u);
  EXPECT_TRUE(list[1].FirstThreadReadable);
  EXPECT_FALSE(list[2].FirstThreadReadable);  // no thread record
}

TEST(WalkProcessList, NeverFollowsAnOffsetPastTheBuffer) {
  ListBuilder b;
  b.Add(8);
  b.Add(12);
  b.Record(0).NextEntryOffset = 0x7FFFFFF0;
  auto list = b.Walk();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(Pid(list[0]), 8u);
}

TEST(WalkProcessList, StopsAtARecordThatDoesNotFit) {
  ListBuilder b;
  b.Add(8);
  b.Add(12);
  std::size_t second = b.Record(0).NextEntryOffset;
  // Cut the buffer in the middle of the second record's header.
  auto list = WalkProcessList(b.Data(), second + 16);
  ASSERT_EQ(list.size(), 1u);
  // And in the middle of the first record's thread: the record stands, its thread not.
  list = WalkProcessList(b.Data(), offsetof(NtSystemProcessInformation, Threads) + 8);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_FALSE(list[0].FirstThreadReadable);
  EXPECT_TRUE(WalkProcessList(b.Data(), 10).empty());
  EXPECT_TRUE(WalkProcessList(nullptr, 1000).empty());
}

TEST(WalkProcessList, ReadsRecordsAtUnalignedOffsets) {
  // Wine packs its records without alignment (offsets such as 850 and 1512).
  ListBuilder b;
  b.Add(8);
  NtSystemProcessInformation second{};
  second.NumberOfThreads = 1;
  second.UniqueProcessId = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(1234));
  second.HandleCount = 77;
  second.Threads[0].ThreadState = 5;
  std::vector<BYTE> bytes(b.Data(), b.Data() + b.Size());
  std::size_t at = bytes.size() + 3;
  bytes.resize(at + sizeof(second));
  std::memcpy(bytes.data() + at, &second, sizeof(second));
  ULONG next = static_cast<ULONG>(at);
  std::memcpy(bytes.data(), &next, sizeof(next));
  auto list = WalkProcessList(bytes.data(), bytes.size());
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(Pid(list[1]), 1234u);
  EXPECT_EQ(list[1].Info.HandleCount, 77u);
  EXPECT_TRUE(list[1].FirstThreadReadable);
  EXPECT_EQ(list[1].Info.Threads[0].ThreadState, 5u);
}

TEST(WalkProcessList, ZeroFilledBufferReadsAsOneRecordOfIdentifierZero) {
  std::vector<ULONGLONG> zero(4096 / 8, 0);
  auto list = WalkProcessList(reinterpret_cast<const BYTE*>(zero.data()), 4096);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(Pid(list[0]), 0u);
}

TEST(ApplySystemProcessList, CopiesFiguresOfMatchingRecords) {
  ListBuilder b;
  NtSystemProcessInformation& p = b.Add(500, 2);
  p.InheritedFromUniqueProcessId = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(77));
  p.BasePriority = 8;
  p.HandleCount = 40;
  p.VmCounters.PageFaultCount = 1000;
  p.VmCounters.PagefileUsage = 4096 * 10;
  p.VmCounters.PeakPagefileUsage = 4096 * 12;
  p.VmCounters.VirtualSize = 1 << 24;
  p.VmCounters.WorkingSetSize = 1 << 20;
  p.VmCounters.PeakWorkingSetSize = 1 << 21;
  p.Threads[0].ThreadState = 5;
  p.Threads[0].WaitReason = 5;
  b.Add(600, 3).HandleCount = 10;

  std::vector<std::unique_ptr<TQvProcessInfo>> items;
  items.push_back(Record(500));
  items.push_back(Record(999));  // not in the list
  items[0]->PageFaults = 900;
  items[0]->PrivateBytes = 4096 * 11;
  std::int64_t previous = 0;
  int pumps = 0;
  TProcessListSums sums =
      ApplySystemProcessList(b.Walk(), items, previous, [&pumps] { ++pumps; });
  const TQvProcessInfo& r = *items[0];
  EXPECT_EQ(r.ParentProcessID, 77u);
  EXPECT_EQ(r.BasePriority, 8);
  EXPECT_EQ(r.ThreadCount, 2u);
  EXPECT_EQ(r.HandleCount, 40u);
  EXPECT_EQ(r.PageFaultDelta, 100u);
  EXPECT_EQ(r.PageFaults, 1000u);
  EXPECT_EQ(r.PrivateBytesDelta, -4096);
  EXPECT_EQ(r.PrivateBytes, 40960u);
  EXPECT_EQ(r.PeakPrivateBytes, 4096u * 12);
  EXPECT_EQ(r.VirtualSize, 1u << 24);
  EXPECT_EQ(r.WorkingSetSize, 1u << 20);
  EXPECT_EQ(r.PeakWorkingSetSize, 1u << 21);
  EXPECT_TRUE(r.Suspended);
  ASSERT_EQ(r.PrivateBytesHistory.size(), 1u);
  EXPECT_TRUE(items[1]->PrivateBytesHistory.empty());
  // Sums cover the matched records only.
  EXPECT_EQ(sums.ThreadCount, 2);
  EXPECT_EQ(sums.HandleCount, 40);
  EXPECT_EQ(sums.TotalPageFautlDelta, 100u);
  EXPECT_EQ(sums.MAXPrivateBytes, 4096 * 12);
  EXPECT_EQ(pumps, 4);  // two list records, two items
}

TEST(ApplySystemProcessList, SuspendedOnlyForSuspendWaits) {
  for (auto [state, reason, expected] :
       {std::tuple{5u, 5u, true}, {5u, 12u, true}, {5u, 6u, false}, {2u, 5u, false},
        {0x105u, 0x10Cu, true}}) {  // compared as single bytes
    ListBuilder b;
    NtSystemProcessInformation& p = b.Add(10, 1);
    p.Threads[0].ThreadState = state;
    p.Threads[0].WaitReason = reason;
    std::vector<std::unique_ptr<TQvProcessInfo>> items;
    items.push_back(Record(10));
    std::int64_t previous = 0;
    ApplySystemProcessList(b.Walk(), items, previous, nullptr);
    EXPECT_EQ(items[0]->Suspended, expected) << state << "/" << reason;
  }
}

TEST(ApplySystemProcessList, CpuSharesUseFull64BitDifferences) {
  // Totals far beyond 2^32 units (hours of CPU time), growing by more than 2^31 between
  // two updates: the low 32 bits alone would wrap.
  const std::int64_t base = 0x123400000000LL;
  ListBuilder b;
  NtSystemProcessInformation& a = b.Add(100);
  NtSystemProcessInformation& c = b.Add(200);
  a.UserTime.QuadPart = base;
  c.KernelTime.QuadPart = base;
  std::vector<std::unique_ptr<TQvProcessInfo>> items;
  items.push_back(Record(100));
  items.push_back(Record(200));
  items.push_back(Record(0));
  std::int64_t previous = 0;
  TProcessListSums first = ApplySystemProcessList(b.Walk(), items, previous, nullptr);
  EXPECT_EQ(previous, 2 * base);
  EXPECT_FLOAT_EQ(items[0]->CPUUsage, 50.0f);
  EXPECT_DOUBLE_EQ(first.TotalCPUUsage, 100.0);
  EXPECT_EQ(items[0]->CPUHistory.back(), 0.0);  // the first history value is 0

  const std::int64_t step = 3000000000LL;  // > 2^31
  a.UserTime.QuadPart += step * 3 / 4;
  c.KernelTime.QuadPart += step / 4;
  TProcessListSums second = ApplySystemProcessList(b.Walk(), items, previous, nullptr);
  EXPECT_FLOAT_EQ(items[0]->CPUUsage, 75.0f);
  EXPECT_FLOAT_EQ(items[1]->CPUUsage, 25.0f);
  EXPECT_FLOAT_EQ(items[2]->CPUUsage, 0.0f);  // not listed: C = 0
  EXPECT_DOUBLE_EQ(items[0]->CPUHistory.back(), 75.0);
  EXPECT_DOUBLE_EQ(second.TotalCPUUsage, 100.0);
  EXPECT_EQ(items[0]->LastCPUTime, base + step * 3 / 4);
}

TEST(ApplySystemProcessList, IdentifierZeroIsLeftOutOfTheTotal) {
  ListBuilder b;
  b.Add(0).KernelTime.QuadPart = 300;
  b.Add(8).KernelTime.QuadPart = 100;
  std::vector<std::unique_ptr<TQvProcessInfo>> items;
  items.push_back(Record(0));
  items.push_back(Record(8));
  std::int64_t previous = 0;
  TProcessListSums sums = ApplySystemProcessList(b.Walk(), items, previous, nullptr);
  EXPECT_FLOAT_EQ(items[0]->CPUUsage, 75.0f);
  EXPECT_DOUBLE_EQ(sums.TotalCPUUsage, 25.0);
}

TEST(ApplySystemProcessList, HistoriesStopAtFifty) {
  ListBuilder b;
  NtSystemProcessInformation& p = b.Add(42);
  std::vector<std::unique_ptr<TQvProcessInfo>> items;
  items.push_back(Record(42));
  std::int64_t previous = 0;
  for (int i = 1; i <= 60; ++i) {
    p.UserTime.QuadPart += 1000;
    p.VmCounters.PagefileUsage = static_cast<SIZE_T>(i);
    ApplySystemProcessList(b.Walk(), items, previous, nullptr);
  }
  EXPECT_EQ(items[0]->CPUHistory.size(), kProcessHistoryLength);
  ASSERT_EQ(items[0]->PrivateBytesHistory.size(), kProcessHistoryLength);
  EXPECT_EQ(items[0]->PrivateBytesHistory.front(), 11u);
  EXPECT_EQ(items[0]->PrivateBytesHistory.back(), 60u);
}
