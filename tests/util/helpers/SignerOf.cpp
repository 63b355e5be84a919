// Used by the release tests to check a signed build with the program's own reading:
//   SignerOf.exe <file>   prints the signer's name that GetSignerName reads from <file>;
//                         exit code 0 signed with a name, 1 not signed, 2 no such file.
#include <cstdio>
#include <string>

#include "util/QvFileService.h"

int main(int argc, char** argv) {
  if (argc != 2 || !IsExistingFile(argv[1])) return 2;
  std::string name;
  if (!GetSignerName(argv[1], name) || name.empty()) return 1;
  std::printf("%s\n", name.c_str());
  return 0;
}
