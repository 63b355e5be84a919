// The records of NtQuerySystemInformation and NtQueryInformationProcess that the samplers
// read, declared with pointer-sized fields so each build gets its own architecture's layout.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

using NtStatus = LONG;
using NtQuerySystemInformationFn = NtStatus(WINAPI*)(ULONG infoClass, PVOID buffer,
                                                     ULONG length, PULONG returnLength);
using NtQueryInformationProcessFn = NtStatus(WINAPI*)(HANDLE process, ULONG infoClass,
                                                      PVOID buffer, ULONG length,
                                                      PULONG returnLength);

inline constexpr NtStatus kStatusSuccess = 0;
inline constexpr NtStatus kStatusInfoLengthMismatch = static_cast<NtStatus>(0xC0000004L);

inline constexpr ULONG kSystemBasicInformation = 0;
inline constexpr ULONG kSystemPerformanceInformation = 2;
inline constexpr ULONG kSystemTimeOfDayInformation = 3;
inline constexpr ULONG kSystemProcessInformation = 5;
inline constexpr ULONG kProcessBasicInformation = 0;
inline constexpr ULONG kProcessWow64Information = 26;

struct NtSystemBasicInformation {
  ULONG Reserved;
  ULONG TimerResolution;
  ULONG PageSize;
  ULONG NumberOfPhysicalPages;
  ULONG LowestPhysicalPageNumber;
  ULONG HighestPhysicalPageNumber;
  ULONG AllocationGranularity;
  ULONG_PTR MinimumUserModeAddress;
  ULONG_PTR MaximumUserModeAddress;
  ULONG_PTR ActiveProcessorsAffinityMask;
  CHAR NumberOfProcessors;
};

struct NtSystemTimeOfDayInformation {
  LARGE_INTEGER BootTime;
  LARGE_INTEGER CurrentTime;
  LARGE_INTEGER TimeZoneBias;
  ULONG TimeZoneId;
  ULONG Reserved;
};

// Only the idle time at its start is read; the rest of the 312 bytes is left opaque.
struct NtSystemPerformanceInformation {
  LARGE_INTEGER IdleProcessTime;
  BYTE Rest[304];
};

struct NtUnicodeString {
  USHORT Length;
  USHORT MaximumLength;
  PWSTR Buffer;
};

struct NtClientId {
  HANDLE UniqueProcess;
  HANDLE UniqueThread;
};

struct NtSystemThreadInformation {
  LARGE_INTEGER KernelTime;
  LARGE_INTEGER UserTime;
  LARGE_INTEGER CreateTime;
  ULONG WaitTime;
  PVOID StartAddress;
  NtClientId ClientId;
  LONG Priority;
  LONG BasePriority;
  ULONG ContextSwitches;
  ULONG ThreadState;
  ULONG WaitReason;
};

struct NtVmCounters {
  SIZE_T PeakVirtualSize;
  SIZE_T VirtualSize;
  ULONG PageFaultCount;
  SIZE_T PeakWorkingSetSize;
  SIZE_T WorkingSetSize;
  SIZE_T QuotaPeakPagedPoolUsage;
  SIZE_T QuotaPagedPoolUsage;
  SIZE_T QuotaPeakNonPagedPoolUsage;
  SIZE_T QuotaNonPagedPoolUsage;
  SIZE_T PagefileUsage;
  SIZE_T PeakPagefileUsage;
  SIZE_T PrivatePageCount;
};

struct NtIoCounters {
  LARGE_INTEGER ReadOperationCount;
  LARGE_INTEGER WriteOperationCount;
  LARGE_INTEGER OtherOperationCount;
  LARGE_INTEGER ReadTransferCount;
  LARGE_INTEGER WriteTransferCount;
  LARGE_INTEGER OtherTransferCount;
};

// One record of the system process list; its thread records follow it.
struct NtSystemProcessInformation {
  ULONG NextEntryOffset;
  ULONG NumberOfThreads;
  LARGE_INTEGER WorkingSetPrivateSize;
  ULONG HardFaultCount;
  ULONG NumberOfThreadsHighWatermark;
  ULONGLONG CycleTime;
  LARGE_INTEGER CreateTime;
  LARGE_INTEGER UserTime;
  LARGE_INTEGER KernelTime;
  NtUnicodeString ImageName;
  LONG BasePriority;
  HANDLE UniqueProcessId;
  HANDLE InheritedFromUniqueProcessId;
  ULONG HandleCount;
  ULONG SessionId;
  ULONG_PTR UniqueProcessKey;
  NtVmCounters VmCounters;
  NtIoCounters IoCounters;
  NtSystemThreadInformation Threads[1];
};

struct NtProcessBasicInformation {
  NtStatus ExitStatus;
  PVOID PebBaseAddress;
  ULONG_PTR AffinityMask;
  LONG BasePriority;
  ULONG_PTR UniqueProcessId;
  ULONG_PTR InheritedFromUniqueProcessId;
};

// The start of the process environment block and of its process parameters, in the
// layout of a process of this build's architecture.
struct NtPebStart {
  BYTE Flags[4];
  PVOID Mutant;
  PVOID ImageBaseAddress;
  PVOID Ldr;
  PVOID ProcessParameters;
};

struct NtProcessParametersStart {
  ULONG MaximumLength;
  ULONG Length;
  ULONG Flags;
  ULONG DebugFlags;
  HANDLE ConsoleHandle;
  ULONG ConsoleFlags;
  HANDLE StandardInput;
  HANDLE StandardOutput;
  HANDLE StandardError;
  NtUnicodeString CurrentDirectoryPath;
  HANDLE CurrentDirectoryHandle;
  NtUnicodeString DllPath;
  NtUnicodeString ImagePathName;
  NtUnicodeString CommandLine;
};

// The same two in the 32-bit layout, as a 64-bit system keeps them for a 32-bit process.
struct NtUnicodeString32 {
  USHORT Length;
  USHORT MaximumLength;
  ULONG Buffer;
};

struct NtPebStart32 {
  BYTE Flags[4];
  ULONG Mutant;
  ULONG ImageBaseAddress;
  ULONG Ldr;
  ULONG ProcessParameters;
};

struct NtProcessParametersStart32 {
  ULONG MaximumLength;
  ULONG Length;
  ULONG Flags;
  ULONG DebugFlags;
  ULONG ConsoleHandle;
  ULONG ConsoleFlags;
  ULONG StandardInput;
  ULONG StandardOutput;
  ULONG StandardError;
  NtUnicodeString32 CurrentDirectoryPath;
  ULONG CurrentDirectoryHandle;
  NtUnicodeString32 DllPath;
  NtUnicodeString32 ImagePathName;
  NtUnicodeString32 CommandLine;
};

static_assert(offsetof(NtSystemTimeOfDayInformation, CurrentTime) == 8);
static_assert(sizeof(NtSystemTimeOfDayInformation) == 32);
static_assert(sizeof(NtSystemPerformanceInformation) == 312);
static_assert(offsetof(NtPebStart32, ProcessParameters) == 16);
static_assert(offsetof(NtProcessParametersStart32, CommandLine) == 64);
static_assert(offsetof(NtProcessParametersStart32, CommandLine) + offsetof(NtUnicodeString32, Buffer) == 68);

#ifdef _WIN64
static_assert(offsetof(NtSystemBasicInformation, NumberOfProcessors) == 56);
static_assert(offsetof(NtSystemProcessInformation, UniqueProcessId) == 80);
static_assert(offsetof(NtSystemProcessInformation, VmCounters) == 112);
static_assert(offsetof(NtSystemProcessInformation, Threads) == 256);
static_assert(sizeof(NtSystemThreadInformation) == 80);
static_assert(offsetof(NtProcessBasicInformation, PebBaseAddress) == 8);
static_assert(offsetof(NtPebStart, ProcessParameters) == 32);
static_assert(offsetof(NtProcessParametersStart, CommandLine) == 112);
#else
// The offsets the 32-bit system documents for these records.
static_assert(offsetof(NtSystemBasicInformation, NumberOfProcessors) == 40);
static_assert(sizeof(NtSystemBasicInformation) == 44);
static_assert(offsetof(NtSystemProcessInformation, NumberOfThreads) == 4);
static_assert(offsetof(NtSystemProcessInformation, CreateTime) == 32);
static_assert(offsetof(NtSystemProcessInformation, UserTime) == 40);
static_assert(offsetof(NtSystemProcessInformation, KernelTime) == 48);
static_assert(offsetof(NtSystemProcessInformation, BasePriority) == 64);
static_assert(offsetof(NtSystemProcessInformation, UniqueProcessId) == 68);
static_assert(offsetof(NtSystemProcessInformation, InheritedFromUniqueProcessId) == 72);
static_assert(offsetof(NtSystemProcessInformation, HandleCount) == 76);
static_assert(offsetof(NtSystemProcessInformation, VmCounters) +
                  offsetof(NtVmCounters, VirtualSize) == 92);
static_assert(offsetof(NtSystemProcessInformation, VmCounters) +
                  offsetof(NtVmCounters, PageFaultCount) == 96);
static_assert(offsetof(NtSystemProcessInformation, VmCounters) +
                  offsetof(NtVmCounters, PeakWorkingSetSize) == 100);
static_assert(offsetof(NtSystemProcessInformation, VmCounters) +
                  offsetof(NtVmCounters, WorkingSetSize) == 104);
static_assert(offsetof(NtSystemProcessInformation, VmCounters) +
                  offsetof(NtVmCounters, PagefileUsage) == 124);
static_assert(offsetof(NtSystemProcessInformation, VmCounters) +
                  offsetof(NtVmCounters, PeakPagefileUsage) == 128);
static_assert(offsetof(NtSystemProcessInformation, Threads) == 184);
static_assert(sizeof(NtSystemThreadInformation) == 64);
static_assert(offsetof(NtSystemProcessInformation, Threads) +
                  offsetof(NtSystemThreadInformation, ThreadState) == 236);
static_assert(offsetof(NtSystemProcessInformation, Threads) +
                  offsetof(NtSystemThreadInformation, WaitReason) == 240);
static_assert(offsetof(NtProcessBasicInformation, PebBaseAddress) == 4);
static_assert(sizeof(NtProcessBasicInformation) == 24);
static_assert(offsetof(NtPebStart, ProcessParameters) == 16);
static_assert(offsetof(NtProcessParametersStart, CommandLine) == 64);
#endif
