// Small pieces every in-process benchmark needs.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>

#include "util/QvBaseUnit.h"

namespace bench {

// Seconds from the performance counter.
inline double Now() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

// A message box would stop an unattended run: its text goes to stderr instead.
inline void PrintMessagesInsteadOfBoxes() {
  SetMessageBoxFunction([](HWND, const std::string& text, const std::string&, UINT) {
    std::fprintf(stderr, "message: %s\n", text.c_str());
    return IDOK;
  });
}

}  // namespace bench
