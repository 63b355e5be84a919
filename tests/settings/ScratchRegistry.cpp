#include "ScratchRegistry.h"

#include <vector>

#include "util/ScopedHandles.h"

namespace {
UniqueHKey Open(const std::string& path, REGSAM access) {
  HKEY h = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, access, &h) != ERROR_SUCCESS) return {};
  return UniqueHKey(h);
}
}  // namespace

bool KeyExists(const std::string& path) { return static_cast<bool>(Open(path, KEY_READ)); }

DWORD ValueType(const std::string& keyPath, const std::string& name) {
  UniqueHKey key = Open(keyPath, KEY_READ);
  DWORD type = REG_NONE;
  if (!key || RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, nullptr) !=
                  ERROR_SUCCESS)
    return REG_NONE;
  return type;
}

std::string ReadString(const std::string& keyPath, const std::string& name) {
  UniqueHKey key = Open(keyPath, KEY_READ);
  std::vector<char> buf(4096, '\0');
  DWORD size = static_cast<DWORD>(buf.size() - 1);
  if (!key || RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr,
                               reinterpret_cast<BYTE*>(buf.data()), &size) != ERROR_SUCCESS)
    return "<missing>";
  return buf.data();
}

DWORD ReadDword(const std::string& keyPath, const std::string& name) {
  UniqueHKey key = Open(keyPath, KEY_READ);
  DWORD v = 0xDEADBEEF, size = sizeof v;
  if (key) RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr,
                            reinterpret_cast<BYTE*>(&v), &size);
  return v;
}

DWORD ValueCount(const std::string& keyPath) {
  UniqueHKey key = Open(keyPath, KEY_READ);
  DWORD count = 0;
  if (key) RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            &count, nullptr, nullptr, nullptr, nullptr);
  return count;
}

void WriteRaw(const std::string& keyPath, const std::string& name, DWORD type, const void* data,
              DWORD size) {
  HKEY h = nullptr;
  RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                  nullptr);
  UniqueHKey key(h);
  RegSetValueExA(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
}
