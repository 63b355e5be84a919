#include "app/TrayFigure.h"

#include <algorithm>
#include <cstdlib>

#include "monitor/MonitorRules.h"

namespace {

int Red(TColor c) { return static_cast<int>(c & 0xFF); }
int Green(TColor c) { return static_cast<int>((c >> 8) & 0xFF); }
int Blue(TColor c) { return static_cast<int>((c >> 16) & 0xFF); }

// Rec. 601 weights, in thousandths.
int Luma(TColor c) { return (299 * Red(c) + 587 * Green(c) + 114 * Blue(c)) / 1000; }

}  // namespace

bool ClearlyDifferent(TColor a, TColor b) {
  const int d = std::max({std::abs(Red(a) - Red(b)), std::abs(Green(a) - Green(b)),
                          std::abs(Blue(a) - Blue(b))});
  return d >= 128;
}

TColor InkOn(TColor back) { return Luma(back) >= 128 ? clBlack : clWhite; }

TColor ScarceBackground(TColor plenty, TColor scarce) {
  plenty &= 0xFFFFFF;
  scarce &= 0xFFFFFF;
  // The user's own low colour first; then red, black and white: one of the last two always
  // differs clearly from any colour.
  for (TColor c : {scarce, clRed, clBlack, clWhite})
    if (ClearlyDifferent(c, plenty)) return c;
  return clWhite;
}

std::optional<TrayFigure> TrayFigureFor(std::int64_t freeBytes, std::int64_t totalBytes,
                                        TColor plenty, TColor scarce) {
  if (totalBytes <= 0) return std::nullopt;
  TrayFigure f;
  f.Number = std::clamp(FreeMemoryPercent(freeBytes, totalBytes), 0, kTrayFigureMax);
  f.Back = BelowAutoOptimizeLimit(freeBytes, totalBytes) ? ScarceBackground(plenty, scarce)
                                                         : (plenty & 0xFFFFFF);
  f.Ink = InkOn(f.Back);
  return f;
}

std::string TrayFigureText(const TrayFigure& figure) { return std::to_string(figure.Number); }

TrayIconStep NextTrayIconStep(const std::optional<TrayFigure>& shown,
                              const std::optional<TrayFigure>& wanted) {
  if (shown == wanted) return TrayIconStep::Keep;
  return wanted ? TrayIconStep::ShowFigure : TrayIconStep::ShowProgramIcon;
}
