// Child processes of the reliability tests: ReliabilityChild.exe, which waits quietly until
// it is ended.
#pragma once
#include <windows.h>

#include <vector>

#include "util/ScopedHandles.h"

struct Child {
  UniqueHandle process;
  DWORD id = 0;
};

// A started child; `id` stays 0 when it could not be started.
Child StartChild(DWORD lifeMs = 30000);
// The children that could be started of `count`.
std::vector<Child> StartChildren(int count);
// Ends the child, waits for its end and closes its handle; nothing when it has none.
void End(Child& c);

// Handles open in this process. Wine answers 0 for GetProcessHandleCount; the count is then
// found by asking for every handle value in turn (Windows and Wine both hand out the lowest
// free values, so the open ones lie below the limit a test reaches).
DWORD OpenHandleCount();
