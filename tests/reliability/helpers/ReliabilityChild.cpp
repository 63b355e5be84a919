// A child process for the reliability tests: waits quietly until it is ended or its
// life (--life=<ms>, default 60 s, so nothing outlives a test run) is over.
#include <windows.h>

#include <cstdlib>
#include <string>

int main() {
  std::string commandLine = GetCommandLineA();
  DWORD lifeMs = 60000;
  std::size_t at = commandLine.find("--life=");
  if (at != std::string::npos)
    lifeMs = static_cast<DWORD>(std::strtoul(commandLine.c_str() + at + 7, nullptr, 10));
  Sleep(lifeMs);
  return 0;
}
