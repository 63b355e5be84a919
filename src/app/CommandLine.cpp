#include "app/CommandLine.h"

#include <windows.h>

#include <cstdlib>

namespace {

bool SameAsciiNoCase(const std::string& a, const char* b) {
  auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
      return false;
  return i == a.size() && !b[i];
}

}  // namespace

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

bool IsOptimizeRequest(const std::vector<std::string>& args) {
  return !args.empty() && SameAsciiNoCase(args.front(), "-optimize");
}
