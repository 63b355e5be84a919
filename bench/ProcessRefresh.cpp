// Time of a process-collection Refresh that finds no new process, against a bare walk of a
// process snapshot in the same run, with about 40 helper processes alive.
// Needs SamplingChild.exe (built with the sampling tests) beside this program.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "sampling/MemtideProcessUnit.h"
#include "util/QvBaseUnit.h"
#include "util/ScopedHandles.h"

namespace {

constexpr int kChildren = 40;
constexpr int kRounds = 20;

std::string ExeFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  return s.substr(0, s.find_last_of('\\') + 1);
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(f.QuadPart);
}

int SnapshotWalk() {
  UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  int n = 0;
  if (Process32First(snapshot.get(), &entry)) {
    do {
      ++n;
      entry.dwSize = sizeof(entry);
    } while (Process32Next(snapshot.get(), &entry));
  }
  return n;
}

}  // namespace

int main() {
  bench::PrintMessagesInsteadOfBoxes();
  std::string child = ExeFolder() + "SamplingChild.exe";
  if (GetFileAttributesA(child.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::fprintf(stderr, "%s is missing: build the SamplingChild target first\n", child.c_str());
    return 1;
  }
  std::vector<UniqueHandle> children;
  for (int i = 0; i < kChildren; ++i) {
    std::string line = "\"" + child + "\" --token=bench-" + std::to_string(i) + " --life=300000";
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(child.c_str(), line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS,
                       nullptr, nullptr, &si, &pi)) {
      CloseHandle(pi.hThread);
      children.emplace_back(pi.hProcess);
    }
  }
  Sleep(2000);  // let every child get through its start-up

  TMemtideProcessCollection collection;
  collection.Refresh();  // every process is new here; the rounds below find none
  collection.Refresh();

  LARGE_INTEGER t0, t1, t2;
  QueryPerformanceCounter(&t0);
  int walked = 0;
  for (int i = 0; i < kRounds; ++i) walked += SnapshotWalk();
  QueryPerformanceCounter(&t1);
  for (int i = 0; i < kRounds; ++i) collection.Refresh();
  QueryPerformanceCounter(&t2);

  double walk = Seconds(t0, t1) / kRounds;
  double refresh = Seconds(t1, t2) / kRounds;
  std::printf("children started: %zu, processes in snapshot: %d, records: %d\n",
              children.size(), walked / kRounds, collection.Count());
  std::printf("snapshot walk: %.3f ms\n", walk * 1000.0);
  std::printf("refresh (no new process): %.3f ms\n", refresh * 1000.0);
  std::printf("ratio refresh/walk: %.1f\n", walk > 0 ? refresh / walk : 0.0);

  for (UniqueHandle& h : children) TerminateProcess(h.get(), 0);
  for (UniqueHandle& h : children) WaitForSingleObject(h.get(), 5000);
  return 0;
}
