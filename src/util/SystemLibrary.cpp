#include "util/SystemLibrary.h"

#include <string>

FARPROC TSystemLibrary::Address(const char* Export) {
  std::call_once(tried_, [this] {
    // Only the system folder: a DLL of the same name beside the program must not be
    // picked up. Side-by-side redirection (the manifest's common controls 6) still
    // applies. Systems without the search flags refuse them with ERROR_INVALID_PARAMETER;
    // there the full path does it, and the altered search path makes the library's own
    // imports come from its folder too rather than from the program's.
    module_ = LoadLibraryExA(name_, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module_ && GetLastError() == ERROR_INVALID_PARAMETER) {
      char folder[MAX_PATH];
      const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
      if (n > 0 && n < MAX_PATH) {
        std::string path(folder, n);
        path += '\\';
        path += name_;
        module_ = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
      }
    }
  });
  return module_ ? GetProcAddress(module_, Export) : nullptr;
}

void RestrictLibrarySearchToSystemFolder() {
  // Looked up by name: Windows 7 has it only with KB2533623.
  using SetDefaultDllDirectoriesFn = BOOL WINAPI(DWORD);
  auto* setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn*>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  SetDllDirectoryA("");
}

TSystemLibrary& CommonControlsLibrary() {
  static TSystemLibrary library("comctl32.dll");
  return library;
}

TSystemLibrary& CommonDialogsLibrary() {
  static TSystemLibrary library("comdlg32.dll");
  return library;
}

TSystemLibrary& GdiPlusLibrary() {
  static TSystemLibrary library("gdiplus.dll");
  return library;
}

TSystemLibrary& PdhLibrary() {
  static TSystemLibrary library("pdh.dll");
  return library;
}

TSystemLibrary& VersionLibrary() {
  static TSystemLibrary library("version.dll");
  return library;
}

TSystemLibrary& CryptLibrary() {
  static TSystemLibrary library("crypt32.dll");
  return library;
}
