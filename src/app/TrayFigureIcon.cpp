#include "app/TrayFigureIcon.h"

#include "ui/FigureIcon.h"

tray::IconLoader ProgramTrayIcon() {
  return tray::ResourceIcon(GetModuleHandleA(nullptr), "MAINICON");
}

tray::IconLoader TrayFigureIcon(const TrayFigure& Figure) {
  return [Figure, fallback = ProgramTrayIcon()](int Width, int Height) {
    HICON icon = DrawFigureIcon(Width, Height, TrayFigureText(Figure), Figure.Back, Figure.Ink);
    return icon ? icon : fallback(Width, Height);
  };
}
