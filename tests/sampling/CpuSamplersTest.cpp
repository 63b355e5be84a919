#include <gtest/gtest.h>

#include <pdhmsg.h>

#include <cstring>
#include <vector>

#include "sampling/CPUClass.h"
#include "sampling/CPUPdh.h"
#include "sampling/CPUWin.h"
#include "sampling/CpuNt.h"
#include "support/TestSupport.h"

namespace {

// ---- a scripted NtQuerySystemInformation

struct FakeSystem {
  int processors = 2;            // what class 0 reports
  int allProcessors = 0;         // the processors the idle time is summed over; 0: as class 0
  std::int64_t now = 0;
  std::int64_t idle = 0;
  ULONG failClass = 99;          // this class answers an error
  bool perfWantsMore = false;    // class 2 refuses the classic 312 bytes
  std::vector<ULONG> lengths;    // every length asked for, in call order
  std::vector<ULONG> classes;
};
FakeSystem* g_system = nullptr;

NtStatus WINAPI FakeQuery(ULONG infoClass, PVOID buffer, ULONG length, PULONG returned) {
  FakeSystem& s = *g_system;
  s.classes.push_back(infoClass);
  s.lengths.push_back(length);
  if (returned) return static_cast<NtStatus>(0xC000000DL);  // the sampler passes none
  if (infoClass == s.failClass) return static_cast<NtStatus>(0xC0000001L);
  switch (infoClass) {
    case kSystemBasicInformation:
      if (length < sizeof(NtSystemBasicInformation)) return kStatusInfoLengthMismatch;
      static_cast<NtSystemBasicInformation*>(buffer)->NumberOfProcessors =
          static_cast<CHAR>(s.processors);
      return kStatusSuccess;
    case kSystemTimeOfDayInformation:
      if (length < sizeof(NtSystemTimeOfDayInformation)) return kStatusInfoLengthMismatch;
      static_cast<NtSystemTimeOfDayInformation*>(buffer)->CurrentTime.QuadPart = s.now;
      return kStatusSuccess;
    case kSystemPerformanceInformation:
      if (length < 312 || (s.perfWantsMore && length < 344)) return kStatusInfoLengthMismatch;
      static_cast<NtSystemPerformanceInformation*>(buffer)->IdleProcessTime.QuadPart = s.idle;
      return kStatusSuccess;
  }
  return static_cast<NtStatus>(0xC0000003L);
}

// GetActiveProcessorCount(ALL_PROCESSOR_GROUPS): every processor of the machine.
unsigned FakeProcessorCount() { return static_cast<unsigned>(g_system->allProcessors); }

class NativeSampler : public ::testing::Test {
 protected:
  void SetUp() override { g_system = &system; }
  void TearDown() override { g_system = nullptr; }
  // Advance the clock by `seconds` with the given busy share per processor.
  void Run(double seconds, double busyPercent) {
    std::int64_t elapsed = static_cast<std::int64_t>(seconds * 10000000.0);
    const int n = system.allProcessors ? system.allProcessors : system.processors;
    system.now += elapsed;
    system.idle += static_cast<std::int64_t>(elapsed * n * (100.0 - busyPercent) / 100.0);
  }
  FakeSystem system;
};

}  // namespace

TEST_F(NativeSampler, QueriesBasicTimeAndPerformanceRecordsInOrder) {
  system.now = 130000000000000000LL;
  TCPUUsage cpu(FakeQuery);
  cpu.GetCPUUsage();
  ASSERT_EQ(system.classes, (std::vector<ULONG>{0, 3, 2}));
#ifndef _WIN64
  EXPECT_EQ(system.lengths, (std::vector<ULONG>{44, 32, 312}));
#else
  EXPECT_EQ(system.lengths, (std::vector<ULONG>{64, 32, 312}));
#endif
}

TEST_F(NativeSampler, FirstSampleIsOneHundredThenMeasuresEachInterval) {
  system.now = 130000000000000000LL;
  system.idle = 50000;
  TCPUUsage cpu(FakeQuery);
  EXPECT_EQ(cpu.GetCPUUsage(), 100);
  Run(1.0, 25.0);
  EXPECT_EQ(cpu.GetCPUUsage(), 26);  // 25.5 after the added half, ties go to the even 26
  Run(1.0, 70.2);
  EXPECT_EQ(cpu.GetCPUUsage(), 71);  // half a percent is added before rounding
  EXPECT_EQ(cpu.OldSystemTime(), system.now);
  EXPECT_EQ(cpu.OldIdleTime(), system.idle);
}

TEST_F(NativeSampler, FailedCallAnswersMinusOneAndKeepsPreviousValues) {
  system.now = 130000000000000000LL;
  TCPUUsage cpu(FakeQuery);
  cpu.GetCPUUsage();
  Run(1.0, 40.0);
  std::int64_t oldIdle = cpu.OldIdleTime();
  std::int64_t oldTime = cpu.OldSystemTime();
  for (ULONG cls : {0u, 3u, 2u}) {
    system.failClass = cls;
    EXPECT_EQ(cpu.GetCPUUsage(), -1) << "class " << cls;
    EXPECT_EQ(cpu.OldIdleTime(), oldIdle);
    EXPECT_EQ(cpu.OldSystemTime(), oldTime);
  }
  system.failClass = 99;
  Run(1.0, 80.0);
  EXPECT_EQ(cpu.GetCPUUsage(), 60);  // both seconds measured from the last good sample
}

TEST_F(NativeSampler, SameClockTickAnswersThePreviousSample) {
  system.now = 130000000000000000LL;
  TCPUUsage cpu(FakeQuery);
  cpu.GetCPUUsage();
  Run(1.0, 10.0);
  EXPECT_EQ(cpu.GetCPUUsage(), 10);
  system.idle += 1000;  // the idle clock moved, the time of day did not
  EXPECT_EQ(cpu.GetCPUUsage(), 10);
}

TEST_F(NativeSampler, SameClockTickBeforeAnySampleAnswersZero) {
  TCPUUsage cpu(FakeQuery);  // time of day 0, as the kept values
  EXPECT_EQ(cpu.GetCPUUsage(), 0);
}

TEST_F(NativeSampler, LargerPerformanceRecordOfLaterSystemsIsAccepted) {
  system.perfWantsMore = true;
  system.now = 130000000000000000LL;
  TCPUUsage cpu(FakeQuery);
  cpu.GetCPUUsage();
  Run(1.0, 50.0);
  EXPECT_EQ(cpu.GetCPUUsage(), 50);
}

// Windows gives a 32-bit process under WOW64 at most 32 processors in class 0 (and a 64-bit
// one only its processor group's, at most 64), while the idle time of class 2 is summed over
// every processor of the machine. Played here: 48 processors, class 0 saying 32.
TEST_F(NativeSampler, CountsTheProcessorsTheIdleTimeIsSummedOver) {
  system.processors = 32;
  system.allProcessors = 48;
  system.now = 130000000000000000LL;
  TCPUUsage cpu(FakeQuery, FakeProcessorCount);
  cpu.GetCPUUsage();
  Run(1.0, 10.0);
  EXPECT_EQ(cpu.GetCPUUsage(), 10);
  Run(1.0, 75.0);
  EXPECT_EQ(cpu.GetCPUUsage(), 76);  // 75.5 after the added half goes to the even 76
  system.allProcessors = 0;  // no count from the system: class 0's is taken
  system.processors = 4;
  Run(1.0, 20.0);
  EXPECT_EQ(cpu.GetCPUUsage(), 20);
}

// The two records are read at slightly different moments, so the idle time may grow by a
// little more than all processors' elapsed time (or, after a clock adjustment, by less than
// nothing): the load shown stays within 0 to 100.
TEST_F(NativeSampler, LoadStaysWithinZeroAndOneHundred) {
  system.now = 130000000000000000LL;
  TCPUUsage cpu(FakeQuery);
  cpu.GetCPUUsage();
  system.now += 10000000;
  system.idle += 10000000LL * system.processors * 103 / 100;
  EXPECT_EQ(cpu.GetCPUUsage(), 0);
  system.now += 10000000;
  system.idle -= 5000000;
  EXPECT_EQ(cpu.GetCPUUsage(), 100);
  system.failClass = 2;
  EXPECT_EQ(cpu.GetCPUUsage(), -1);  // a failed call still says so
}

TEST(NativeSamplerWithoutEntry, AnswersMinusOne) {
  TCPUUsage cpu(nullptr);
  EXPECT_EQ(cpu.GetCPUUsage(), -1);
}

TEST(NativeSamplerOnThisSystem, RealCallsSucceed) {
  TCPUUsage cpu;
  std::int32_t first = cpu.GetCPUUsage();
  EXPECT_EQ(first, 100) << "first sample measures against the time since 1601";
  Sleep(300);
  std::int32_t next = cpu.GetCPUUsage();
  EXPECT_GE(next, -5);
  EXPECT_LE(next, 100);
  EXPECT_GT(cpu.OldSystemTime(), 0);
}

// ---- a scripted PDH

namespace {

struct FakePdh {
  bool openFails = false;
  bool addFails = false;
  bool localizedNames = false;  // PdhAddCounterA knows the counter by its German name only
  int englishAdds = 0;
  int localAdds = 0;
  bool formatFails = false;
  DWORD status = PDH_CSTATUS_VALID_DATA;
  LONGLONG value = 0;
  std::string computer = "FIXTUREBOX";
  std::string path;
  int collects = 0;
  int removes = 0;
  int closes = 0;
  DWORD format = 0;
};
FakePdh* g_pdh = nullptr;
const PDH_HQUERY kQuery = reinterpret_cast<PDH_HQUERY>(0x1234);
const PDH_HCOUNTER kCounter = reinterpret_cast<PDH_HCOUNTER>(0x5678);

PDH_STATUS WINAPI FakeOpenQuery(LPCSTR source, DWORD_PTR, PDH_HQUERY* q) {
  if (source || g_pdh->openFails) return PDH_INVALID_ARGUMENT;
  *q = kQuery;
  return ERROR_SUCCESS;
}
PDH_STATUS AddFakeCounter(PDH_HQUERY q, LPCSTR path, PDH_HCOUNTER* c) {
  g_pdh->path = path;
  if (q != kQuery || g_pdh->addFails) return PDH_CSTATUS_NO_COUNTER;
  *c = kCounter;
  return ERROR_SUCCESS;
}
PDH_STATUS WINAPI FakeAddCounter(PDH_HQUERY q, LPCSTR path, DWORD_PTR, PDH_HCOUNTER* c) {
  ++g_pdh->localAdds;
  // A German Windows names the object "Prozessor"; the English path is unknown to it.
  if (g_pdh->localizedNames && std::strstr(path, "\\Processor(")) return PDH_CSTATUS_NO_OBJECT;
  return AddFakeCounter(q, path, c);
}
PDH_STATUS WINAPI FakeAddEnglishCounter(PDH_HQUERY q, LPCSTR path, DWORD_PTR, PDH_HCOUNTER* c) {
  ++g_pdh->englishAdds;
  return AddFakeCounter(q, path, c);
}
PDH_STATUS WINAPI FakeCollect(PDH_HQUERY q) {
  ++g_pdh->collects;
  return q == kQuery ? ERROR_SUCCESS : PDH_INVALID_HANDLE;
}
PDH_STATUS WINAPI FakeFormat(PDH_HCOUNTER c, DWORD format, LPDWORD, PPDH_FMT_COUNTERVALUE v) {
  g_pdh->format = format;
  if (c != kCounter || g_pdh->formatFails) return PDH_INVALID_HANDLE;
  v->CStatus = g_pdh->status;
  v->largeValue = g_pdh->value;
  return ERROR_SUCCESS;
}
PDH_STATUS WINAPI FakeRemove(PDH_HCOUNTER c) {
  if (c == kCounter) ++g_pdh->removes;
  return ERROR_SUCCESS;
}
PDH_STATUS WINAPI FakeClose(PDH_HQUERY q) {
  if (q == kQuery) ++g_pdh->closes;
  return ERROR_SUCCESS;
}
BOOL WINAPI FakeComputerName(LPSTR buffer, LPDWORD size) {
  if (g_pdh->computer.empty() || *size != 16) return FALSE;
  std::strcpy(buffer, g_pdh->computer.c_str());
  *size = static_cast<DWORD>(g_pdh->computer.size());
  return TRUE;
}

const TPdhFunctions kFakePdh{FakeOpenQuery, FakeAddCounter, FakeCollect,      FakeFormat,
                             FakeRemove,    FakeClose,      FakeComputerName, FakeAddEnglishCounter};

class PdhSampler : public ::testing::Test {
 protected:
  void SetUp() override { g_pdh = &pdh; }
  void TearDown() override { g_pdh = nullptr; }
  FakePdh pdh;
};

}  // namespace

TEST(PdhCounterPath, PrefixesTheComputerName) {
  EXPECT_EQ(PdhCounterPath("BOX"), "\\\\BOX\\Processor(_Total)\\% Processor Time");
  EXPECT_EQ(PdhCounterPath(""), "\\\\\\Processor(_Total)\\% Processor Time");
}

TEST_F(PdhSampler, AddsTheComputersCounterAndReadsLargeValues) {
  {
    TCPUPdh cpu(kFakePdh);
    EXPECT_EQ(pdh.path, "\\\\FIXTUREBOX\\Processor(_Total)\\% Processor Time");
    pdh.value = 37;
    EXPECT_EQ(cpu.GetCPUUsage(), 37);
    EXPECT_EQ(pdh.format, static_cast<DWORD>(PDH_FMT_LARGE));
    pdh.status = PDH_CSTATUS_NEW_DATA;
    pdh.value = 0x100000005LL;  // only the low 32 bits are kept
    EXPECT_EQ(cpu.GetCPUUsage(), 5);
    EXPECT_EQ(pdh.collects, 2);
  }
  EXPECT_EQ(pdh.removes, 1);
  EXPECT_EQ(pdh.closes, 1);
}

// Windows (Vista and later) knows counters by the names of its display language in
// PdhAddCounterA and by their English names in PdhAddEnglishCounterA. Played here: a German
// Windows, which refuses "\Processor(_Total)\% Processor Time" in PdhAddCounterA.
TEST_F(PdhSampler, GermanWindowsGivesTheLoadThroughTheEnglishName) {
  pdh.localizedNames = true;
  TCPUPdh cpu(kFakePdh);
  EXPECT_EQ(pdh.englishAdds, 1);
  EXPECT_EQ(pdh.path, "\\\\FIXTUREBOX\\Processor(_Total)\\% Processor Time");
  pdh.value = 42;
  EXPECT_EQ(cpu.GetCPUUsage(), 42);
}

// Windows XP has no PdhAddEnglishCounterA (and no other language than its own names).
TEST_F(PdhSampler, WithoutTheEnglishFunctionTheCounterIsAddedByItsPath) {
  TPdhFunctions older = kFakePdh;
  older.AddEnglishCounter = nullptr;
  TCPUPdh cpu(older);
  EXPECT_EQ(pdh.localAdds, 1);
  EXPECT_EQ(pdh.englishAdds, 0);
  pdh.value = 17;
  EXPECT_EQ(cpu.GetCPUUsage(), 17);
}

TEST_F(PdhSampler, InvalidStatusOrFailedCallGivesZero) {
  TCPUPdh cpu(kFakePdh);
  pdh.value = 60;
  EXPECT_EQ(cpu.GetCPUUsage(), 60);
  pdh.status = PDH_CSTATUS_INVALID_DATA;  // the first sample of a rate counter
  EXPECT_EQ(cpu.GetCPUUsage(), 0);
  pdh.status = PDH_CSTATUS_VALID_DATA;
  EXPECT_EQ(cpu.GetCPUUsage(), 60);
  pdh.formatFails = true;
  EXPECT_EQ(cpu.GetCPUUsage(), 0);
  EXPECT_EQ(cpu.LastUsage(), 0);
}

TEST_F(PdhSampler, MissingComputerNameGivesEmptyPrefix) {
  pdh.computer.clear();
  TCPUPdh cpu(kFakePdh);
  EXPECT_EQ(pdh.path, "\\\\\\Processor(_Total)\\% Processor Time");
}

TEST_F(PdhSampler, FailedQueryOrCounterMakesEverySampleZero) {
  pdh.value = 50;
  {
    pdh.addFails = true;
    TCPUPdh cpu(kFakePdh);
    EXPECT_EQ(cpu.GetCPUUsage(), 0);
    EXPECT_EQ(cpu.GetCPUUsage(), 0);
  }
  EXPECT_EQ(pdh.removes, 0);
  EXPECT_EQ(pdh.closes, 1);
  {
    pdh.openFails = true;
    TCPUPdh cpu(kFakePdh);
    EXPECT_EQ(cpu.GetCPUUsage(), 0);
  }
  EXPECT_EQ(pdh.closes, 1);
}

TEST(PdhSamplerOnThisSystem, RealCounterAnswersAPercentage) {
  TCPUPdh cpu;
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof(name);
  ASSERT_TRUE(GetComputerNameA(name, &size));
  EXPECT_EQ(cpu.CounterPath(), PdhCounterPath(name));
  cpu.GetCPUUsage();
  Sleep(200);
  std::int32_t value = cpu.GetCPUUsage();
  EXPECT_GE(value, 0);
  EXPECT_LE(value, 100);
  if (testsupport::RunningUnderWine()) {
    // Wine accepts the path with the computer name and answers a constant, valid value.
    EXPECT_GT(value, 0);
  }
}

// ---- the registry sampler, on a key of the test's own

namespace {

class RegistrySampler : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              root.put(), nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    root.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, kRoot);
  }
  void SetUsage(const char* key, const void* data, DWORD size, DWORD type = REG_BINARY) {
    UniqueHKey k;
    ASSERT_EQ(RegCreateKeyExA(root.get(), key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(),
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(k.get(), "KERNEL\\CPUUsage", 0, type,
                             static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }
  static constexpr const char* kRoot = "Software\\MemtideSamplingTest";
  UniqueHKey root;
};

}  // namespace

TEST_F(RegistrySampler, ReadsFourBytesAndKeepsTheLastWhenMissing) {
  DWORD usage = 42;
  SetUsage("PerfStats\\StatData", &usage, 4);
  TCPUUsageWin cpu(root.get());
  EXPECT_EQ(cpu.GetCPUUsage(), 42);
  usage = 17;
  SetUsage("PerfStats\\StatData", &usage, 4);
  EXPECT_EQ(cpu.GetCPUUsage(), 17);
  RegDeleteTreeA(root.get(), "PerfStats\\StatData");
  EXPECT_EQ(cpu.GetCPUUsage(), 17);
}

TEST_F(RegistrySampler, WithoutStatisticsEverySampleIsZero) {
  TCPUUsageWin cpu(root.get());
  EXPECT_EQ(cpu.GetCPUUsage(), 0);
  EXPECT_EQ(cpu.GetCPUUsage(), 0);
}

TEST_F(RegistrySampler, OversizedValueLeavesTheSampleAlone) {
  DWORD usage = 9;
  SetUsage("PerfStats\\StatData", &usage, 4);
  TCPUUsageWin cpu(root.get());
  EXPECT_EQ(cpu.GetCPUUsage(), 9);
  const BYTE big[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  SetUsage("PerfStats\\StatData", big, sizeof(big));
  EXPECT_EQ(cpu.GetCPUUsage(), 9);
}

// ---- the facade

TEST(CPUObject, ThisSystemIsNT) {
  EXPECT_TRUE(TCPUObject::IsWinNT());
  TCPUObject cpu;
  EXPECT_TRUE(cpu.IsNT());
  EXPECT_FALSE(cpu.UsePdh);
  EXPECT_EQ(cpu.GetCPUUsage(), 100);  // the native sampler's first sample
}

TEST(CPUObject, UsePdhChoosesTheSamplerAndLeavesTheOtherUntouched) {
  FakeSystem system;
  FakePdh pdh;
  g_system = &system;
  g_pdh = &pdh;
  system.now = 130000000000000000LL;
  pdh.value = 12;
  {
    TCPUObject cpu(std::make_unique<TCPUUsage>(FakeQuery), std::make_unique<TCPUPdh>(kFakePdh),
                   nullptr);
    ASSERT_TRUE(cpu.IsNT());
    EXPECT_EQ(cpu.GetCPUUsage(), 100);
    cpu.UsePdh = true;
    EXPECT_EQ(cpu.GetCPUUsage(), 12);
    EXPECT_EQ(system.classes.size(), 3u);  // the native sampler was not asked
    // Back to native: the average over the whole time since its last sample.
    system.now += 30000000;
    system.idle += 30000000;  // two processors, half busy over three seconds
    cpu.UsePdh = false;
    EXPECT_EQ(cpu.GetCPUUsage(), 50);
    EXPECT_EQ(pdh.collects, 1);
  }
  EXPECT_EQ(pdh.closes, 1);
  g_system = nullptr;
  g_pdh = nullptr;
}

TEST_F(RegistrySampler, FacadeOffNTUsesTheRegistryWhateverUsePdhSays) {
  DWORD usage = 33;
  SetUsage("PerfStats\\StatData", &usage, 4);
  TCPUObject cpu(nullptr, nullptr, std::make_unique<TCPUUsageWin>(root.get()));
  EXPECT_FALSE(cpu.IsNT());
  EXPECT_EQ(cpu.GetCPUUsage(), 33);
  cpu.UsePdh = true;
  EXPECT_EQ(cpu.GetCPUUsage(), 33);
}
