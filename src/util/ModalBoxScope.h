// While a message box is up, the program's other windows wait behind it: they are disabled
// (no second OK, no second box from the same button) and an always-on-top one, such as
// the options dialog, gives up its place above the box for that time.
#pragma once
#include <windows.h>

#include <vector>

class ModalBoxScope {
 public:
  // Announces the box's loop (ModalLoop.h), then holds the visible, enabled top-level
  // windows of this thread.
  ModalBoxScope();
  ~ModalBoxScope();  // gives back exactly what it took, and the activation
  ModalBoxScope(const ModalBoxScope&) = delete;
  ModalBoxScope& operator=(const ModalBoxScope&) = delete;

 private:
  struct Held {
    HWND Wnd;
    bool WasTopmost;
  };
  static BOOL CALLBACK Take(HWND wnd, LPARAM self);
  std::vector<Held> held_;
  HWND active_;
};
