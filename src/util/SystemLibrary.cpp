#include "util/SystemLibrary.h"

#include <string>

FARPROC TSystemLibrary::Address(const char* Export) {
  if (!tried_) {
    tried_ = true;
    // Only the system folder: a DLL of the same name beside the program must not be
    // picked up. Side-by-side redirection (the manifest's common controls 6) still
    // applies. Systems without the search flags refuse it with ERROR_INVALID_PARAMETER.
    module_ = LoadLibraryExA(name_, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module_ && GetLastError() == ERROR_INVALID_PARAMETER) {
      char folder[MAX_PATH];
      const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
      if (n > 0 && n < MAX_PATH) {
        std::string path(folder, n);
        path += '\\';
        path += name_;
        module_ = LoadLibraryA(path.c_str());
      }
    }
  }
  return module_ ? GetProcAddress(module_, Export) : nullptr;
}

TSystemLibrary& CommonControlsLibrary() {
  static TSystemLibrary library("comctl32.dll");
  return library;
}

TSystemLibrary& CommonDialogsLibrary() {
  static TSystemLibrary library("comdlg32.dll");
  return library;
}
