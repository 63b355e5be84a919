// Libraries of the system folder, loaded on first use and only from there.
// A library that is not one of Windows' KnownDLLs is otherwise looked for in the program's
// folder first, and the portable edition lives wherever the user unpacked it: a planted
// pdh.dll or version.dll beside it would run at every sign-in. The executable therefore
// imports only KnownDLLs and reaches every other library through this loader. Loading on
// first use also keeps the common controls and dialogs (tens of milliseconds) out of a
// start-up that never opens the options dialog.
#pragma once
#include <windows.h>

#include <mutex>

class TSystemLibrary {
 public:
  // `Name` is a file name of the system folder, e.g. "comdlg32.dll"; it must outlive
  // the object (a literal).
  explicit TSystemLibrary(const char* Name) : name_(Name) {}
  TSystemLibrary(const TSystemLibrary&) = delete;
  TSystemLibrary& operator=(const TSystemLibrary&) = delete;

  // The exported function, or null when the library or the function is missing. The
  // library stays loaded for the life of the process once found.
  template <class Fn>
  Fn* Function(const char* Export) {
    return reinterpret_cast<Fn*>(reinterpret_cast<void*>(Address(Export)));
  }
  bool Loaded() const { return module_ != nullptr; }

 private:
  FARPROC Address(const char* Export);

  const char* name_;
  HMODULE module_ = nullptr;
  std::once_flag tried_;
};

// Calls the export `Export` of `Library` with `Args`; `Missing` when it cannot be found.
template <class Fn, class R, class... A>
R CallSystemFunction(TSystemLibrary& Library, const char* Export, R Missing, A... Args) {
  Fn* fn = Library.Function<Fn>(Export);
  return fn ? fn(Args...) : Missing;
}

// Before anything else loads: every later load by name, including the libraries that
// system libraries load in turn, searches the system folder only. Windows 7 without
// update KB2533623 lacks SetDefaultDllDirectories; there the current folder at least
// leaves the search, and this loader still names the system folder itself.
void RestrictLibrarySearchToSystemFolder();

// The libraries the program uses that are not KnownDLLs on every Windows it runs on
// (comdlg32 is one, but only the options dialog needs it).
TSystemLibrary& CommonControlsLibrary();  // version 6 through the manifest
TSystemLibrary& CommonDialogsLibrary();
TSystemLibrary& GdiPlusLibrary();
TSystemLibrary& PdhLibrary();
TSystemLibrary& VersionLibrary();
TSystemLibrary& CryptLibrary();
