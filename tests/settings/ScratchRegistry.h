// A registry key of its own for each test, deleted with everything below it afterwards,
// so no test touches the program's real settings or depends on another test's leftovers.
#pragma once
#include <windows.h>

#include <string>

#include "settings/OptionsUnit.h"
#include "support/TestSupport.h"

class ScratchKey {
 public:
  ScratchKey() {
    static int counter = 0;
    path_ = "Software\\MemtideTests\\" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(counter++);
  }
  ~ScratchKey() {
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
  }
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  const std::string& Path() const { return path_; }
  std::string Sub(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// Settings locations pointing at a scratch key and a temporary program folder.
inline TOptionsStorage ScratchStorage(const ScratchKey& key, const testsupport::TempFolder& folder,
                                      const std::string& exePath = "C:\\Tools\\Memtide.exe") {
  TOptionsStorage s;
  s.ProgramFolder = folder.Path();
  s.SettingsKey = key.Sub("Memtide");
  s.RunKey = key.Sub("Run");
  s.ExePath = exePath;
  return s;
}

bool KeyExists(const std::string& path);
// Type of a value, or REG_NONE when it (or the key) does not exist.
DWORD ValueType(const std::string& keyPath, const std::string& name);
std::string ReadString(const std::string& keyPath, const std::string& name);
DWORD ReadDword(const std::string& keyPath, const std::string& name);
DWORD ValueCount(const std::string& keyPath);
void WriteRaw(const std::string& keyPath, const std::string& name, DWORD type, const void* data,
              DWORD size);
inline void WriteDword(const std::string& keyPath, const std::string& name, DWORD v) {
  WriteRaw(keyPath, name, REG_DWORD, &v, sizeof v);
}
inline void WriteString(const std::string& keyPath, const std::string& name,
                        const std::string& v) {
  WriteRaw(keyPath, name, REG_SZ, v.c_str(), static_cast<DWORD>(v.size() + 1));
}
