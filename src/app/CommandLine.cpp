#include "app/CommandLine.h"

#include <windows.h>

#include <cstdlib>

std::vector<std::string> ProgramArguments() {
  std::vector<std::string> args;
  for (int i = 1; i < __argc; ++i) {
    if (__argv && __argv[i]) args.emplace_back(__argv[i]);
  }
  return args;
}

bool IsAutoOptimizeRequest(const std::vector<std::string>& args) {
  if (args.empty()) return false;
  // The system's comparison: no locale surprises with letters outside ASCII.
  return lstrcmpiA(args.front().c_str(), "-autooptimize") == 0;
}
