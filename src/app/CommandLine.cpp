#include "app/CommandLine.h"

#include <windows.h>

#include <cstdlib>

#include "util/AnsiText.h"
#include "util/QvBaseUnit.h"

std::vector<std::string> ProgramArguments() {
  std::vector<std::string> args;
  for (int i = 1; i < __argc; ++i) {
    if (__argv && __argv[i]) args.emplace_back(__argv[i]);
  }
  return args;
}

bool IsAutoOptimizeRequest(const std::vector<std::string>& args) {
  if (args.empty()) return false;
  // Not lstrcmpiA: it folds case by the user's locale, and under a Turkish one "I" is not
  // the capital of "i".
  return SameTextAscii(args.front(), "-autooptimize");
}

bool IsOptimizeRequest(const std::vector<std::string>& args) {
  return !args.empty() && SameTextAscii(args.front(), "-optimize");
}
