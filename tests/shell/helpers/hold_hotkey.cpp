// Holds a global hot key for another process, so a test can see a refused registration.
//   hold_hotkey <modifiers> <virtual key> <ready event name> <quit event name>
// Signals the ready event once registered (exit code 2 if the registration failed) and
// keeps the hot key until the quit event is set or 30 seconds pass.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 5) return 1;
  const UINT mods = static_cast<UINT>(std::strtoul(argv[1], nullptr, 0));
  const UINT vk = static_cast<UINT>(std::strtoul(argv[2], nullptr, 0));
  HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]);
  HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, argv[4]);
  if (!ready || !quit) return 1;
  const BOOL ok = RegisterHotKey(nullptr, 1, mods, vk);
  SetEvent(ready);
  if (!ok) return 2;
  WaitForSingleObject(quit, 30000);
  UnregisterHotKey(nullptr, 1);
  CloseHandle(ready);
  CloseHandle(quit);
  return 0;
}
