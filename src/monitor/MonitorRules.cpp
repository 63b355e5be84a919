#include "monitor/MonitorRules.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "util/SafeFormat.h"

std::optional<POINT> TaskbarCornerPosition(int edge, int size, int screenWidth,
                                           int screenHeight, int width, int height) {
  switch (edge) {
    case tbBottom: return POINT{screenWidth - width, screenHeight - size - height};
    case tbLeft: return POINT{size, screenHeight - height};
    case tbTop: return POINT{screenWidth - width, size};
    case tbRight: return POINT{screenWidth - width - size, screenHeight - height};
    default: return std::nullopt;
  }
}

RECT TrayHotRectAround(int x, int y) { return RECT{x - 8, y - 8, x + 8, y + 8}; }

bool RectHolds(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

bool ShouldAutoHide(POINT cursor, const RECT& trayHotRect, const RECT& windowRect,
                    bool pinned) {
  if (RectHolds(trayHotRect, cursor)) return false;
  return !RectHolds(windowRect, cursor) && !pinned;
}

int FreeMemoryPercent(std::int64_t freeBytes, std::int64_t totalBytes) {
  if (totalBytes <= 0) return 0;
  double pct = std::trunc(static_cast<double>(freeBytes) / static_cast<double>(totalBytes) * 100.0);
  if (pct >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (pct <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(pct);
}

bool BelowAutoOptimizeLimit(std::int64_t freeBytes, std::int64_t totalBytes) {
  if (totalBytes <= 0) return false;
  return static_cast<double>(freeBytes) / static_cast<double>(totalBytes) * 100.0 < 8.0;
}

std::string PercentText(int value) { return std::to_string(value) + "%"; }

std::string RamValueText(std::string_view format, const std::string& freeText,
                         const std::string& percentText, const std::string& totalText) {
  return SafeFormat(format, {freeText, percentText, totalText});
}

std::string OptimizeResultText(int hour, int minute, int second, const std::string& gainText) {
  char clock[40];
  std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", hour, minute, second);
  return std::string(clock) + " +" + gainText;
}

int TrimProgressPercent(std::size_t i, std::size_t n) {
  if (n == 0) return 0;
  return static_cast<int>(std::trunc(static_cast<double>(i + 1) / static_cast<double>(n) * 100.0));
}

int OptimizeAmountMB(std::int64_t totalBytes) {
  std::int64_t mb = totalBytes / 8 / 1048576;
  return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(mb)));
}

std::int64_t MemoryGain(std::int64_t freeBefore, std::int64_t freeAfter) {
  std::int64_t gain = freeAfter - freeBefore;
  return gain < 0 ? 0 : gain;
}

bool ProgressPumpDue(bool firstStep, int progress, unsigned long now, unsigned long lastPump) {
  // Tick counts wrap after 49.7 days; the unsigned difference stays right across the wrap.
  const unsigned long elapsed = (now - lastPump) & 0xFFFFFFFFul;
  return firstStep || progress >= 100 || elapsed >= kProgressPumpMs;
}
