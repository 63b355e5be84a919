// Shared by the ui and controls tests: pictures of what a window paints, and pixel checks.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ui/DibSection.h"
#include "ui/WinControl.h"
#include "util/ScopedHandles.h"

namespace uitest {

// A 32-bit picture, 0x00RRGGBB per pixel (GDI's DIB order), top row first.
struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
  int R(int x, int y) const { return (At(x, y) >> 16) & 0xFF; }
  int G(int x, int y) const { return (At(x, y) >> 8) & 0xFF; }
  int B(int x, int y) const { return At(x, y) & 0xFF; }
};

// Runs Draw(dc) on a fresh Width x Height 32-bit DIB pre-filled with Fill (0x00RRGGBB).
template <class DrawFn>
Picture Render(int Width, int Height, std::uint32_t Fill, DrawFn Draw) {
  Picture pic;
  pic.width = Width;
  pic.height = Height;
  TDibSection dib(Width, Height);
  if (dib.Empty()) return pic;
  std::uint32_t* p = dib.Bits();
  for (int i = 0; i < Width * Height; ++i) p[i] = Fill;
  Draw(dib.Dc());
  GdiFlush();
  pic.pixels.assign(p, p + Width * Height);
  return pic;
}

// What the window paints into its client area (background, picture, windowless children).
inline Picture Capture(TWinControl& Control) {
  HWND wnd = Control.Handle();
  RECT r;
  GetClientRect(wnd, &r);
  return Render(r.right, r.bottom, 0x00FF00FF,
                [&](HDC dc) { Control.PaintTo(dc, RECT{0, 0, r.right, r.bottom}); });
}

inline bool Near(int a, int b, int tolerance) { return std::abs(a - b) <= tolerance; }

// True when the pixel is within Tolerance per channel of 0x00RRGGBB.
inline bool PixelNear(const Picture& P, int X, int Y, std::uint32_t Rgb, int Tolerance) {
  return Near(P.R(X, Y), static_cast<int>((Rgb >> 16) & 0xFF), Tolerance) &&
         Near(P.G(X, Y), static_cast<int>((Rgb >> 8) & 0xFF), Tolerance) &&
         Near(P.B(X, Y), static_cast<int>(Rgb & 0xFF), Tolerance);
}

// Expected result of drawing Src (0x00RRGGBB) with Alpha over Dst, per channel.
inline std::uint32_t Blend(std::uint32_t Dst, std::uint32_t Src, int Alpha) {
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    int d = (Dst >> shift) & 0xFF, s = (Src >> shift) & 0xFF;
    out |= static_cast<std::uint32_t>((s * Alpha + d * (255 - Alpha) + 127) / 255) << shift;
  }
  return out;
}

}  // namespace uitest
