// Program entry. Starts GDI+ for the whole process and shows a placeholder window
// until the tray controller is in place.
#include <windows.h>

#include "controls/ColorUnit.h"

namespace {
LRESULT CALLBACK PlaceholderProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(h, m, w, l);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  GdiPlusSession gdiplus;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PlaceholderProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, "MAINICON");
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = "MemtidePlaceholder";
  RegisterClassA(&wc);
  HWND wnd = CreateWindowA(wc.lpszClassName, "Memtide", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                           CW_USEDEFAULT, 320, 200, nullptr, nullptr, instance, nullptr);
  ShowWindow(wnd, show);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
