#include "ui/Dpi.h"

#include <cstdint>
#include <type_traits>

#include "util/ScopedHandles.h"
#include "util/SystemLibrary.h"

namespace dpi {
namespace {
int g_override = 0;

// Windows 7 has none of the per-monitor functions, so they are looked up by name.
TSystemLibrary& User32() {
  static TSystemLibrary library("user32.dll");
  return library;
}
TSystemLibrary& Shcore() {  // not loaded by default; stays loaded once asked for
  static TSystemLibrary library("shcore.dll");
  return library;
}
template <class Fn>
Fn Lookup(TSystemLibrary& Library, const char* Name) {
  return Library.Function<std::remove_pointer_t<Fn>>(Name);
}

int ScreenLogPixels() {
  ScopedGetDC dc(nullptr);
  if (!dc.get()) return kDesignDpi;
  const int v = GetDeviceCaps(dc.get(), LOGPIXELSX);
  return v > 0 ? v : kDesignDpi;
}
}  // namespace

int Scale(int Value, int Dpi, int FromDpi) {
  if (FromDpi <= 0 || Dpi <= 0 || Dpi == FromDpi) return Value;
  std::int64_t n = static_cast<std::int64_t>(Value) * Dpi;
  std::int64_t half = FromDpi / 2;
  std::int64_t q = n >= 0 ? (n + half) / FromDpi : -((-n + half) / FromDpi);
  return static_cast<int>(q);
}

RECT ScaleRect(const RECT& R, int Dpi, int FromDpi) {
  return {Scale(R.left, Dpi, FromDpi), Scale(R.top, Dpi, FromDpi), Scale(R.right, Dpi, FromDpi),
          Scale(R.bottom, Dpi, FromDpi)};
}

int SystemDpi() {
  if (g_override) return g_override;
  using GetDpiForSystemFn = UINT(WINAPI*)();
  static const auto forSystem = Lookup<GetDpiForSystemFn>(User32(), "GetDpiForSystem");
  if (forSystem) {
    UINT v = forSystem();
    if (v) return static_cast<int>(v);
  }
  // The system DPI stays what it was at the start of the process (a change needs a new
  // sign-in), and the fonts ask for it at every paint.
  static const int logPixels = ScreenLogPixels();
  return logPixels;
}

int WindowDpi(HWND Wnd) {
  if (g_override) return g_override;
  if (!Wnd) return SystemDpi();
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto forWindow = Lookup<GetDpiForWindowFn>(User32(), "GetDpiForWindow");
  if (forWindow) {
    UINT v = forWindow(Wnd);
    if (v) return static_cast<int>(v);
  }
  // MDT_EFFECTIVE_DPI = 0
  using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto forMonitor = Lookup<GetDpiForMonitorFn>(Shcore(), "GetDpiForMonitor");
  if (forMonitor) {
    UINT x = 0, y = 0;
    if (SUCCEEDED(forMonitor(MonitorFromWindow(Wnd, MONITOR_DEFAULTTONEAREST), 0, &x, &y)) && x)
      return static_cast<int>(x);
  }
  return SystemDpi();
}

int SystemMetricForDpi(int Index, int Dpi) {
  using ForDpiFn = int(WINAPI*)(int, UINT);
  static const auto forDpi = Lookup<ForDpiFn>(User32(), "GetSystemMetricsForDpi");
  if (forDpi && Dpi > 0) {
    const int v = forDpi(Index, static_cast<UINT>(Dpi));
    if (v > 0) return v;
  }
  return GetSystemMetrics(Index);
}

void MakeProcessDpiAware() {
  using SetContextFn = BOOL(WINAPI*)(HANDLE);
  if (auto setContext = Lookup<SetContextFn>(User32(), "SetProcessDpiAwarenessContext")) {
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 (-4), then PER_MONITOR_AWARE (-3).
    if (setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))) ||
        setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3))))
      return;
  }
  using SetAwarenessFn = HRESULT(WINAPI*)(int);
  if (auto setAwareness = Lookup<SetAwarenessFn>(Shcore(), "SetProcessDpiAwareness")) {
    if (SUCCEEDED(setAwareness(2))) return;  // PROCESS_PER_MONITOR_DPI_AWARE
  }
  using SetAwareFn = BOOL(WINAPI*)();
  if (auto setAware = Lookup<SetAwareFn>(User32(), "SetProcessDPIAware")) setAware();
}

void SetDpiOverride(int Dpi) { g_override = Dpi > 0 ? Dpi : 0; }

}  // namespace dpi
