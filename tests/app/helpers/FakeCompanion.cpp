// Stands in for the companion cleaner: records the command-line arguments it was started
// with into "<own path>.args.txt" and ends.
#include <windows.h>

#include <fstream>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR args, int) {
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::ofstream out(std::string(path, n) + ".args.txt", std::ios::binary | std::ios::trunc);
  out << "[" << (args ? args : "") << "]";
  return 0;
}
