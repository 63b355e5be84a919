// Hue, saturation and lightness on the 0..240 scale, and the hue shift of an image
// button's picture.
#pragma once
#include <cstdint>

// How a button's rendered picture is recoloured.
enum THueRongheMode : std::uint8_t { hrmNone = 0, hrmOneColor = 1, hrmTwoColor = 2 };

struct THsl {
  int H = 0;
  int S = 0;
  int L = 0;
};

struct TRgb {
  std::uint8_t R = 0;
  std::uint8_t G = 0;
  std::uint8_t B = 0;
};

constexpr bool operator==(TRgb a, TRgb b) { return a.R == b.R && a.G == b.G && a.B == b.B; }
constexpr bool operator==(THsl a, THsl b) { return a.H == b.H && a.S == b.S && a.L == b.L; }

// Each of H, S, L in 0..240, rounded to nearest, ties to even.
THsl RgbToHsl(TRgb c);

// The inverse. H is taken modulo 240, so any shifted hue is a true rotation;
// S and L are clamped to 0..240.
TRgb HslToRgb(THsl c);

// The colour a pixel gets under `mode` (hrmNone leaves it as it is).
TRgb ShiftHue(TRgb c, THueRongheMode mode, int hue1, int hue2);

// Shifts every pixel of a 32-bit BGRA buffer; alpha bytes are left alone.
// `stride` is the distance between rows in bytes and may be negative (bottom-up).
void ShiftHueOfPixels(std::uint8_t* firstRow, int width, int height, int stride,
                      THueRongheMode mode, int hue1, int hue2);
