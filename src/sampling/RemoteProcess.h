// What the process collection reads from another process: its command line and the
// account of its token.
#pragma once
#include <windows.h>

#include <string>

// The command line of `process` (opened with PROCESS_QUERY_INFORMATION | PROCESS_VM_READ),
// read from its process parameters in the layout of its own architecture. Fails, leaving
// `commandLine` alone, when the line cannot be read or is not shorter than `maxBytes`.
bool ReadProcessCommandLine(HANDLE process, std::size_t maxBytes, std::wstring& commandLine);

// "DOMAIN\user" of the process token; "NT AUTHORITY\SYSTEM" when it cannot be read.
std::string ProcessUserName(HANDLE process);
