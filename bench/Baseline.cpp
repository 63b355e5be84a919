// The baseline program bench_StartupAndFootprint compares Memtide.exe with: it starts GDI+,
// shows one window and wakes once a second from a timer, nothing else.
//   bench_Baseline.exe <seconds>   lives at most that long (default 300), or until WM_CLOSE
// Not a benchmark of its own: scripts/bench does not run it.
#include <windows.h>

#include <cstdlib>

#include "controls/ColorUnit.h"

namespace {

UINT_PTR lifeTimer = 0;

LRESULT CALLBACK BaselineProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      if (wp == lifeTimer) DestroyWindow(wnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(wnd, msg, wp, lp);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 300;
  GdiPlusSession gdiplus;
  WNDCLASSA wc{};
  wc.lpfnWndProc = &BaselineProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = "MemtideBaseline";
  if (!RegisterClassA(&wc)) return 1;
  HWND wnd = CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "Baseline", WS_POPUP | WS_BORDER,
                             0, 0, 200, 120, nullptr, nullptr, wc.hInstance, nullptr);
  if (!wnd) return 1;
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  UpdateWindow(wnd);
  SetTimer(wnd, 1, 1000, nullptr);  // the once-a-second wake-up
  lifeTimer = SetTimer(wnd, 2, static_cast<UINT>(seconds > 0 ? seconds : 300) * 1000u, nullptr);
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  return 0;
}
