// Writes what GetProductVersion and GetProgramFolder answer inside a program that carries its
// own version resource: VersionProbe.exe <output file>.
#include <cstdio>

#include "memory/PublicUnit.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) return 3;
  std::fprintf(out, "%s\n%s\n", GetProductVersion().c_str(), GetProgramFolder().c_str());
  std::fclose(out);
  return 0;
}
