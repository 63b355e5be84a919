// The program's command line: the "-autooptimize" and "-optimize" requests.
#pragma once
#include <string>
#include <vector>

// The arguments after the program name, as the C runtime split them.
std::vector<std::string> ProgramArguments();

// True when the first argument is "-autooptimize" in any case; later arguments are not looked at.
bool IsAutoOptimizeRequest(const std::vector<std::string>& args);

// True when the first argument is "-optimize" in any case (ASCII letters only, so no
// locale makes another text match): one run, then the process ends.
bool IsOptimizeRequest(const std::vector<std::string>& args);
