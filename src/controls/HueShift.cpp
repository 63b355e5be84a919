#include "controls/HueShift.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

int RoundHalfEven(double v) { return static_cast<int>(std::nearbyint(v)); }

std::uint8_t ToByte(double v) {
  return static_cast<std::uint8_t>(std::clamp(RoundHalfEven(v), 0, 255));
}

double HueToChannel(double p, double q, double t) {
  if (t < 0) t += 1;
  if (t > 1) t -= 1;
  if (6 * t < 1) return p + (q - p) * 6 * t;
  if (2 * t < 1) return q;
  if (3 * t < 2) return p + (q - p) * (2.0 / 3.0 - t) * 6;
  return p;
}

}  // namespace

THsl RgbToHsl(TRgb c) {
  const double r = c.R / 255.0, g = c.G / 255.0, b = c.B / 255.0;
  const double mx = std::max({r, g, b});
  const double mn = std::min({r, g, b});
  const double l = (mx + mn) / 2;
  const double d = mx - mn;
  double h = 0, s = 0;
  if (d != 0) {
    s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
    const double dr = ((mx - r) / 6 + d / 2) / d;
    const double dg = ((mx - g) / 6 + d / 2) / d;
    const double db = ((mx - b) / 6 + d / 2) / d;
    if (mx == r)
      h = db - dg;
    else if (mx == g)
      h = 1.0 / 3.0 + dr - db;
    else
      h = 2.0 / 3.0 + dg - dr;
    if (h < 0) h += 1;
    if (h > 1) h -= 1;
  }
  return {RoundHalfEven(h * 240), RoundHalfEven(s * 240), RoundHalfEven(l * 240)};
}

TRgb HslToRgb(THsl c) {
  // A shifted hue may lie any number of turns away; wrapping it once in the channel
  // function alone would give colours that are no rotation at all.
  int hue = c.H % 240;
  if (hue < 0) hue += 240;
  const double h = hue / 240.0;
  const double s = std::clamp(c.S, 0, 240) / 240.0;
  const double l = std::clamp(c.L, 0, 240) / 240.0;
  if (s == 0) {
    const std::uint8_t v = ToByte(l * 255);
    return {v, v, v};
  }
  const double q = l < 0.5 ? l * (1 + s) : (l + s) - s * l;
  const double p = 2 * l - q;
  return {ToByte(255 * HueToChannel(p, q, h + 1.0 / 3.0)), ToByte(255 * HueToChannel(p, q, h)),
          ToByte(255 * HueToChannel(p, q, h - 1.0 / 3.0))};
}

TRgb ShiftHue(TRgb c, THueRongheMode mode, int hue1, int hue2) {
  if (mode != hrmOneColor && mode != hrmTwoColor) return c;
  THsl hsl = RgbToHsl(c);
  hsl.H = mode == hrmOneColor ? hue1 : hsl.H + (hue2 - hue1);
  return HslToRgb(hsl);
}

void ShiftHueOfPixels(std::uint8_t* firstRow, int width, int height, int stride,
                      THueRongheMode mode, int hue1, int hue2) {
  if (!firstRow || width <= 0 || height <= 0) return;
  if (mode != hrmOneColor && mode != hrmTwoColor) return;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* px = firstRow + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < width; ++x, px += 4) {
      const TRgb shifted = ShiftHue(TRgb{px[2], px[1], px[0]}, mode, hue1, hue2);
      px[0] = shifted.B;
      px[1] = shifted.G;
      px[2] = shifted.R;
    }
  }
}
