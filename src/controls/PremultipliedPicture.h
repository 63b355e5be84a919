// A cached translucent picture kept ready for GDI's alpha blend. GDI+ draws an ARGB bitmap
// on a device context by converting the whole bitmap to premultiplied pixels in a fresh
// DIB section first, at every paint, however little of it the clip lets through (Wine's
// GDI+ does exactly that). A picture that changes far less often than it is painted pays
// that conversion once here, and a paint blends only the part its clip box shows.
#pragma once
#include "controls/GdiPlus.h"

#include <cstdint>

#include "controls/CoverageBlend.h"
#include "ui/DibSection.h"

// `pixel` (0xAARRGGBB, straight alpha) with its colour scaled by its alpha, rounded to
// nearest: the premultiplied form GDI's alpha blend takes.
std::uint32_t Premultiply(ArgbPixel pixel);

class TPremultipliedPicture {
 public:
  // Takes a premultiplied copy of `picture`. False, and empty, when its pixels cannot be
  // read or GDI refuses the DIB section; the caller then draws `picture` through GDI+.
  bool Assign(Gdiplus::Bitmap& picture);
  void Clear() { dib_.Clear(); }
  bool Empty() const { return dib_.Empty(); }
  int Width() const { return dib_.Width(); }
  int Height() const { return dib_.Height(); }
  // The premultiplied pixels, top row first, Width() per row (null when empty).
  const std::uint32_t* Pixels() const { return dib_.Bits(); }

  // Blends the picture 1:1 at (0, 0) over `dc`, only the part inside its clip box.
  void Draw(HDC dc) const;

 private:
  TDibSection dib_;
};
