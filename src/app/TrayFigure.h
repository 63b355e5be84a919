// The free-memory figure of the tray icon, free of windows: which number and colours a
// sampling tick asks for, and whether the icon shown must change for it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "ui/Graphics.h"

// What the icon shows: the free-memory percentage on a background in the memory chart's
// colours, in black or white, whichever stands out.
struct TrayFigure {
  int Number = 0;  // 0 to kTrayFigureMax
  TColor Back = 0;
  TColor Ink = 0;
  bool operator==(const TrayFigure& Other) const = default;
};

// Two digits at most, so that they stay legible at 16 pixels: the tick's truncated
// percentage shows 99 from 99 % up to 100 % (a figure of 100 would need a third digit).
constexpr int kTrayFigureMax = 99;

// The figure for one tick's memory status. `plenty` is the chart's colour for much free
// memory (the top of the plot), `scarce` the one for little; below the auto-optimize limit
// the background turns to `scarce`, or to another colour when `scarce` is too close to
// `plenty` to be told apart. None when the total is unknown (0 or less): the tray then
// shows the program icon.
std::optional<TrayFigure> TrayFigureFor(std::int64_t freeBytes, std::int64_t totalBytes,
                                        TColor plenty, TColor scarce);

// The number as drawn: "7", "42", "99".
std::string TrayFigureText(const TrayFigure& figure);

// Colours ignore the top byte, as the charts do.
bool ClearlyDifferent(TColor a, TColor b);
// Black or white, whichever contrasts more with `back`.
TColor InkOn(TColor back);
// The background below the auto-optimize limit.
TColor ScarceBackground(TColor plenty, TColor scarce);

// What the tray icon must do after a tick: nothing while what it shows is what is wanted
// (so an unchanged figure costs no shell call), else take the figure or go back to the
// program icon.
enum class TrayIconStep { Keep, ShowFigure, ShowProgramIcon };
TrayIconStep NextTrayIconStep(const std::optional<TrayFigure>& shown,
                              const std::optional<TrayFigure>& wanted);
