// The tray icon's two pictures as icon loaders: the program icon, and the free-memory
// figure drawn at whatever size the notification area asks for.
#pragma once
#include "app/TrayFigure.h"
#include "shell/TrayIcon.h"

// The program icon at the notification area's size, at every DPI.
tray::IconLoader ProgramTrayIcon();
// The figure, drawn again after a DPI change or for a new taskbar; the program icon where
// it cannot be drawn.
tray::IconLoader TrayFigureIcon(const TrayFigure& Figure);
