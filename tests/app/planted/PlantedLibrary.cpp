// A library planted beside a copy of the program under the name of one it uses. Loading it
// is the fault under test, so it only records that it was loaded: a file named after
// itself with ".loaded" appended, holding the path of the process that loaded it.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char own[MAX_PATH + 16] = {};
  char host[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(self, own, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return TRUE;
  lstrcatA(own, ".loaded");
  const DWORD hostLength = GetModuleFileNameA(nullptr, host, MAX_PATH);
  HANDLE file = CreateFileA(own, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, host, hostLength, &written, nullptr);
    CloseHandle(file);
  }
  return TRUE;
}
