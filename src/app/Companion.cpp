#include "app/Companion.h"

#include <vector>

#include "util/ScopedHandles.h"

namespace {
std::string TrimBlanks(const std::string& s) {
  size_t first = 0;
  size_t last = s.size();
  while (first < last && static_cast<unsigned char>(s[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(s[last - 1]) <= ' ') --last;
  return s.substr(first, last - first);
}
}  // namespace

std::string ReadCompanionPath(HKEY root) {
  UniqueHKey key;
  if (RegOpenKeyExA(root, kCompanionKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return {};
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), "programfile", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  // The stored data need not end with a NUL; one extra byte keeps the text terminated.
  std::vector<char> buf(size + 1, '\0');
  if (RegQueryValueExA(key.get(), "programfile", nullptr, &type,
                       reinterpret_cast<BYTE*>(buf.data()), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return TrimBlanks(std::string(buf.data()));
}
