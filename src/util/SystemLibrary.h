// A system DLL that only some paths need, loaded on first use instead of at start-up.
// The common controls and common dialogs cost a start-up of this program more than
// everything else it loads (tens of milliseconds), yet only the options dialog uses them.
#pragma once
#include <windows.h>

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
  bool tried_ = false;
};

// The two libraries only the options dialog needs: the common controls (version 6 through
// the manifest) and the common dialogs.
TSystemLibrary& CommonControlsLibrary();
TSystemLibrary& CommonDialogsLibrary();
