// Puts the tray icon's free-memory figure into the notification area, drawn exactly as the
// program draws it, for screenshots of values the machine does not have (tools/dpi_shots.sh):
//   TrayShot.exe <free percent> [seconds]
// Below 8 % the figure takes its low-memory colour. The memory chart's default colours.
#include <windows.h>

#include <cstdlib>

#include "app/TrayFigure.h"
#include "app/TrayFigureIcon.h"
#include "shell/TrayIcon.h"
#include "ui/Application.h"
#include "ui/Dpi.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  dpi::MakeProcessDpiAware();  // the program's manifest declares it; this tool has none
  const double percent = __argc > 1 ? std::atof(__argv[1]) : 50;
  const DWORD seconds = __argc > 2 ? static_cast<DWORD>(std::atoi(__argv[2])) : 8;
  constexpr std::int64_t kTotal = 8LL << 30;
  constexpr TColor kHighRAMColor = 16776960, kLowRAMColor = 255;  // the settings' defaults
  const auto figure = TrayFigureFor(static_cast<std::int64_t>(kTotal * (percent + 0.5) / 100), kTotal,
                                    kHighRAMColor, kLowRAMColor);
  {
    TTrayIcon icon(nullptr);
    icon.SetIconLoader(figure ? TrayFigureIcon(*figure) : ProgramTrayIcon());
    icon.SetIconVisible(true);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < seconds * 1000) {
      Application()->ProcessMessages();
      Sleep(20);
    }
  }
  return 0;
}
