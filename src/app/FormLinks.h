// How the program's windows talk. Every connection between them is made here or named here.
//
// Direct calls. Each window is handed a host (a struct of callbacks) by the one who makes
// it, and keeps it for its life; the main form makes the others and keeps them as members
// (Monitor(), OptionsDialog()). Each window tells its host when it is freed (Freed), and the
// main form frees those it made before it goes, so no side calls a freed one.
//   main form -> monitor window   member calls on Monitor(): language, options, placement,
//                                 showing, StartOptimize, IsOptimizing, result text
//   monitor window -> main form   TMonitorHost: main window, tray menu, settings, language,
//                                 the options link, every sampling tick, Freed
//   options dialog -> both        TOptionsHost (OK): chart colours and drawing, CPU source,
//                                 hot key, language, tray icon; Freed
//   main form -> options dialog   ShowOptionsDialog: made on first use, reused after
//   instance hook -> main form    the main form's window, asked at each second start
//
// Posted messages (each wParam 0, lParam 0).
//   WM_OPTIMIZING, WM_OPTIMIZED   monitor window -> main form: a run starts / ends (balloon)
//   WM_STARTOPTIMIZE              instance hook -> main form ("-autooptimize"); main form ->
//                                 monitor window (hot key, start-up run, forwarded request);
//                                 monitor window -> itself (auto-optimize below the limit)
//   WM_INSTANCENOTICE             instance hook -> main form: a second start; nobody reacts
//
// The application window's messages are watched through TWindowHook alone, in one chain
// undone newest first: the tray icon's (a new taskbar, display changes), made with the
// main form, and the single-instance rule's (multinst::TInstanceHook), made before it.
#pragma once
#include <windows.h>

#include <functional>

class TApplication;
class TFrmMemtideMain;
struct TMonitorHost;
struct TOptionsHost;

// The monitor window's view of its main form.
TMonitorHost MonitorHostFor(TFrmMemtideMain& Main);
// What the options dialog's OK applies to the running program.
TOptionsHost OptionsHostFor(TFrmMemtideMain& Main);
// Where the instance hook finds the main form's window: null while the application has no
// main form.
std::function<HWND()> InstanceMainWindow(const TApplication& Application);
