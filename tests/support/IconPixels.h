// The colour image of an icon as pixels, for tests that look at what an icon shows.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

namespace testsupport {

struct IconPixels {
  int Width = 0, Height = 0;          // 0 when the icon could not be read
  std::vector<std::uint32_t> Pixels;  // 0xAARRGGBB, top row first
  std::uint32_t At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
  std::uint32_t Rgb(int x, int y) const { return At(x, y) & 0xFFFFFF; }
};

IconPixels ReadIconPixels(HICON icon);

}  // namespace testsupport
