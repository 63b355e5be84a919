// Helpers of the shell tests: real input through xdotool on the Xvfb display, and the
// icons of Wine's notification area.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ui/DibSection.h"

namespace shelltest {

// True when /usr/bin/xdotool can be started from here (Wine with the Unix file system).
inline bool XdotoolAvailable() {
  return GetFileAttributesA("Z:\\usr\\bin\\xdotool") != INVALID_FILE_ATTRIBUTES;
}

// Runs xdotool with `args` through Wine's start.exe /unix and waits for it.
inline bool Xdotool(const std::string& args) {
  std::string cmd = "C:\\windows\\system32\\start.exe /wait /unix /usr/bin/xdotool " + args;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &si, &pi))
    return false;
  const DWORD wait = WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return wait == WAIT_OBJECT_0;
}

// The taskbar of the shared virtual desktop, or null when there is none on screen.
inline HWND VisibleTaskbar() {
  HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
  RECT r = {};
  if (!tray || !IsWindowVisible(tray) || !GetWindowRect(tray, &r) || r.right - r.left <= 0)
    return nullptr;
  return tray;
}

// The pixels of a screen rectangle, row by row (0x00RRGGBB).
inline std::vector<DWORD> CaptureScreen(const RECT& r) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  std::vector<DWORD> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
  TDibSection shot(w, h);
  if (shot.Empty()) return pixels;
  HDC screen = GetDC(nullptr);
  BitBlt(shot.Dc(), 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  ReleaseDC(nullptr, screen);
  GdiFlush();
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = shot.Bits()[i] & 0xFFFFFFu;
  return pixels;
}

// The notification area's end of the taskbar, where Wine paints the icons.
inline RECT IconStrip() {
  RECT r = {};
  if (HWND tray = VisibleTaskbar()) GetWindowRect(tray, &r);
  r.left = r.right - 200;
  return r;
}

// The columns (screen x, first and one past the last) in which two captures of `strip`
// differ; {0, 0} when they are equal.
inline std::pair<int, int> ChangedColumns(const std::vector<DWORD>& a, const std::vector<DWORD>& b,
                                          const RECT& strip) {
  const int w = strip.right - strip.left, h = strip.bottom - strip.top;
  int first = -1, last = -1;
  for (int x = 0; x < w; ++x)
    for (int y = 0; y < h; ++y) {
      const size_t i = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
      if (i < a.size() && i < b.size() && a[i] != b[i]) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  if (first < 0) return {0, 0};
  return {strip.left + first, strip.left + last + 1};
}

}  // namespace shelltest
