#include "ChildProcesses.h"

#include <string>

#include "support/TestSupport.h"

Child StartChild(DWORD lifeMs) {
  Child c;
  const std::string exe = testsupport::ExeFolder() + "ReliabilityChild.exe";
  std::string commandLine = "\"" + exe + "\" --life=" + std::to_string(lifeMs);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &si, &pi))
    return c;
  CloseHandle(pi.hThread);
  c.process.reset(pi.hProcess);
  c.id = pi.dwProcessId;
  return c;
}

std::vector<Child> StartChildren(int count) {
  std::vector<Child> children;
  for (int i = 0; i < count; ++i) {
    Child c = StartChild();
    if (c.process) children.push_back(std::move(c));
  }
  return children;
}

void End(Child& c) {
  if (!c.process) return;
  TerminateProcess(c.process.get(), 0);
  WaitForSingleObject(c.process.get(), 5000);
  c.process.reset();
}

DWORD OpenHandleCount() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) return count;
  constexpr ULONG_PTR kLimit = 1u << 16;
  count = 0;
  for (ULONG_PTR value = 4; value < kLimit; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}
