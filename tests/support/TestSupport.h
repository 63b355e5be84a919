// Small helpers shared by the test programs.
#pragma once
#include <windows.h>
#include <string>

namespace testsupport {

// Folder holding the running test executable, with a trailing backslash.
std::string ExeFolder();

// A fresh, empty folder under %TEMP%, deleted with everything in it on destruction.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }  // with trailing backslash
  std::string File(const std::string& name) const { return path_ + name; }
  void Write(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};

// True when running under Wine (ntdll exports wine_get_version).
bool RunningUnderWine();

// Pumps the thread's message queue for about `ms` milliseconds.
void PumpMessages(DWORD ms);

// Pumps messages until `pred` holds or `ms` pass; returns the last value of pred.
template <class Pred>
bool PumpUntil(Pred pred, DWORD ms) {
  DWORD start = GetTickCount();
  while (!pred()) {
    if (GetTickCount() - start > ms) return pred();
    PumpMessages(10);
  }
  return true;
}

}  // namespace testsupport
