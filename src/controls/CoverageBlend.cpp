#include "controls/CoverageBlend.h"

#include <cmath>

namespace {
int Channel(ArgbPixel p, int shift) { return static_cast<int>((p >> shift) & 0xFF); }
}  // namespace

std::vector<ArgbPixel> VerticalGradientRows(int rows, int top, int height, ArgbPixel first,
                                            ArgbPixel last) {
  std::vector<ArgbPixel> out(rows > 0 ? static_cast<std::size_t>(rows) : 0, first);
  if (height < 1) return out;
  for (int y = 0; y < rows; ++y) {
    double t = (y + 0.5 - top) / height;
    t -= std::floor(t);  // the gradient tiles beyond its rows
    ArgbPixel c = 0;
    for (int shift = 0; shift <= 24; shift += 8) {
      const double v = Channel(first, shift) + (Channel(last, shift) - Channel(first, shift)) * t;
      c |= static_cast<ArgbPixel>(std::lround(v)) << shift;
    }
    out[static_cast<std::size_t>(y)] = c;
  }
  return out;
}

ArgbPixel BlendOver(ArgbPixel dst, ArgbPixel colour, int coverage) {
  const int sa = (Channel(colour, 24) * coverage + 127) / 255;
  if (sa <= 0) return dst;
  const unsigned da = static_cast<unsigned>(Channel(dst, 24));
  // Premultiplied values scaled by 255, so the rounding comes once at the end; every term
  // stays below 2^25, and 32-bit division is one instruction on a 32-bit processor too.
  const unsigned src = static_cast<unsigned>(sa) * 255;  // source's weight x 255
  const unsigned keep = da * (255 - static_cast<unsigned>(sa));  // destination's weight x 255
  const unsigned outA255 = src + keep;
  ArgbPixel out = static_cast<ArgbPixel>((outA255 + 127) / 255) << 24;
  for (int shift = 0; shift <= 16; shift += 8) {
    const unsigned num = static_cast<unsigned>(Channel(colour, shift)) * src +
                         static_cast<unsigned>(Channel(dst, shift)) * keep;
    out |= static_cast<ArgbPixel>((num + outA255 / 2) / outA255) << shift;
  }
  return out;
}

void BlendMaskRows(ArgbPixel* dst, int dstStride, ArgbPixel* mask, int maskStride, int width,
                   int height, const std::vector<ArgbPixel>& rowColours) {
  for (int y = 0; y < height && y < static_cast<int>(rowColours.size()); ++y) {
    ArgbPixel* d = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
    ArgbPixel* m = mask + static_cast<std::ptrdiff_t>(y) * maskStride;
    const ArgbPixel colour = rowColours[static_cast<std::size_t>(y)];
    // Inside a fill most neighbours share both the background and full coverage: the
    // last result is reused for them.
    ArgbPixel lastDst = 0, lastOut = 0;
    int lastCoverage = -1;
    for (int x = 0; x < width; ++x) {
      const int coverage = Channel(m[x], 24);
      if (coverage == 0) continue;
      if (coverage != lastCoverage || d[x] != lastDst) {
        lastDst = d[x];
        lastCoverage = coverage;
        lastOut = BlendOver(lastDst, colour, coverage);
      }
      d[x] = lastOut;
      m[x] = 0;
    }
  }
}
