// The monitor window's arithmetic and texts, free of windows so tests can take them apart:
// where the window goes beside the taskbar, when it hides itself, the free-memory
// percentage and the texts of its value and result lines.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The screen edge that holds the taskbar, as the main form finds it and hands it on.
enum TaskbarEdge : int { tbBottom = 1, tbLeft = 2, tbTop = 3, tbRight = 4 };

// Top-left corner for a window of w x h in the screen corner beside the taskbar at `edge`
// (a TaskbarEdge); `size` is the taskbar's thickness. Any other edge leaves the window
// where it is (no value).
std::optional<POINT> TaskbarCornerPosition(int edge, int size, int screenWidth,
                                           int screenHeight, int width, int height);

// The square of +-8 pixels around the point where the mouse last rested on the tray icon.
RECT TrayHotRectAround(int x, int y);

// Left and top inclusive, right and bottom exclusive.
bool RectHolds(const RECT& r, POINT p);

// The auto-hide rule: hide unless the cursor rests in the tray's hot square, lies over the
// window, or the window is pinned.
bool ShouldAutoHide(POINT cursor, const RECT& trayHotRect, const RECT& windowRect,
                    bool pinned);

// free / total * 100 truncated toward zero; 0 when total is not positive. Clamped to the
// int range so an odd status can never overflow the conversion.
int FreeMemoryPercent(std::int64_t freeBytes, std::int64_t totalBytes);

// The auto-optimize rule compares the untruncated percentage with 8. An unknown total
// (0 or less) never asks for a run.
bool BelowAutoOptimizeLimit(std::int64_t freeBytes, std::int64_t totalBytes);

// A whole number followed by a literal percent sign, without grouping: "37%", "-1%".
std::string PercentText(int value);

// The memory line: the three "%s" of `format` replaced in order by the free amount, the
// free percentage and the total amount. `format` comes from a language file a user may
// have edited, so it never reaches a printf-style function.
std::string RamValueText(std::string_view format, const std::string& freeText,
                         const std::string& percentText, const std::string& totalText);

// The run's result for the title strip: "hh:nn:ss +<gain>", e.g. "14:03:27 +312.45 M".
std::string OptimizeResultText(int hour, int minute, int second, const std::string& gainText);

// Progress of the trimming loop after process i (0-based) of n: 1..100, truncated.
int TrimProgressPercent(std::size_t i, std::size_t n);

// One eighth of physical memory in MiB, as the optimizer's block count (low 32 bits).
int OptimizeAmountMB(std::int64_t totalBytes);

// Whether the progress handler should handle pending messages (and so repaint) now. The
// first and the last step always do; in between at most every kProgressPumpMs: a repaint
// of the bar and its label per percent costs more than a short run's memory work, a bar
// moving twenty times a second looks no different, and input waits no longer than the eye
// notices. Each handling is a round of requests to the window system, which on a busy
// machine waits for its turn: the fewer, the less the run slows down there.
constexpr unsigned kProgressPumpMs = 50;
bool ProgressPumpDue(bool firstStep, int progress, unsigned long now, unsigned long lastPump);

// Memory gained by a run; never negative (other programs may have taken memory meanwhile).
std::int64_t MemoryGain(std::int64_t freeBefore, std::int64_t freeAfter);
