// Started by the util tests to see what a launch passed on.
//   ProbeChild.exe                         writes ProbeChild.ran beside itself
//   ProbeChild.exe <file> [--sleep=ms] ... writes the current folder and the arguments to <file>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, folder);
  std::string out;
  if (argc < 2) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    out = self;
    out = out.substr(0, out.find_last_of('\\') + 1) + "ProbeChild.ran";
  } else {
    out = argv[1];
  }
  for (int i = 2; i < argc; ++i) {
    if (std::strncmp(argv[i], "--sleep=", 8) == 0) Sleep(std::atoi(argv[i] + 8));
  }
  std::FILE* f = std::fopen(out.c_str(), "wb");
  if (!f) return 3;
  std::fprintf(f, "%s\n", folder);
  for (int i = 2; i < argc; ++i) std::fprintf(f, "%s\n", argv[i]);
  std::fclose(f);
  return 0;
}
