// Single-instance rule: a named mutex marks the running instance; a second instance
// passes its request on through a registered window message broadcast to all applications.
#pragma once
#include <windows.h>

#include <functional>

#include "shell/WindowHook.h"
#include "util/ScopedHandles.h"

namespace multinst {

// Names both the mutex and the registered window message.
inline constexpr char kInstanceName[] = "The Quorix Memtide inst unit";

// Posted to the main form before the running instance comes to the front; nobody needs to react.
inline constexpr UINT WM_INSTANCENOTICE = WM_USER + 0x108;

// Registers (or looks up) the instance message; every instance does this first.
UINT RegisterInstanceMessage();
UINT InstanceMessage();

// Creates the named mutex; the caller keeps it for the life of the process. alreadyRunning
// tells whether another process holds it: creating and testing is one step, so of two
// instances started together exactly one becomes the first. Without a mutex (creation
// refused for another reason) the program runs on and later instances will not see it.
UniqueHandle CreateInstanceMutex(const char* name, bool& alreadyRunning);

// Second instance: the request value a first argument asks for (1 for "-autooptimize").
LPARAM RequestValue(bool autoOptimize);
// Second instance: posts the request to every application and returns without waiting.
bool NotifyRunningInstance(bool autoOptimize);

// Watches the application window for the instance message: the main form is told of the
// second start (WM_INSTANCENOTICE) and, for "-autooptimize", asked for a run
// (WM_STARTOPTIMIZE); the application window comes to the front. The message then goes on
// to the window's own procedure. Made before the main form and undone after the forms are
// freed, so the hooks they add to the same window are undone first.
class TInstanceHook {
 public:
  // MainWindow answers the main form's window, or null while there is none: a request
  // then is dropped.
  TInstanceHook(HWND AppWindow, std::function<HWND()> MainWindow);
  bool Installed() const { return hook_.Installed(); }

 private:
  void InstanceRequest(HWND AppWindow, LPARAM Request);

  std::function<HWND()> mainWindow_;
  TWindowHook hook_;
};

// Brings a window to the foreground, also from a thread that is not the foreground's.
bool ForceForeground(HWND window);

}  // namespace multinst
