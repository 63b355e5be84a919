#include "support/TestSupport.h"

#include <shellapi.h>
#include <atomic>
#include <fstream>

namespace testsupport {

std::string ExeFolder() {
  char buf[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  std::string p(buf, n);
  return p.substr(0, p.find_last_of("\\/") + 1);
}

TempFolder::TempFolder() {
  static std::atomic<unsigned> counter{0};
  char tmp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, tmp);
  path_ = std::string(tmp) + "memtide-test-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(counter++) + "\\";
  CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
  // SHFileOperation wants a double-NUL-terminated list and no trailing backslash.
  std::string from = path_.substr(0, path_.size() - 1);
  from.push_back('\0');
  SHFILEOPSTRUCTA op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  SHFileOperationA(&op);
}

void TempFolder::Write(const std::string& name, const std::string& content) const {
  std::ofstream f(path_ + name, std::ios::binary);
  f << content;
}

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

void PumpMessages(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (GetTickCount() - start >= ms) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  } while (GetTickCount() - start < ms);
}

}  // namespace testsupport
